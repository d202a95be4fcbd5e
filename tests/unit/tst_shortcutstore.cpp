// The shortcut store and the controller's case rule, on a real data file.
#include "TestSupport.h"
#include "ui/MessageRecorder.h"
#include "core/CMain.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "data/ShortcutName.h"

#include <QSet>

using namespace data;

namespace {

struct Row {
    int id;
    QString shortcut;
    QString desc;
    QString text;
};

QList<Row> Rows(const QString& path)
{
    Database db(path);
    Statement query(db, "select s_id, s_shortcut, s_desc, s_text from Shortcuts order by s_id");
    QList<Row> rows;
    while (query.Next())
        rows.append({query.Int(0), query.Text(1), query.IsNull(2) ? QString("<null>") : query.Text(2), query.Text(3)});
    return rows;
}

ShortcutRecord* Record(const QString& shortcut, const QString& text, const QString& desc = QString())
{
    auto* record = new ShortcutRecord;
    record->shortcut = shortcut;
    record->desc = desc;
    record->text = text;
    return record;
}

QSet<QString> Enumerate(CMain& main)
{
    QSet<QString> names;
    while (ShortcutRecord* record = main.GetNextShortcut())
        names << record->shortcut;
    return names;
}

// A controller with its stores on a fresh data file in the workspace.
struct Fixture {
    Workspace workspace;
    CMain main;
    Fixture(int caseSensitive = 0)
    {
        main.m_strDatabase = workspace.File("qbdat.dbf");
        main.m_bShortcutsCaseSensitive = caseSensitive;
        CreateDatabase(main.m_strDatabase);
    }
    void Seed(const QList<Row>& rows)
    {
        Database db(main.m_strDatabase);
        for (const Row& row : rows)
            db.Execute("insert into Shortcuts values(?1, ?2, ?3, ?4)",
                       {row.id, row.shortcut, row.desc == "<null>" ? QVariant() : QVariant(row.desc), row.text});
    }
};

} // namespace

class TestShortcutStore : public QObject {
    Q_OBJECT

private slots:
    void IdsFollowTheLoadedTableAndKeepRisingAfterRemoveAll()
    {
        Fixture f;
        f.main.CreateStores();
        f.main.AddShortcut(Record("a", "first"));
        f.main.AddShortcut(Record("b", "second"));
        QCOMPARE(Rows(f.main.m_strDatabase).last().id, 1);

        Fixture g;
        g.Seed({{0, "x", "", "x"}, {1, "y", "", "y"}, {7, "z", "", "z"}});
        g.main.CreateStores();
        g.main.AddShortcut(Record("w", "w"));
        QCOMPARE(Rows(g.main.m_strDatabase).last().id, 8);
        g.main.RemoveAllShortcuts();
        QVERIFY(Rows(g.main.m_strDatabase).isEmpty());
        g.main.AddShortcut(Record("v", "v"));
        QCOMPARE(Rows(g.main.m_strDatabase).first().id, 9);
        // A new load of the emptied table starts again from 0.
        g.main.RemoveAllShortcuts();
        g.main.ReloadShortcuts();
        g.main.AddShortcut(Record("u", "u"));
        QCOMPARE(Rows(g.main.m_strDatabase).first().id, 0);
    }

    void CaseRuleLowersNamesUnlessCaseSensitive()
    {
        Fixture insensitive;
        insensitive.main.CreateStores();
        insensitive.main.AddShortcut(Record("ABC", "alphabet"));
        QCOMPARE(Rows(insensitive.main.m_strDatabase).first().shortcut, QString("abc"));
        QCOMPARE(Enumerate(insensitive.main), QSet<QString>{"abc"});
        QVERIFY(insensitive.main.FindShortcut("Abc"));
        QCOMPARE(insensitive.main.FindShortcut("ABC")->text, QString("alphabet"));

        Fixture sensitive(1);
        sensitive.main.CreateStores();
        sensitive.main.AddShortcut(Record("ABC", "capitals"));
        sensitive.main.AddShortcut(Record("abc", "small"));
        QCOMPARE(Enumerate(sensitive.main), (QSet<QString>{"ABC", "abc"}));
        QVERIFY(!sensitive.main.FindShortcut("Abc"));
        QCOMPARE(sensitive.main.FindShortcut("ABC")->text, QString("capitals"));

        // Stored with capitals while case-sensitive, then the preference turns off: no longer found.
        sensitive.main.m_bShortcutsCaseSensitive = 0;
        QCOMPARE(sensitive.main.FindShortcut("ABC")->text, QString("small"));
        sensitive.main.RemoveShortcut("abc");
        QVERIFY(!sensitive.main.FindShortcut("ABC"));
    }

    void AddingAnExistingNameReplacesItAndRemoveDeletesEveryRow()
    {
        Fixture f;
        f.main.CreateStores();
        f.main.AddShortcut(Record("it's", "one"));
        f.main.AddShortcut(Record("it's", "two"));
        QCOMPARE(f.main.FindShortcut("it's")->text, QString("two"));
        QCOMPARE(Rows(f.main.m_strDatabase).size(), 2);
        // The next load keeps the row read last.
        f.main.ReloadShortcuts();
        QCOMPARE(f.main.FindShortcut("it's")->text, QString("two"));

        MessageRecorder messages;
        QVERIFY(f.main.RemoveShortcut("it's"));
        QVERIFY(Rows(f.main.m_strDatabase).isEmpty());
        QVERIFY(!f.main.FindShortcut("it's"));
        QCOMPARE(messages.Count(), 0);

        QVERIFY(!f.main.RemoveShortcut("nothing"));
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QString("Error occured:\nCannot remove from collection"));
        QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
    }

    void EnumerationEndsWithNullAndStartsOver()
    {
        Fixture f;
        f.main.CreateStores();
        QCOMPARE(f.main.GetNextShortcut(), nullptr);
        for (const char* name : {"one", "two", "six"})
            f.main.AddShortcut(Record(name, name));
        QSet<QString> seen;
        for (int i = 0; i < 3; ++i) {
            ShortcutRecord* record = f.main.GetNextShortcut();
            QVERIFY(record);
            seen << record->shortcut;
        }
        QCOMPARE(seen, (QSet<QString>{"one", "two", "six"}));
        QCOMPARE(f.main.GetNextShortcut(), nullptr);
        QVERIFY(f.main.GetNextShortcut());
    }

    void LoadReadsNullDescriptionsAndTextsExactly()
    {
        Fixture f;
        const QString text = QString::fromUtf8("line one\r\nline two 👍 'quoted'");
        f.Seed({{3, "nul", "<null>", text}});
        f.main.CreateStores();
        ShortcutRecord* record = f.main.FindShortcut("nul");
        QVERIFY(record);
        QCOMPARE(record->desc, QString());
        QCOMPARE(record->text, text);
        QVERIFY(f.main.ShortcutTextExists(text));
        QVERIFY(!f.main.ShortcutTextExists(text.toUpper()));
    }

    void ARefusedRowChangesNothing()
    {
        Fixture f;
        f.main.CreateStores();
        f.main.AddShortcut(Record("keep", "kept"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, f.main.AddShortcut(Record("long", QString(256, 'x'))));
        QVERIFY(!f.main.FindShortcut("long"));
        f.main.AddShortcut(Record("next", "n"));
        const QList<Row> rows = Rows(f.main.m_strDatabase);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.last().id, 1);
    }

    void NamesAreTheShortestFreePrefix_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected"); // empty: no name can be derived
        QTest::newRow("hel") << "hello world" << QStringList() << "hel";
        QTest::newRow("hell") << "hello world" << QStringList{"hel"} << "hell";
        QTest::newRow("hello") << "hello world" << QStringList{"hel", "hell"} << "hello";
        QTest::newRow("ends in a space") << "hello world" << QStringList{"hel", "hell", "hello"} << "";
        QTest::newRow("short text") << "ab" << QStringList() << "ab";
        QTest::newRow("short text taken") << "ab" << QStringList{"ab"} << "";
        QTest::newRow("third is a space") << "ab cd" << QStringList() << "";
        QTest::newRow("ten never offered") << "abcdefghijklmnopqrst"
                                           << QStringList{"abc", "abcd", "abcde", "abcdef", "abcdefg", "abcdefgh", "abcdefghi"}
                                           << "";
        QTest::newRow("int prefix") << "int x = 0;" << QStringList() << "int";
        QTest::newRow("int taken") << "int x = 0;" << QStringList{"int"} << "";
    }

    void NamesAreTheShortestFreePrefix()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const auto name = MakeShortcutName(text, [&](const QString& n) { return taken.contains(n); });
        QCOMPARE(name.value_or(QString()), expected);
        // A promoted clipboard item always gets a free name of at most 12 characters.
        const QString free = MakeFreeShortcutName(text, [&](const QString& n) { return taken.contains(n); });
        QVERIFY(!free.isEmpty() && free.size() <= 12 && !taken.contains(free));
        if (!expected.isEmpty())
            QCOMPARE(free, expected);
    }

    void PromotedNamesStayFreeAndShort()
    {
        QStringList taken = {"int"};
        QStringList made;
        for (int i = 0; i < 12; ++i) {
            const QString name = MakeFreeShortcutName("int x = 0;", [&](const QString& n) { return taken.contains(n); });
            QVERIFY2(name.size() <= 12, qPrintable(name));
            QVERIFY(!taken.contains(name));
            taken << name;
            made << name;
        }
        QCOMPARE(made.first(), QString("int_"));
        QCOMPARE(made.at(1), QString("int_2"));
        QCOMPARE(MakeFreeShortcutName(QString(20, 'q') + "   ", [](const QString& n) { return n.size() >= 3 && n.size() < 10; }),
                 QString("qqqqqqqqq_"));
    }
};

QTEST_GUILESS_MAIN(TestShortcutStore)
#include "tst_shortcutstore.moc"
