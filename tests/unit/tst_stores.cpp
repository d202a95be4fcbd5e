// The shortcut store and the clipboard history through the controller, on a real data file.
#include "TestSupport.h"
#include "ui/MessageRecorder.h"
#include "core/CMain.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "data/ShortcutName.h"

using namespace data;

namespace {

ShortcutRecord* Record(const QString& shortcut, const QString& text)
{
    return new ShortcutRecord{0, shortcut, QString(), text};
}

// "id:name" of every stored shortcut, or "id:text" of every saved clipboard item.
QStringList Rows(const QString& path, const char* query)
{
    Database db(path);
    QStringList rows;
    for (Statement rowsOf(db, query); rowsOf.Next();)
        rows << QString("%1:%2").arg(rowsOf.Int(0)).arg(rowsOf.Text(1));
    return rows;
}
const char* const kShortcuts = "select s_id, s_shortcut from Shortcuts order by s_id";
const char* const kClipboard = "select c_id, c_text from Clipboard order by c_id";

QStringList History(CMain& main)
{
    QStringList items;
    for (int i = 0; i < main.m_pClipboard->Count(); ++i)
        items << main.m_pClipboard->At(i).m_strText;
    return items;
}

struct Fixture {
    Workspace workspace;
    CMain main;
    explicit Fixture(int caseSensitive = 0, const QString& seed = QString())
    {
        main.m_strDatabase = workspace.File("qbdat.dbf");
        main.m_bShortcutsCaseSensitive = caseSensitive;
        CreateDatabase(main.m_strDatabase);
        if (!seed.isEmpty())
            Database(main.m_strDatabase).Execute(seed);
        main.CreateStores();
    }
};

} // namespace

class TestStores : public QObject {
    Q_OBJECT

private slots:
    // New rows never take the id of a row stored before, even after Remove all.
    void ShortcutIdsFollowTheLoadedTable()
    {
        Fixture f(0, "insert into Shortcuts values(7, 'z', null, 'z')");
        f.main.AddShortcut(Record("w", "w"));
        f.main.RemoveAllShortcuts();
        f.main.AddShortcut(Record("v", "v"));
        QCOMPARE(Rows(f.main.m_strDatabase, kShortcuts), QStringList{"9:v"});
        // A refused row changes nothing and uses up no id.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, f.main.AddShortcut(Record("long", QString(256, 'x'))));
        QVERIFY(!f.main.FindShortcut("long"));
        f.main.AddShortcut(Record("u", "u"));
        QCOMPARE(Rows(f.main.m_strDatabase, kShortcuts), (QStringList{"9:v", "10:u"}));
    }

    void CaseRuleLowersNamesUnlessCaseSensitive()
    {
        Fixture insensitive;
        insensitive.main.AddShortcut(Record("ABC", "alphabet"));
        QCOMPARE(Rows(insensitive.main.m_strDatabase, kShortcuts), QStringList{"0:abc"});
        QCOMPARE(insensitive.main.FindShortcut("Abc")->text, QString("alphabet"));

        Fixture sensitive(1);
        sensitive.main.AddShortcut(Record("ABC", "capitals"));
        sensitive.main.AddShortcut(Record("abc", "small"));
        QVERIFY(!sensitive.main.FindShortcut("Abc"));
        QCOMPARE(sensitive.main.FindShortcut("ABC")->text, QString("capitals"));
        // The preference turned off: typed names are looked up in small letters.
        sensitive.main.m_bShortcutsCaseSensitive = 0;
        QCOMPARE(sensitive.main.FindShortcut("ABC")->text, QString("small"));
    }

    void AddingAnExistingNameReplacesItAndTextsLoadExactly()
    {
        const QString text = QString::fromUtf8("line one\r\nline two 👍 'quoted'");
        Fixture f(0, "insert into Shortcuts values(3, 'nul', null, 'old')");
        f.main.AddShortcut(Record("nul", text));
        f.main.ReloadShortcuts(); // the row read last wins
        QCOMPARE(f.main.FindShortcut("nul")->text, text);
        QCOMPARE(f.main.FindShortcut("nul")->desc, QString());
        QVERIFY(f.main.ShortcutTextExists(text));

        MessageRecorder messages;
        QVERIFY(f.main.RemoveShortcut("nul"));
        QVERIFY(Rows(f.main.m_strDatabase, kShortcuts).isEmpty());
        QCOMPARE(messages.Count(), 0);
        QVERIFY(!f.main.RemoveShortcut("nothing"));
        QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
    }

    void NamesAreTheShortestFreePrefix_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected"); // empty: no name can be derived
        QTest::newRow("hel") << "hello world" << QStringList() << "hel";
        QTest::newRow("hello") << "hello world" << QStringList{"hel", "hell"} << "hello";
        QTest::newRow("ends in a space") << "hello world" << QStringList{"hel", "hell", "hello"} << "";
        QTest::newRow("short text") << "ab" << QStringList() << "ab";
        QTest::newRow("third is a space") << "ab cd" << QStringList() << "";
        QTest::newRow("ten never offered") << "abcdefghijklmnopqrst"
                                           << QStringList{"abc", "abcd", "abcde", "abcdef", "abcdefg", "abcdefgh", "abcdefghi"}
                                           << "";
    }

    void NamesAreTheShortestFreePrefix()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const auto isTaken = [&](const QString& n) { return taken.contains(n); };
        QCOMPARE(MakeShortcutName(text, isTaken).value_or(QString()), expected);
        // A promoted clipboard item always gets a free name of at most 12 characters.
        const QString free = MakeFreeShortcutName(text, isTaken);
        QVERIFY(!free.isEmpty() && free.size() <= 12 && !taken.contains(free));
        if (!expected.isEmpty())
            QCOMPARE(free, expected);
    }

    void CapacityDropsTheOldestAndKeepsAtLeastOne()
    {
        Fixture f;
        f.main.m_nMaxClipboardItems = 3;
        for (const char* text : {"1", "2", "3", "3"})
            f.main.AddClipboardText(text);
        QCOMPARE(History(f.main), (QStringList{"2", "3", "3"}));
        f.main.m_nMaxClipboardItems = 0;
        f.main.DeleteAllClipboardItems();
        f.main.AddClipboardText("a");
        f.main.AddClipboardText("b");
        QCOMPARE(History(f.main), QStringList{"b"});
    }

    void UsePromotesAtExactlyTheUpgradeCount()
    {
        Fixture f;
        f.main.m_nUpgradeToShortcut = 3;
        for (const char* text : {"Printf(\"%d\\n\", x);", "int x = 0;", "int y = 1;"})
            f.main.AddClipboardText(text);
        const auto use = [&](int item, int times) {
            for (int i = 0; i < times; ++i)
                f.main.UseClipboardItem(item);
        };
        use(0, 2);
        QCOMPARE(f.main.m_pShortcut->Count(), 0);
        use(0, 2); // the third use promotes, the fourth adds nothing
        QCOMPARE(f.main.m_pShortcut->Count(), 1);
        QCOMPARE(f.main.FindShortcut("pri")->shortcut, QString("pri")); // under the case rule
        use(1, 3);
        use(2, 3); // "int" taken and the next prefix ends in a space: a free name is formed
        QCOMPARE(f.main.FindShortcut("int")->text, QString("int x = 0;"));
        QCOMPARE(f.main.FindShortcut("int_")->text, QString("int y = 1;"));
        // Its text already a shortcut's: nothing more.
        f.main.AddClipboardText("int x = 0;");
        use(3, 3);
        QCOMPARE(f.main.m_pShortcut->Count(), 3);
        f.main.m_nUpgradeToShortcut = -1; // never
        f.main.AddClipboardText("never");
        use(4, 10);
        QCOMPARE(f.main.m_pShortcut->Count(), 3);
    }

    // Save writes the history in order (long texts cut to the column), replacing what was saved;
    // a load gives them back newest first, uses forgotten, the whole texts kept in memory until then.
    void SaveAndLoad()
    {
        Fixture f;
        const QString longText = QString(119, 'a') + QString::fromUtf8("👍") + "tail";
        for (const QString& text : {QString("one"), QString("two"), longText})
            f.main.AddClipboardText(text);
        f.main.UseClipboardItem(0);
        f.main.SaveClipboard();
        f.main.SaveClipboard();
        QCOMPARE(Rows(f.main.m_strDatabase, kClipboard), (QStringList{"0:one", "1:two", "2:" + longText.left(121)}));
        QCOMPARE(History(f.main).last(), longText);
        f.main.m_nMaxClipboardItems = 2; // not applied by a load
        f.main.LoadClipboard();
        QCOMPARE(History(f.main), (QStringList{longText.left(121), "two", "one"}));
        QCOMPARE(f.main.m_pClipboard->At(2).m_nUseCount, 0);
    }
};

QTEST_GUILESS_MAIN(TestStores)
#include "tst_stores.moc"
