// The expansion: the word before the caret in the application in front is selected and copied; when
// it is a shortcut, its text is pasted over it; the user's clipboard text is put back. A terminal
// is never sent Ctrl+C: there the word is taken from the keys typed into it and erased with
// BackSpace, and the text is pasted with the terminal's own key.
#include "core/CMain.h"

#include "data/CShortcut.h"
#include "hook/HookInstaller.h"

#include <QDeadlineTimer>

#include <memory>
#include <optional>
#include <vector>

namespace {

// Put on the clipboard before the copy, so that a copy that copied nothing is told apart.
const QString Sentinel = QStringLiteral("cb_empty123");
// The whole expansion ends within this time, whatever the editor does; each wait below ends on its
// event, or at its own bound, or when this time is up.
constexpr int ExpansionBoundMs = 500;
// How long the editor may take to take the clipboard after the synthesized Ctrl+C: it answers in
// its own time, and a copy that never comes means the copy copied nothing.
constexpr int CopyBoundMs = 250;
// How long the editor may take to send the copied word once it has the clipboard: an owner that
// never answers must not hold the tray up, and the user's text then comes back.
constexpr int WordBoundMs = 150;

using platform::VK_C;
using platform::VK_CONTROL;
using platform::VK_LEFT;
using platform::VK_RIGHT;
using platform::VK_SHIFT;

// In a terminal: the word typed last, when it is a shortcut, is erased with BackSpace and its
// text pasted with the terminal's key how; *used names it. Nothing is sent when it is none.
int ResolveTypedShortcut(CMain& main, TerminalPaste how, int capMs, QString* used)
{
    bool cut = false;
    const std::optional<QString> typed = main.m_hHook ? hook::HookInstaller::TypedText(main.m_hHook, &cut) : std::nullopt;
    if (!typed)
        return 0;
    for (const QString& word : TypedWords(*typed, cut)) {
        const ShortcutRecord* record = main.FindShortcut(word);
        if (!record)
            continue;
        const QString text = record->text;
        *used = record->shortcut;
        platform::IClipboardWriter& clipboard = *main.Platform().clipboardWriter;
        bool secret = false;
        const QString saved = clipboard.Text(&secret);
        std::vector<platform::KeyStep> erase;
        for (qsizetype n = word.toUcs4().size(); n > 0; --n)
            erase.insert(erase.end(), {{platform::VK_BACK, false}, {platform::VK_BACK, true}});
        main.SendKeys(erase);
        if (!main.m_bAutoPasteShortcut) {
            // The text waits for the user's own paste key, in the word's place.
            clipboard.SetText(text);
            if (how == TerminalPaste::ShiftInsert)
                clipboard.SetPrimaryText(text);
            return 1;
        }
        main.PasteText(text, how, &saved, capMs, secret);
        return 1;
    }
    return 0;
}

} // namespace

int CMain::ResolveShortcut()
{
    if (m_bResolving)
        return 0;
    m_bResolving = true;
    platform::Services& os = Platform();
    platform::IClipboardWriter& clipboard = *os.clipboardWriter;
    auto finish = [this](int result) {
        // The keys the user typed meanwhile come now, after the text, then the helper's messages.
        ReleaseKeys();
        InstallHook();
        m_bResolving = false;
        return result;
    };

    const QDeadlineTimer deadline(ExpansionBoundMs);
    const auto within = [&deadline](int boundMs) { return int(qMin<qint64>(boundMs, deadline.remainingTime())); };

    RemoveHook();
    const TerminalPaste terminal = PasteKindInFront();
    if (terminal != TerminalPaste::None) {
        QString used;
        const int result = ResolveTypedShortcut(*this, terminal, within(ExpansionBoundMs), &used);
        if (!used.isEmpty())
            m_search.RecordUse(search::Kind::Shortcut, used);
        return finish(result);
    }
    // A password manager's mark goes back with the text, so that no history keeps it then.
    bool secret = false;
    const QString saved = clipboard.Text(&secret);
    clipboard.SetText(Sentinel, true);
    // Select the word before the caret (Ctrl+Shift+Left) and copy it (Ctrl+C); Ctrl is released
    // first, whatever the user still holds.
    SendKeys({{VK_CONTROL, true}, {VK_SHIFT, false}, {VK_CONTROL, false}, {VK_LEFT, false}, {VK_LEFT, true},
              {VK_SHIFT, true}, {VK_C, false}, {VK_C, true}, {VK_CONTROL, true}});
    // The word is there once the editor has taken the clipboard from the sentinel; it is read on
    // the reader's own thread, so that an editor that never answers costs a bounded wait.
    QString word;
    if (os.quietWait->WaitForClipboardTaken(within(CopyBoundMs))) {
        // Shared: an answer that comes after the bound still lands somewhere.
        auto copied = std::make_shared<std::optional<platform::ClipboardContent>>();
        os.clipboard->ReadText([copied](const platform::ClipboardContent& content) { *copied = content; });
        if (os.quietWait->WaitUntil([copied] { return copied->has_value(); }, within(WordBoundMs)))
            word = (*copied)->text;
    }
    if (word.isEmpty() || word == Sentinel) {
        clipboard.SetText(saved, secret);
        return finish(0);
    }

    ShortcutRecord* record = FindShortcut(word);
    if (!record) {
        // The selection collapses towards its anchor, the caret as it was: Right alone ends a
        // selection at its right end in every toolkit, while moving the other end back a word does
        // not always come back to the same place (GTK's word ends differ from its word starts).
        SendKeys({{VK_RIGHT, false}, {VK_RIGHT, true}});
        clipboard.SetText(saved, secret);
        return finish(0);
    }
    const QString text = record->text;
    m_search.RecordUse(search::Kind::Shortcut, record->shortcut);
    if (!m_bAutoPasteShortcut) {
        // Not pasted: the text waits on the clipboard and the word stays selected, so the user's
        // own Ctrl+V puts it in place.
        clipboard.SetText(text);
        return finish(1);
    }
    PasteText(text, TerminalPaste::None, &saved, within(ExpansionBoundMs), secret);
    return finish(1);
}
