// Shortcut names made from a text, and the clipboard history's capacity, save and load through the
// controller, on a real data file.
#include "TestSupport.h"
#include "ui/MessageRecorder.h"
#include "core/CMain.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "data/ShortcutName.h"

using namespace data;

namespace {

// "id:text" of every saved clipboard item.
QStringList Rows(const QString& path, const char* query)
{
    Database db(path);
    QStringList rows;
    for (Statement rowsOf(db, query); rowsOf.Next();)
        rows << QString("%1:%2").arg(rowsOf.Int(0)).arg(rowsOf.Text(1));
    return rows;
}
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
