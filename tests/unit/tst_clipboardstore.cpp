// The clipboard history: capacity, iteration, uses and promotion, save and load.
#include "TestSupport.h"
#include "core/CMain.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"

using namespace data;

namespace {

QStringList Items(CMain& main)
{
    QStringList items;
    for (QString text; main.GetNextClipboardItem(text), text != CClipboard::End;)
        items << text;
    return items;
}

QStringList Rows(const QString& path)
{
    Database db(path);
    Statement query(db, "select c_id, c_text from Clipboard order by c_id");
    QStringList rows;
    while (query.Next())
        rows << QString("%1:%2").arg(query.Int(0)).arg(query.Text(1));
    return rows;
}

struct Fixture {
    Workspace workspace;
    CMain main;
    Fixture()
    {
        main.m_strDatabase = workspace.File("qbdat.dbf");
        CreateDatabase(main.m_strDatabase);
        main.CreateStores();
    }
};

} // namespace

class TestClipboardStore : public QObject {
    Q_OBJECT

private slots:
    void CapacityDropsTheOldest()
    {
        Fixture f;
        f.main.m_nMaxClipboardItems = 10;
        for (int i = 1; i <= 11; ++i)
            f.main.AddClipboardText(QString::number(i));
        QCOMPARE(f.main.m_pClipboard->Count(), 10);
        QCOMPARE(Items(f.main).first(), QString("2"));
        QCOMPARE(Items(f.main).last(), QString("11"));

        // Lowered below what is held: every add still drops exactly one, so the count stays.
        f.main.m_nMaxClipboardItems = 5;
        f.main.AddClipboardText("12");
        QCOMPARE(f.main.m_pClipboard->Count(), 10);
        QCOMPARE(Items(f.main).first(), QString("3"));

        // The same text is kept twice.
        f.main.AddClipboardText("12");
        QCOMPARE(Items(f.main).count("12"), 2);
    }

    void CapacityBelowOneKeepsTheNewestItem_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("0") << 0;
        QTest::newRow("-5") << -5;
    }

    void CapacityBelowOneKeepsTheNewestItem()
    {
        QFETCH(int, capacity);
        Fixture f;
        f.main.m_nMaxClipboardItems = capacity;
        f.main.AddClipboardText("a");
        f.main.AddClipboardText("b");
        QCOMPARE(Items(f.main), QStringList{"b"});
    }

    void IterationEndsWithFailAndStartsOver()
    {
        Fixture f;
        QString text;
        for (int i = 0; i < 3; ++i) {
            f.main.GetNextClipboardItem(text);
            QCOMPARE(text, QString("FAIL"));
        }
        f.main.AddClipboardText("a");
        f.main.AddClipboardText("b");
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            f.main.GetNextClipboardItem(text);
            seen << text;
        }
        QCOMPARE(seen, (QStringList{"a", "b", "FAIL", "a"}));
        // Delete rewinds to the head.
        f.main.DeleteClipboardItem(1);
        f.main.GetNextClipboardItem(text);
        QCOMPARE(text, QString("a"));
        f.main.DeleteAllClipboardItems();
        f.main.GetNextClipboardItem(text);
        QCOMPARE(text, QString("FAIL"));
    }

    void UsePromotesAtExactlyTheUpgradeCount()
    {
        Fixture f;
        f.main.m_nUpgradeToShortcut = 3;
        f.main.AddClipboardText("printf(\"%d\\n\", x);");
        f.main.AddClipboardText("int x = 0;");
        f.main.UseClipboardItem(0);
        f.main.UseClipboardItem(0);
        QCOMPARE(f.main.m_pShortcut->Count(), 0);
        f.main.UseClipboardItem(0);
        QCOMPARE(f.main.m_pShortcut->Count(), 1);
        QCOMPARE(f.main.FindShortcut("pri")->text, QString("printf(\"%d\\n\", x);"));
        f.main.UseClipboardItem(0);
        QCOMPARE(f.main.m_pShortcut->Count(), 1);

        // "int" is free: the item becomes "int". Its text already a shortcut's: nothing more.
        for (int i = 0; i < 3; ++i)
            f.main.UseClipboardItem(1);
        QCOMPARE(f.main.FindShortcut("int")->text, QString("int x = 0;"));
        f.main.AddClipboardText("int x = 0;");
        for (int i = 0; i < 3; ++i)
            f.main.UseClipboardItem(2);
        QCOMPARE(f.main.m_pShortcut->Count(), 2);

        // With "int" taken, the next prefix ends in a space: a free name is formed.
        f.main.AddClipboardText("int y = 1;");
        for (int i = 0; i < 3; ++i)
            f.main.UseClipboardItem(3);
        QCOMPARE(f.main.m_pShortcut->Count(), 3);
        QCOMPARE(f.main.FindShortcut("int_")->text, QString("int y = 1;"));

        // Never with -1.
        Fixture never;
        never.main.m_nUpgradeToShortcut = -1;
        never.main.AddClipboardText("never");
        for (int i = 0; i < 10; ++i)
            never.main.UseClipboardItem(0);
        QCOMPARE(never.main.m_pShortcut->Count(), 0);
    }

    void PromotedNamesFollowTheCaseRule()
    {
        Fixture f;
        f.main.m_nUpgradeToShortcut = 2;
        f.main.AddClipboardText("Hello there");
        f.main.UseClipboardItem(0);
        f.main.UseClipboardItem(0);
        // Typed names are looked up in small letters, so the promoted name is stored that way.
        QVERIFY(f.main.FindShortcut("HEL"));
        QCOMPARE(f.main.GetNextShortcut()->shortcut, QString("hel"));
    }

    void SaveWritesInOrderAndLoadReverses()
    {
        Fixture f;
        for (const char* text : {"one", "two", "three"})
            f.main.AddClipboardText(text);
        f.main.UseClipboardItem(0);
        f.main.SaveClipboard();
        QCOMPARE(Rows(f.main.m_strDatabase), (QStringList{"0:one", "1:two", "2:three"}));
        // Saving again replaces the rows, it does not add to them.
        f.main.SaveClipboard();
        QCOMPARE(Rows(f.main.m_strDatabase).size(), 3);

        f.main.m_nMaxClipboardItems = 2; // not applied by a load
        f.main.LoadClipboard();
        QCOMPARE(Items(f.main), (QStringList{"three", "two", "one"}));
        QCOMPARE(f.main.m_pClipboard->Count(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(f.main.m_pClipboard->At(i).m_nUseCount, 0);
    }

    void LongTextsAreSavedCutAndKeptWholeInMemory()
    {
        Fixture f;
        const QString emoji = QString::fromUtf8("👍");
        const QString longText = QString(119, 'a') + emoji + "tail";
        f.main.AddClipboardText(longText);
        f.main.AddClipboardText("short");
        f.main.SaveClipboard();
        QCOMPARE(Rows(f.main.m_strDatabase), (QStringList{"0:" + QString(119, 'a') + emoji, "1:short"}));
        QCOMPARE(Items(f.main).first(), longText);
    }

    void AFailedSaveLeavesTheTableAsItWas()
    {
        Fixture f;
        f.main.AddClipboardText("saved before");
        f.main.SaveClipboard();
        {
            // A second program holds a write transaction longer than the busy timeout.
            Database other(f.main.m_strDatabase);
            other.Execute("BEGIN IMMEDIATE");
            f.main.AddClipboardText("new");
            QVERIFY_THROWS_EXCEPTION(DatabaseError, f.main.SaveClipboard());
            other.Execute("ROLLBACK");
        }
        QCOMPARE(Rows(f.main.m_strDatabase), QStringList{"0:saved before"});
        // A failed load leaves the history as it was.
        QFile::remove(f.main.m_strDatabase);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, f.main.LoadClipboard());
        QCOMPARE(Items(f.main), (QStringList{"saved before", "new"}));
    }
};

QTEST_GUILESS_MAIN(TestClipboardStore)
#include "tst_clipboardstore.moc"
