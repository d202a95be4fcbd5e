// Environments in the data file: ids, exact texts, column widths, removal, and all-or-nothing
// writes, on a real data file.
#include "TestSupport.h"
#include "data/DataFile.h"
#include "data/Environments.h"

using namespace data;

namespace {

// One EnvApps row as stored.
struct AppRow {
    int id;
    int envId;
    QString name;
    QString cmdLine;
    QString path;
    bool operator==(const AppRow&) const = default;
};

// Printed by QCOMPARE when two lists of rows differ.
char* toString(const AppRow& row)
{
    return QTest::toString(QStringLiteral("{%1, %2, %3, %4, %5}")
                               .arg(row.id)
                               .arg(row.envId)
                               .arg(row.name, row.cmdLine, row.path));
}

QList<AppRow> AppRows(const QString& path)
{
    Database db(path);
    Statement query(db, "select a_id, a_e_id, a_name, a_cmdline, a_path from EnvApps order by a_id");
    QList<AppRow> rows;
    while (query.Next())
        rows.append({query.Int(0), query.Int(1), query.Text(2), query.Text(3), query.Text(4)});
    return rows;
}

QStringList EnvRows(const QString& path)
{
    QStringList rows;
    for (const EnvRecord& env : LoadEnvironments(path))
        rows << QStringLiteral("%1|%2|%3").arg(env.id).arg(env.name, env.desc);
    return rows;
}

AppRecord App(const QString& name, const QString& cmdLine, const QString& path)
{
    return {name, cmdLine, path};
}

struct Fixture {
    Workspace workspace;
    QString db = workspace.File("qbdat.dbf");
    Fixture() { CreateDatabase(db); }
};

} // namespace

class TestEnvironments : public QObject {
    Q_OBJECT

private slots:
    void IdsStartAtZeroAndFollowTheHighestPresent()
    {
        Fixture f;
        QCOMPARE(AddEnvironment(f.db, "work", "daily", {App("ed", "-n a.txt", "/usr/bin/ed"), App("sh", "", "/bin/sh"),
                                                         App("vi", "x", "/usr/bin/vi")}),
                 0);
        QCOMPARE(AppRows(f.db), (QList<AppRow>{{0, 0, "ed", "-n a.txt", "/usr/bin/ed"},
                                               {1, 0, "sh", "", "/bin/sh"},
                                               {2, 0, "vi", "x", "/usr/bin/vi"}}));

        // Rows written by hand with higher ids: the next environment continues after them.
        Database(f.db).Execute("insert into Env values(7, 'old', '')");
        Database(f.db).Execute("insert into EnvApps values(41, 7, 'old', '', '/old')");
        QCOMPARE(AddEnvironment(f.db, "next", "", {App("a", "", "/a"), App("b", "", "/b")}), 8);
        QCOMPARE(AppRows(f.db).mid(4), (QList<AppRow>{{42, 8, "a", "", "/a"}, {43, 8, "b", "", "/b"}}));
    }

    void TextsAreStoredExactlyAndCutToTheirColumns()
    {
        Fixture f;
        const QString longCmd = QString(60, 'c') + "X";
        const QString longPath = "/" + QString(198, 'p') + "Z";
        AddEnvironment(f.db, "Ada's \"tools\"", "it's; drop table Env; --",
                       {App("O'Brien", "-t 'quoted' \"x\"", "C:\\Program Files\\O'Tool\\t.exe"),
                        App("long", longCmd, longPath)});
        QCOMPARE(EnvRows(f.db), QStringList{"0|Ada's \"tools\"|it's; drop table Env; --"});
        const QList<AppRow> apps = AppRows(f.db);
        QCOMPARE(apps.at(0), (AppRow{0, 0, "O'Brien", "-t 'quoted' \"x\"", "C:\\Program Files\\O'Tool\\t.exe"}));
        QCOMPARE(apps.at(1).cmdLine, QString(60, 'c'));
        QCOMPARE(apps.at(1).path, longPath.left(100));
    }

    void EachEnvironmentLoadsExactlyItsOwnApplicationsInOrder()
    {
        Fixture f;
        AddEnvironment(f.db, "first", "", {App("a", "1", "/p/a"), App("b", "", "/p/b")});
        AddEnvironment(f.db, "second", "", {App("c", "3", "/q/c")});
        auto launches = [&](int env) {
            QStringList list;
            for (const AppRecord& app : LoadApps(f.db, env))
                list << app.path + "|" + app.cmdLine;
            return list;
        };
        QCOMPARE(launches(0), (QStringList{"/p/a|1", "/p/b|"}));
        QCOMPARE(launches(1), QStringList{"/q/c|3"});
        QCOMPARE(launches(2), QStringList{});
        QCOMPARE(EnvRows(f.db), (QStringList{"0|first|", "1|second|"}));
    }

    void RemovingTakesTheApplicationsAlong()
    {
        Fixture f;
        AddEnvironment(f.db, "first", "", {App("a", "", "/a"), App("b", "", "/b")});
        AddEnvironment(f.db, "second", "", {App("c", "", "/c")});
        RemoveEnvironment(f.db, 0);
        QCOMPARE(EnvRows(f.db), QStringList{"1|second|"});
        QCOMPARE(AppRows(f.db), (QList<AppRow>{{2, 1, "c", "", "/c"}}));

        RemoveAllEnvironments(f.db);
        QVERIFY(LoadEnvironments(f.db).isEmpty());
        QVERIFY(AppRows(f.db).isEmpty());
        // Both tables empty: ids start from 0 again.
        QCOMPARE(AddEnvironment(f.db, "again", "", {App("d", "", "/d")}), 0);
        QCOMPARE(AppRows(f.db).at(0).id, 0);
    }

    void AFailureLeavesBothTablesAsTheyWere_data()
    {
        QTest::addColumn<QString>("desc");
        QTest::addColumn<QString>("refusedApp");
        QTest::addColumn<QString>("engineText");
        // The description has no cut of its own: the engine keeps the column's width.
        QTest::newRow("description over 60 characters") << QString(61, 'd') << QString() << "e_desc";
        QTest::newRow("the second application refused") << "fine" << "boom" << "refused";
    }

    void AFailureLeavesBothTablesAsTheyWere()
    {
        QFETCH(QString, desc);
        QFETCH(QString, refusedApp);
        QFETCH(QString, engineText);
        Fixture f;
        AddEnvironment(f.db, "kept", "", {App("k", "", "/k")});
        Database(f.db).Execute("create trigger refuse before insert on EnvApps when NEW.a_name = 'boom' "
                               "begin select raise(abort, 'refused'); end");
        const QStringList envBefore = EnvRows(f.db);
        const QList<AppRow> appsBefore = AppRows(f.db);

        try {
            AddEnvironment(f.db, "new", desc,
                           {App("first", "", "/f"), App(refusedApp, "", "/r"), App("last", "", "/l")});
            QFAIL("the write was not refused");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.Text().contains(engineText), qPrintable(error.Text()));
        }
        QCOMPARE(EnvRows(f.db), envBefore);
        QCOMPARE(AppRows(f.db), appsBefore);
        // The data file is usable afterwards and no id was used up.
        QCOMPARE(AddEnvironment(f.db, "after", "", {App("x", "", "/x")}), 1);
        QCOMPARE(AppRows(f.db).last().id, 1);
    }
};

QTEST_GUILESS_MAIN(TestEnvironments)
#include "tst_environments.moc"
