// The data file: a first run sets an old file aside under the first free backup name, every column
// keeps its width and names itself when a value is over it, and row ids follow the largest id.
#include "TestSupport.h"
#include "ui/MessageRecorder.h"
#include "data/DataFile.h"

#include <QFile>

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
    void FirstRunSetsAnOldFileAsideUnderTheFirstFreeBackupName()
    {
        // Whether there is an old file, the backups there before, and where the old file goes.
        const std::tuple<bool, QStringList, QString> cases[] = {
            {false, {}, ""}, {true, {}, "qbdat.v0"}, {true, {"qbdat.v0", "qbdat.v1"}, "qbdat.v2"}};
        for (const auto& [oldFile, backupsBefore, expectedBackup] : cases) {
            Workspace workspace;
            MessageRecorder messages;
            const QString path = workspace.File("qbdat.dbf");
            if (oldFile)
                Touch(path, "the old file");
            for (const QString& backup : backupsBefore)
                Touch(backup, "earlier backup");
            QCOMPARE(EnsureDataFile(path, true), DataFileState::Ready);
            QCOMPARE(Rows(path, "Shortcuts"), 0);
            // The user is told where the old file went, by its full path.
            QCOMPARE(messages.Count(), expectedBackup.isEmpty() ? 0 : 1);
            if (!expectedBackup.isEmpty()) {
                QCOMPARE(Content(expectedBackup), QByteArray("the old file"));
                QVERIFY2(messages.Last().text.contains(" kept as " + workspace.File(expectedBackup)), qPrintable(messages.Last().text));
            }
            for (const QString& backup : backupsBefore)
                QCOMPARE(Content(backup), QByteArray("earlier backup"));
        }
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

};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
