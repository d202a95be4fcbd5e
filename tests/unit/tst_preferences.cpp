// The preferences: missing or unreadable values give way to their defaults, which are written back,
// and only a missing ClipboardActive marks the first run. The terminals named in the settings.
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/Preferences.h"
#include "core/Terminals.h"

#include <memory>

class TestPreferences : public QObject {
    Q_OBJECT

private slots:
    void MissingOrSentinelValuesAreReplaced_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // invalid: the key is absent
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("ClipboardActive absent") << "ClipboardActive" << QVariant() << "1" << true;
        QTest::newRow("ClipboardActive -1") << "ClipboardActive" << QVariant(-1) << "1" << true;
        QTest::newRow("database absent") << "database" << QVariant() << "<default>" << false;
        QTest::newRow("EditorPath empty") << "EditorPath" << QVariant("") << "notepad" << false;
        QTest::newRow("capacity -1") << "MaxClipboardItems" << QVariant(-1) << "10" << false;
        QTest::newRow("capacity not a number") << "MaxClipboardItems" << QVariant("many") << "10" << false;
        QTest::newRow("capacity out of range is kept") << "MaxClipboardItems" << QVariant(10000) << "10000" << false;
        QTest::newRow("UpgradeToShortcut -1 is legitimate") << "UpgradeToShortcut" << QVariant(-1) << "-1" << false;
        QTest::newRow("UpgradeToShortcut -2 reads as missing") << "UpgradeToShortcut" << QVariant(-2) << "-1" << false;
        QTest::newRow("custom editor kept") << "EditorPath" << QVariant("/opt/ed it/ed") << "/opt/ed it/ed" << false;
    }

    void MissingOrSentinelValuesAreReplaced()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);
        QFETCH(bool, firstRun);
        Workspace workspace;
        {
            // A complete profile from an earlier run, with the one key of the row changed.
            CMain earlier;
            std::unique_ptr<QSettings> settings(OpenSettings());
            ReadPreferences(earlier, *settings);
            if (stored.isValid())
                settings->setValue("Prefrences/" + key, stored);
            else
                settings->remove("Prefrences/" + key);
        }
        CMain main;
        std::unique_ptr<QSettings> settings(OpenSettings());
        QCOMPARE(ReadPreferences(main, *settings), firstRun);
        settings.reset();
        if (expected == "<default>")
            expected = DefaultDatabasePath();
        // What was read is what the file now holds.
        QCOMPARE(QSettings(workspace.SettingsFile(), QSettings::IniFormat).value("Prefrences/" + key).toString(), expected);
    }

    void TerminalsAndTypedWords()
    {
        // The common terminals and the user's own, which come first.
        Workspace workspace;
        std::unique_ptr<QSettings> settings(OpenSettings());
        settings->setValue("Terminals/PasteCtrlShiftV", "myterm, other");
        settings->setValue("Terminals/PasteShiftInsert", "kitty");
        const TerminalClasses terminals = TerminalClasses::Read(*settings);
        const std::pair<QStringList, TerminalPaste> classes[] = {
            {{"xterm", "XTerm"}, TerminalPaste::ShiftInsert}, {{"lxterminal", "Lxterminal"}, TerminalPaste::CtrlShiftV},
            {{"mousepad", "Mousepad"}, TerminalPaste::None},  {{"main", "MyTerm"}, TerminalPaste::CtrlShiftV},
            {{"kitty", "kitty"}, TerminalPaste::ShiftInsert}};
        for (const auto& [windowClass, paste] : classes)
            QVERIFY2(terminals.PasteOf(windowClass) == paste, qPrintable(windowClass.join(',')));
        // The words the characters typed may end with; an end begun before the characters kept is none.
        const std::tuple<QString, bool, QStringList> typed[] = {
            {"echo sig", false, {"sig"}},       {"say (sig", false, {"(sig", "sig"}}, {"sig ", false, {}},
            {"bcdefghijsig", true, {}},         {"bcdefghi sig", true, {"sig"}},      {"x zqx_", false, {"zqx_"}}};
        for (const auto& [text, cut, words] : typed)
            QCOMPARE(TypedWords(text, cut), words);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
