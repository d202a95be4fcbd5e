// Terminals: which windows are terminals and how they paste, with the user's own classes, and the
// words that the characters typed into one may end with.
#include "core/Terminals.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TerminalPaste)

class TestTerminals : public QObject {
    Q_OBJECT

private slots:
    void PasteKey_data()
    {
        QTest::addColumn<QStringList>("windowClass");
        QTest::addColumn<TerminalPaste>("paste");
        QTest::newRow("xterm") << QStringList{"xterm", "XTerm"} << TerminalPaste::ShiftInsert;
        QTest::newRow("VTE") << QStringList{"lxterminal", "Lxterminal"} << TerminalPaste::CtrlShiftV;
        QTest::newRow("an editor") << QStringList{"mousepad", "Mousepad"} << TerminalPaste::None;
        QTest::newRow("no class") << QStringList{} << TerminalPaste::None;
        QTest::newRow("the user's, by class") << QStringList{"main", "MyTerm"} << TerminalPaste::CtrlShiftV;
        QTest::newRow("a common one moved by the user") << QStringList{"kitty", "kitty"} << TerminalPaste::ShiftInsert;
    }

    void PasteKey()
    {
        QFETCH(QStringList, windowClass);
        QFETCH(TerminalPaste, paste);
        QTemporaryDir dir;
        QSettings settings(dir.filePath("q.conf"), QSettings::IniFormat);
        settings.setValue("Terminals/PasteCtrlShiftV", "myterm, other");
        settings.setValue("Terminals/PasteShiftInsert", "kitty");
        QCOMPARE(TerminalClasses::Read(settings).PasteOf(windowClass), paste);
    }

    void TypedWords_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("after a blank") << "echo sig" << false << QStringList{"sig"};
        QTest::newRow("after punctuation") << "say (sig" << false << QStringList{"(sig", "sig"};
        QTest::newRow("all of it") << "sig" << false << QStringList{"sig"};
        QTest::newRow("begun before what was kept") << "bcdefghijsig" << true << QStringList{};
        QTest::newRow("kept part after a blank") << "bcdefghi sig" << true << QStringList{"sig"};
        QTest::newRow("a blank last") << "sig " << false << QStringList{};
        QTest::newRow("nothing") << "" << false << QStringList{};
        QTest::newRow("a name with _") << "x zqx_" << false << QStringList{"zqx_"};
    }

    void TypedWords()
    {
        QFETCH(QString, typed);
        QFETCH(bool, cut);
        QFETCH(QStringList, words);
        QCOMPARE(::TypedWords(typed, cut), words);
    }
};

QTEST_GUILESS_MAIN(TestTerminals)
#include "tst_terminals.moc"
