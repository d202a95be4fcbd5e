// Shortcut names made from a text, and the clipboard history's capacity through the controller, on
// a real data file.
#include "TestSupport.h"
#include "core/CMain.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "data/ShortcutName.h"

using namespace data;

namespace {

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
    Fixture()
    {
        main.m_strDatabase = workspace.File("qbdat.dbf");
        main.m_bShortcutsCaseSensitive = 0;
        CreateDatabase(main.m_strDatabase);
        main.CreateStores();
    }
};

} // namespace

class TestStores : public QObject {
    Q_OBJECT

private slots:
    void NamesAreTheShortestFreePrefix()
    {
        // The text, the names taken, the name derived (empty: none can be).
        const std::tuple<QString, QStringList, QString> cases[] = {
            {"hello world", {}, "hel"},
            {"hello world", {"hel", "hell"}, "hello"},
            {"hello world", {"hel", "hell", "hello"}, ""}, // ends in a space
            {"ab", {}, "ab"},
            {"ab cd", {}, ""}, // the third is a space
            {"abcdefghijklmnopqrst", {"abc", "abcd", "abcde", "abcdef", "abcdefg", "abcdefgh", "abcdefghi"}, ""}, // ten never offered
        };
        for (const auto& [text, taken, expected] : cases) {
            const auto isTaken = [&](const QString& n) { return taken.contains(n); };
            QCOMPARE(MakeShortcutName(text, isTaken).value_or(QString()), expected);
            // A promoted clipboard item always gets a free name of at most 12 characters.
            const QString free = MakeFreeShortcutName(text, isTaken);
            QVERIFY(!free.isEmpty() && free.size() <= 12 && !taken.contains(free));
            if (!expected.isEmpty())
                QCOMPARE(free, expected);
        }
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
};

QTEST_GUILESS_MAIN(TestStores)
#include "tst_stores.moc"
