// The data file: the start-up check and its backups, the owner-only file, column widths, row ids,
// and the environments and sources written to it.
#include "TestSupport.h"
#include "ui/MessageRecorder.h"
#include "data/DataFile.h"
#include "data/Environments.h"
#include "data/SourceLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

using namespace data;

namespace {

void Touch(const QString& path, const QByteArray& content)
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

int Rows(const QString& path, const QString& table)
{
    Database db(path);
    Statement query(db, "select count(*) from " + table);
    return query.Next() ? query.Int(0) : -1;
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
        QCOMPARE(Rows(path, "Shortcuts"), 0);
        if (!expectedBackup.isEmpty())
            QCOMPARE(Content(expectedBackup), QByteArray("the old file"));
        for (const QString& backup : backupsBefore)
            QCOMPARE(Content(backup), QByteArray("earlier backup"));
    }

    void LaterRunAsksBeforeCreatingAMissingFileAndKeepsAFoundOne()
    {
        Workspace workspace;
        const QString path = workspace.File("qbdat.dbf");
        MessageRecorder messages;
        messages.Answer(platform::IDNO);
        QCOMPARE(EnsureDataFile(path, false), DataFileState::Declined);
        QCOMPARE(messages.Last().style, platform::MsgStyle::Question);
        QVERIFY(!QFileInfo::exists(path));
        messages.Answer(platform::IDYES);
        QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
        Database(path).Execute("insert into Env values(0,'kept','')");
        QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
        QCOMPARE(messages.Count(), 2);
        QCOMPARE(Rows(path, "Env"), 1);
    }

    void AnUnreadableFileIsKeptAsideNotOverwritten()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file; the unreadable case needs an ordinary user");
        Workspace workspace;
        MessageRecorder messages(platform::IDYES);
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

    // Every column: a value at its width (counted in characters, not bytes) is stored whole, one
    // character more is refused with a message naming the column and its width.
    void ColumnWidthsAreKeptAndNameTheColumn()
    {
        Workspace workspace;
        const QString path = workspace.File("limits.dbf");
        CreateDatabase(path);
        Database db(path);
        int id = 1000;
        for (const ColumnLimit& limit : ColumnLimits()) {
            const QString table = limit.table, column = limit.column;
            QStringList names;
            for (Statement info(db, QString("pragma table_info(%1)").arg(table)); info.Next();)
                names << info.Text("name");
            const auto insert = [&](int id, const QString& value) {
                QVariantList values;
                for (const QString& name : names)
                    values << (name.endsWith("_id") ? QVariant(id) : QVariant(name == column ? value : "x"));
                db.Execute(QString("insert into %1 (%2) values (%3)")
                               .arg(table, names.join(','), QStringList(names.size(), "?").join(',')),
                           values);
            };
            const QString atLimit = QString(limit.width - 1, 'a') + QString::fromUtf8("é");
            insert(++id, atLimit);
            try {
                insert(id + 1000, QString(limit.width + 1, 'a'));
                QFAIL(qPrintable(column + ": a value over the width was stored"));
            } catch (const DatabaseError& error) {
                QVERIFY2(error.Text().contains(column) && error.Text().contains(QString::number(limit.width)),
                         qPrintable(error.Text()));
            }
            Statement stored(db, QString("select %1 from %2 where %3=%4").arg(column, table, names.first()).arg(id));
            QVERIFY(stored.Next());
            QCOMPARE(stored.Text(0), atLimit);
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
        db.Execute("delete from Env where e_id=1");
        QCOMPARE(NextRowId(db, "Env", "e_id"), 3);
        db.Execute("delete from Env where e_id=2");
        QCOMPARE(NextRowId(db, "Env", "e_id"), 1);
    }

    void FailuresSayWhichFileAndWhy()
    {
        Workspace workspace;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, Database(workspace.File("missing.dbf")));
        Touch(workspace.File("text.dbf"), QByteArray(4096, 'x'));
        try {
            Database(workspace.File("text.dbf")).Execute("select * from Env");
            QFAIL("a text file was read as a data file");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.Text().contains("not a database"), qPrintable(error.Text()));
            QVERIFY(error.UserText().contains(workspace.File("text.dbf")));
        }
        QCOMPARE(Content(workspace.File("text.dbf")), QByteArray(4096, 'x'));
    }

    // An environment and its applications are written together or not at all; each loads its own
    // applications, and removing one takes them along.
    void EnvironmentsAreWrittenWholeAndRemovedWithTheirApplications()
    {
        Workspace workspace;
        const QString db = workspace.File("qbdat.dbf");
        CreateDatabase(db);
        AddEnvironment(db, "first", "", {{"a", "1", "/p/a"}, {"b", "", "/p/b"}});
        QCOMPARE(AddEnvironment(db, "it's \"second\"", "", {{"c", "-t 'x'", "/q/c"}}), 1);
        Database(db).Execute("create trigger refuse before insert on EnvApps when NEW.a_name = 'boom' "
                             "begin select raise(abort, 'refused'); end");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, AddEnvironment(db, "torn", "", {{"ok", "", "/ok"}, {"boom", "", "/b"}}));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, AddEnvironment(db, "long", QString(61, 'd'), {{"ok", "", "/ok"}}));
        QCOMPARE(Rows(db, "Env"), 2);
        QCOMPARE(Rows(db, "EnvApps"), 3);
        QCOMPARE(LoadEnvironments(db).last().name, QString("it's \"second\""));
        QCOMPARE(LoadApps(db, 1).first().cmdLine, QString("-t 'x'"));
        QCOMPARE(LoadApps(db, 0).size(), 2);
        RemoveEnvironment(db, 0);
        QCOMPARE(Rows(db, "EnvApps"), 1);
        RemoveAllEnvironments(db);
        QCOMPARE(Rows(db, "Env") + Rows(db, "EnvApps"), 0);
    }

    // The list shows the file name: the text after the last separator, of either kind.
    void SourceFileNameIsTheTextAfterTheLastSeparator()
    {
        Workspace workspace;
        const QString db = workspace.File("qbdat.dbf");
        CreateDatabase(db);
        const QStringList paths = {"C:\\src\\main.c", "/home/me/src/naïve 日本.c", "/home/me/src/", "main.c"};
        for (const QString& path : paths)
            AddSource(db, {0, "C", "tools", "", path, kOpenWithEditor, {}});
        QStringList names;
        for (const SourceRecord& record : LoadSources(db))
            names << record.fileName;
        QCOMPARE(names, (QStringList{"main.c", "naïve 日本.c", "", "main.c"}));
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
