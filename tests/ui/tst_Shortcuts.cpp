// The shortcuts service: the expansion against a played editor, and the New shortcut page's
// names and messages.
#include "ServiceFixture.h"
#include "data/CShortcut.h"
#include "ui/MessageRecorder.h"
#include "ui/clipboard/CClipboardManagerPage.h"
#include "ui/framework/CReportList.h"
#include "ui/shortcuts/CShortcutsPropSheet.h"

#include <QLineEdit>
#include <QPlainTextEdit>

using platform::FakeKeyboard;

namespace {

// Plays an editor holding `word` before the caret: Ctrl+C puts the word on the clipboard (or
// copies nothing when the word is empty), Ctrl+V records what was pasted.
struct PlayedEditor {
    QString word;
    QStringList pasted;
    bool pastedTransient = false;
    void Attach(ServiceFixture& f)
    {
        platform::FakeClipboardWriter* clipboard = f.fakes.clipboardWriter;
        f.fakes.keyboard->onKey = [this, clipboard](int vk, bool up) {
            if (vk == platform::VK_C && up && !word.isEmpty())
                clipboard->Copy(word);
            if (vk == platform::VK_V && up) {
                bool secret = false;
                pasted << clipboard->Text(&secret);
                pastedTransient = secret;
            }
        };
    }
};

QList<FakeKeyboard::Event> Keys(std::initializer_list<std::pair<int, bool>> keys)
{
    QList<FakeKeyboard::Event> events;
    for (auto [vk, up] : keys)
        events.append({vk, up});
    return events;
}

using namespace platform;
const auto CopyWord = Keys({{VK_CONTROL, true}, {VK_SHIFT, false}, {VK_CONTROL, false}, {VK_LEFT, false},
                            {VK_LEFT, true}, {VK_SHIFT, true}, {VK_C, false}, {VK_C, true}, {VK_CONTROL, true}});
const auto Paste = Keys({{VK_CONTROL, false}, {VK_V, false}, {VK_V, true}, {VK_CONTROL, true}});
const auto SelectionBack = Keys({{VK_RIGHT, false}, {VK_RIGHT, true}});

// Whether every key that went down came up again: a key left down would go on modifying the user's typing.
bool AllKeysUp(const QList<FakeKeyboard::Event>& events)
{
    QMap<int, bool> down;
    for (const FakeKeyboard::Event& event : events)
        down[event.vk] = !event.up;
    return !down.values().contains(true);
}

} // namespace

class TestShortcuts : public QObject {
    Q_OBJECT

private slots:
    void Expansion()
    {
        const QString own = "the user's own text", replacement = "Best regards,\nAda";
        const struct {
            const char* name;
            int caseSensitive;
            QString typed;
            bool enabled, autoPaste;
            QList<FakeKeyboard::Event> keys;
            QStringList pasted;
            QString clipboardAfter;
            bool ownMarked = false; // the user's text carries a password manager's mark
        } cases[] = {
            {"replaced", 0, "sig", true, true, CopyWord + Paste, {replacement}, own},
            {"typed in capitals, case-sensitive", 1, "SIG", true, true, CopyWord + SelectionBack, {}, own},
            {"not a shortcut", 0, "sign", true, true, CopyWord + SelectionBack, {}, own},
            {"a trailing blank is part of the word", 0, "sig ", true, true, CopyWord + SelectionBack, {}, own},
            {"nothing copied", 0, "", true, true, CopyWord, {}, own},
            {"services off", 0, "sig", false, true, {}, {}, own},
            // Auto paste off: the text waits on the clipboard for the user's own paste.
            {"auto paste off", 0, "sig", true, false, CopyWord, {}, replacement},
            // A password goes back with its mark, so that no history keeps it then.
            {"replaced over a password", 0, "sig", true, true, CopyWord + Paste, {replacement}, own, true},
            {"not a shortcut, over a password", 0, "sign", true, true, CopyWord + SelectionBack, {}, own, true},
        };
        for (const auto& c : cases) {
            ServiceFixture f;
            f.main.m_bShortcutsCaseSensitive = c.caseSensitive;
            f.main.m_bEnabled = c.enabled;
            f.main.m_bAutoPasteShortcut = c.autoPaste;
            f.main.AddShortcut(new ShortcutRecord{0, "sig", "", replacement});
            PlayedEditor editor;
            editor.word = c.typed;
            editor.Attach(f);
            f.fakes.clipboardWriter->Copy(own, c.ownMarked);

            f.dlg->OnResolveShortcutMsg();

            QVERIFY2(f.fakes.keyboard->events == c.keys, c.name);
            QVERIFY2(AllKeysUp(f.fakes.keyboard->events), c.name);
            QCOMPARE(editor.pasted, c.pasted);
            // The replacement is on the clipboard only for a moment: marked so histories skip it.
            QVERIFY2(editor.pastedTransient == !c.pasted.isEmpty(), c.name);
            bool secret = true;
            QCOMPARE(f.fakes.clipboardWriter->Text(&secret), c.clipboardAfter);
            QVERIFY2(secret == (c.ownMarked && c.clipboardAfter == own), c.name);
            QCOMPARE(f.main.m_hHook, 0); // removed throughout and installed again (no helper in tests)
        }
    }

    void NewShortcutPageDerivesNamesAndReportsWhatIsMissing()
    {
        ServiceFixture f;
        MessageRecorder messages;
        CNewShortcutPage page;
        page.OnAdd();
        QCOMPARE(messages.Last().text, QString("Please fill out the text field."));
        QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);

        for (const char* expected : {"hel", "hell", "hello"}) {
            page.m_editText->setPlainText("hello world");
            page.m_editDesc->setText("greeting");
            page.OnAdd();
            QVERIFY2(f.main.FindShortcut(expected), expected);
            // Cleared for the next shortcut.
            QVERIFY(page.m_editText->toPlainText().isEmpty() && page.m_editDesc->text().isEmpty());
        }
        page.m_editText->setPlainText("hello world");
        page.OnAdd();
        QCOMPARE(messages.Last().text, QString("Please fill out the shortcut field."));
        QCOMPARE(page.m_editText->toPlainText(), QString("hello world")); // kept as typed

        // A typed name is stored under the case rule and replaces an existing one.
        page.m_editShortcut->setText("HeL");
        page.m_editText->setPlainText("replaced");
        page.OnAdd();
        QCOMPARE(f.main.FindShortcut("hel")->text, QString("replaced"));
        QCOMPARE(messages.Count(), 2);
    }

    // The second paste of an item makes it a shortcut, unless its text is longer than a shortcut's
    // text can be: that one is pasted whole every time, and nothing is said.
    void PastedItemsBecomeShortcutsUnlessTooLong()
    {
        for (const int length : {255, 256, 5000}) {
            ServiceFixture f;
            MessageRecorder messages;
            PlayedEditor editor;
            editor.Attach(f);
            f.main.m_nUpgradeToShortcut = 2;
            f.main.m_pPrevForegroundWnd = 7;
            const QString text(length, 'q');
            f.main.AddClipboardText(text);
            CClipboardManagerPage page;
            for (int paste = 0; paste < 2; ++paste) {
                page.Fill();
                page.m_list->SelectRow(0);
                page.OnInsertText();
            }
            QCOMPARE(editor.pasted, (QStringList{text, text}));
            QCOMPARE(messages.Count(), 0);
            QCOMPARE(f.main.ShortcutTextExists(text), length <= 255);
        }
    }
};

QTEST_MAIN(TestShortcuts)
#include "tst_Shortcuts.moc"
