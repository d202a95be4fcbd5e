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
    void MissingOrSentinelValuesAreReplaced()
    {
        const struct {
            QString key;
            QVariant stored; // invalid: the key is absent
            QString expected;
            bool firstRun;
        } cases[] = {
            {"ClipboardActive", QVariant(), "1", true},
            {"ClipboardActive", -1, "1", true},
            {"database", QVariant(), "<default>", false},
            {"EditorPath", "", "notepad", false},
            {"MaxClipboardItems", -1, "10", false},
            {"MaxClipboardItems", "many", "10", false},
            {"MaxClipboardItems", 10000, "10000", false}, // out of range, kept
            {"UpgradeToShortcut", -1, "-1", false},       // legitimate
            {"UpgradeToShortcut", -2, "-1", false},       // reads as missing
            {"EditorPath", "/opt/ed it/ed", "/opt/ed it/ed", false},
        };
        for (const auto& c : cases) {
            Workspace workspace;
            {
                // A complete profile from an earlier run, with the one key of the case changed.
                CMain earlier;
                std::unique_ptr<QSettings> settings(OpenSettings());
                ReadPreferences(earlier, *settings);
                if (c.stored.isValid())
                    settings->setValue("Prefrences/" + c.key, c.stored);
                else
                    settings->remove("Prefrences/" + c.key);
            }
            CMain main;
            std::unique_ptr<QSettings> settings(OpenSettings());
            QVERIFY2(ReadPreferences(main, *settings) == c.firstRun, qPrintable(c.key));
            settings.reset();
            // What was read is what the file now holds.
            QCOMPARE(QSettings(workspace.SettingsFile(), QSettings::IniFormat).value("Prefrences/" + c.key).toString(),
                     c.expected == "<default>" ? DefaultDatabasePath() : c.expected);
        }
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
