// The data file: the start-up check, the schema and its limits, row ids and the owner-only file.
#include "TestSupport.h"
#include "ui/MessageRecorder.h"
#include "data/DataFile.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

using namespace data;

namespace {

void Touch(const QString& path, const QByteArray& content = "old data")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray Content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Tables(const QString& path)
{
    Database db(path);
    Statement query(db, "select name from sqlite_master where type='table' order by name");
    QStringList tables;
    while (query.Next())
        tables << query.Text(0);
    return tables;
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT

private slots:
    void FirstRunSetsAnOldFileAsideUnderTheFirstFreeBackupName_data()
    {
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<QStringList>("backupsBefore");
        QTest::addColumn<QString>("expectedBackup");
        QTest::newRow("no file: no backup") << false << QStringList() << QString();
        QTest::newRow("file: qbdat.v0") << true << QStringList() << "qbdat.v0";
        QTest::newRow("v0 taken: qbdat.v1") << true << QStringList{"qbdat.v0"} << "qbdat.v1";
        QTest::newRow("v0, v1 taken: qbdat.v2") << true << QStringList{"qbdat.v0", "qbdat.v1"} << "qbdat.v2";
    }

    void FirstRunSetsAnOldFileAsideUnderTheFirstFreeBackupName()
    {
        QFETCH(bool, oldFile);
        QFETCH(QStringList, backupsBefore);
        QFETCH(QString, expectedBackup);
        Workspace workspace;
        MessageRecorder messages;
        const QString path = workspace.File("qbdat.dbf");
        if (oldFile)
            Touch(path, "the old file");
        for (const QString& backup : backupsBefore)
            Touch(backup, "earlier backup");

        QCOMPARE(EnsureDataFile(path, true), DataFileState::Ready);
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(Tables(path), (QStringList{"Clipboard", "Env", "EnvApps", "Shortcuts", "SourceLib"}));
        if (!expectedBackup.isEmpty())
            QCOMPARE(Content(expectedBackup), QByteArray("the old file"));
        for (const QString& backup : backupsBefore)
            QCOMPARE(Content(backup), QByteArray("earlier backup"));
        QCOMPARE(QDir(workspace.Path()).entryList({"qbdat.v*"}).size(), backupsBefore.size() + (oldFile ? 1 : 0));
    }

    void LaterRunAsksBeforeCreatingAMissingFile()
    {
        Workspace workspace;
        const QString path = workspace.File("qbdat.dbf");
        {
            MessageRecorder messages;
            messages.Answer(platform::IDNO);
            QCOMPARE(EnsureDataFile(path, false), DataFileState::Declined);
            QCOMPARE(messages.Count(), 1);
            QCOMPARE(messages.Last().text, QString("A database file was not found and a new one must be created.\n"
                                                   "Selecting YES will create a new database file and NO will quit "
                                                   "the application."));
            QCOMPARE(messages.Last().style, platform::MsgStyle::Question);
            QVERIFY(!QFileInfo::exists(path));
        }
        {
            MessageRecorder messages;
            messages.Answer(platform::IDYES);
            QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
            QCOMPARE(Tables(path).size(), 5);
        }
        {
            // Found: nothing is asked and nothing changes.
            MessageRecorder messages;
            Database(path).Execute("insert into Env values(0,'kept','')");
            QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
            QCOMPARE(messages.Count(), 0);
            Database db(path);
            Statement query(db, "select e_name from Env");
            QVERIFY(query.Next());
            QCOMPARE(query.Text(0), QString("kept"));
        }
    }

    void AnUnreadableFileIsKeptAsideNotOverwritten()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file; the unreadable case needs an ordinary user");
        Workspace workspace;
        MessageRecorder messages;
        messages.Answer(platform::IDYES);
        const QString path = workspace.File("qbdat.dbf");
        Touch(path, "precious");
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
        QFile::setPermissions("qbdat.v0", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(Content("qbdat.v0"), QByteArray("precious"));
    }

    void NewFileIsForItsOwnerOnlyAndNeverReplacesOne()
    {
        Workspace workspace;
        const QString path = workspace.File("new.dbf");
        CreateDatabase(path);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), 0600);

        Touch(workspace.File("other.dbf"), "someone's file");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, CreateDatabase(workspace.File("other.dbf")));
        QCOMPARE(Content(workspace.File("other.dbf")), QByteArray("someone's file"));
    }

    void ColumnWidthsAreKeptAndNameTheColumn_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("width");
        for (const ColumnLimit& limit : ColumnLimits())
            QTest::newRow(limit.column) << QString(limit.table) << QString(limit.column) << limit.width;
    }

    void ColumnWidthsAreKeptAndNameTheColumn()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(int, width);
        Workspace workspace;
        const QString path = workspace.File("limits.dbf");
        CreateDatabase(path);
        Database db(path);
        QStringList names;
        {
            Statement info(db, QString("pragma table_info(%1)").arg(table));
            while (info.Next())
                names << info.Text("name");
        }
        // Every other column gets a short valid value, the id column the row's id.
        auto insert = [&](int id, const QString& value) {
            QStringList placeholders;
            QVariantList values;
            for (const QString& name : names) {
                placeholders << "?";
                if (name.endsWith("_id"))
                    values << id;
                else
                    values << (name == column ? value : QString("x"));
            }
            db.Execute(QString("insert into %1 (%2) values (%3)").arg(table, names.join(','), placeholders.join(',')), values);
        };
        // Exactly at the width, counting characters, not bytes: accepted whole.
        const QString atLimit = QString(width - 1, QChar('a')) + QString::fromUtf8("é");
        insert(0, atLimit);
        // One over: refused with a message that names the column and its width.
        try {
            insert(1, QString(width + 1, QChar('a')));
            QFAIL("a value over the column's width was stored");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.Text().contains(column) && error.Text().contains(QString::number(width)),
                     qPrintable(error.Text()));
        }
        Statement query(db, QString("select %1 from %2").arg(column, table));
        QVERIFY(query.Next());
        QCOMPARE(query.Text(0), atLimit);
        QVERIFY(!query.Next());
    }

    void TextsAreStoredExactlyAsTyped()
    {
        Workspace workspace;
        const QString path = workspace.File("q.dbf");
        CreateDatabase(path);
        const QStringList texts = {"it's", "a'); drop table Env; --", "%s %n \\ \"q\"", QString::fromUtf8("日本語 👍 مرحبا e\u0301"),
                                   QString("tab\there\nline")};
        Database db(path);
        int id = 0;
        for (const QString& text : texts)
            db.Execute("insert into Env values(?1, ?2, ?3)", {id++, text.left(20), text});
        Statement query(db, "select e_name, e_desc from Env order by e_id");
        for (const QString& text : texts) {
            QVERIFY(query.Next());
            QCOMPARE(query.Text(0), text.left(20));
            QCOMPARE(query.Text(1), text);
        }
    }

    void RowIdsFollowTheLargestId()
    {
        Workspace workspace;
        const QString path = workspace.File("ids.dbf");
        CreateDatabase(path);
        Database db(path);
        QCOMPARE(NextRowId(db, "Env", "e_id"), 0);
        for (int id : {0, 1, 2})
            db.Execute("insert into Env values(?1, 'e', null)", {id});
        QCOMPARE(NextRowId(db, "Env", "e_id"), 3);
        db.Execute("delete from Env where e_id=2");
        QCOMPARE(NextRowId(db, "Env", "e_id"), 2);
        db.Execute("insert into Env values(2, 'e', null)");
        db.Execute("delete from Env where e_id=1");
        QCOMPARE(NextRowId(db, "Env", "e_id"), 3);
        QCOMPARE(NextRowId(db, "SourceLib", "l_id"), 0);
    }

    void FailuresSayWhichFileAndWhy()
    {
        Workspace workspace;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, Database(workspace.File("missing.dbf")));
        Touch(workspace.File("text.dbf"), QByteArray(4096, 'x'));
        try {
            Database db(workspace.File("text.dbf"));
            db.Execute("select * from Env");
            QFAIL("a text file was read as a data file");
        } catch (const DatabaseError& error) {
            QCOMPARE(error.Path(), workspace.File("text.dbf"));
            QVERIFY2(error.Text().contains("not a database"), qPrintable(error.Text()));
            QVERIFY(error.UserText().contains(workspace.File("text.dbf")));
        }
        QCOMPARE(Content(workspace.File("text.dbf")), QByteArray(4096, 'x'));
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
