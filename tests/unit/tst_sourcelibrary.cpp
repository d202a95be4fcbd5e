// The source library's rows: ids, file names, values kept exactly and the engine's column limits.
#include "TestSupport.h"
#include "data/DataFile.h"
#include "data/SourceLibrary.h"

using namespace data;

namespace {

struct Library {
    Workspace workspace;
    QString path = workspace.File("qbdat.dbf");
    Library() { CreateDatabase(path); }

    int Add(const QString& filePath, const QString& field = "tools", const QString& desc = "")
    {
        SourceRecord record;
        record.lang = "C++";
        record.field = field;
        record.desc = desc;
        record.path = filePath;
        record.openWith = kOpenWithEditor;
        return AddSource(path, record);
    }
    QList<int> Ids() const
    {
        QList<int> ids;
        for (const SourceRecord& record : LoadSources(path))
            ids << record.id;
        return ids;
    }
};

} // namespace

class TestSourceLibrary : public QObject {
    Q_OBJECT

private slots:
    void IdsFollowTheLargestAndStartAtZeroInAnEmptyTable()
    {
        Library lib;
        QCOMPARE(lib.Add("/src/a.c"), 0);
        QCOMPARE(lib.Add("/src/b.c"), 1);
        for (int i = 2; i <= 5; ++i)
            lib.Add("/src/c.c");
        for (int id : {2, 3, 4})
            DeleteSource(lib.path, id);
        QCOMPARE(lib.Ids(), (QList<int>{0, 1, 5}));
        QCOMPARE(lib.Add("/src/d.c"), 6);

        // The largest id, once deleted, is given again; a gap below it is not.
        DeleteSource(lib.path, 6);
        QCOMPARE(lib.Add("/src/e.c"), 6);

        DeleteAllSources(lib.path);
        QVERIFY(LoadSources(lib.path).isEmpty());
        QCOMPARE(lib.Add("/src/f.c"), 0);
    }

    void FileNameIsTheTextAfterTheLastSeparator_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("bare name") << "main.c" << "main.c";
        QTest::newRow("windows path") << "C:\\src\\main.c" << "main.c";
        QTest::newRow("windows folder") << "C:\\src\\" << "";
        QTest::newRow("linux path") << "/home/me/src/main.c" << "main.c";
        QTest::newRow("linux folder") << "/home/me/src/" << "";
    }

    void FileNameIsTheTextAfterTheLastSeparator()
    {
        QFETCH(QString, path);
        QFETCH(QString, fileName);
        Library lib;
        lib.Add(path);
        const QList<SourceRecord> records = LoadSources(lib.path);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].fileName, fileName);
        QCOMPARE(records[0].path, path);
    }

    void ValuesAreStoredExactlyAsTyped()
    {
        Library lib;
        const QString field = "it's; drop table SourceLib; --";
        const QString path = "/home/me/Проекты/naïve \"quoted\" 日本.c";
        const int id = lib.Add(path, field, QString());
        SourceRecord assoc;
        assoc.lang = "Other";
        assoc.field = "docs";
        assoc.desc = "the manual";
        assoc.path = "/doc/manual.pdf";
        assoc.openWith = kOpenWithAssociated;
        const int other = AddSource(lib.path, assoc);

        const QList<SourceRecord> records = LoadSources(lib.path);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].field, field);
        QCOMPARE(records[0].path, path);
        QCOMPARE(records[0].fileName, QString("naïve \"quoted\" 日本.c"));
        QCOMPARE(records[1].desc, QString("the manual"));
        QCOMPARE(OpenWith(lib.path, id), kOpenWithEditor);
        QCOMPARE(OpenWith(lib.path, other), kOpenWithAssociated);
        QCOMPARE(OpenWith(lib.path, 42), QString());

        // An empty description is the empty text, not an absent value.
        Database db(lib.path);
        Statement query(db, "select l_desc is null, length(l_desc) from SourceLib where l_id=?1", {id});
        QVERIFY(query.Next());
        QCOMPARE(query.Int(0), 0);
        QCOMPARE(query.Int(1), 0);
    }

    void AValueOverItsColumnsWidthIsRefusedAndNothingIsStored_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("desc");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("column"); // empty: the row fits
        const QString e = "é"; // widths count characters, not bytes
        QTest::newRow("all at their widths") << e.repeated(20) << e.repeated(30) << e.repeated(120)
                                             << "/" + e.repeated(88) + "/" + e.repeated(30) << "";
        QTest::newRow("language") << e.repeated(21) << "f" << "" << "/a.c" << "l_lang";
        QTest::newRow("category") << "C" << e.repeated(31) << "" << "/a.c" << "l_field";
        QTest::newRow("description") << "C" << "f" << e.repeated(121) << "/a.c" << "l_desc";
        QTest::newRow("path") << "C" << "f" << "" << "/" + e.repeated(116) + "/a.c" << "l_path";
        QTest::newRow("file name") << "C" << "f" << "" << "/src/" + e.repeated(31) << "l_filename";
    }

    void AValueOverItsColumnsWidthIsRefusedAndNothingIsStored()
    {
        QFETCH(QString, lang);
        QFETCH(QString, field);
        QFETCH(QString, desc);
        QFETCH(QString, path);
        QFETCH(QString, column);
        Library lib;
        const SourceRecord record{0, lang, field, desc, path, kOpenWithEditor, {}};
        if (column.isEmpty()) {
            QCOMPARE(AddSource(lib.path, record), 0);
            QCOMPARE(LoadSources(lib.path).size(), 1);
            return;
        }
        try {
            AddSource(lib.path, record);
            QFAIL("the row was stored");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.Text().contains(column), qPrintable(error.Text()));
        }
        QVERIFY(LoadSources(lib.path).isEmpty());
        // The refused row did not use up an id.
        QCOMPARE(lib.Add("/src/a.c"), 0);
    }
};

QTEST_MAIN(TestSourceLibrary)
#include "tst_sourcelibrary.moc"
