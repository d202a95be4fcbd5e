// The expansion: the word before the caret in the application in front is selected and copied; when
// it is a shortcut, its text is pasted over it; the user's clipboard text is put back.
#include "core/CMain.h"

#include "data/CShortcut.h"
#include "hook/HookInstaller.h"

#include <QDeadlineTimer>

#include <memory>
#include <optional>

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
// After the paste, the user's clipboard comes back as soon as the editor has fetched the text, or
// when the expansion's time is up.
constexpr int PasteSettleMs = 10;

using platform::VK_C;
using platform::VK_CONTROL;
using platform::VK_LEFT;
using platform::VK_RIGHT;
using platform::VK_SHIFT;

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
        if (m_hHook)
            hook::HookInstaller::ReleaseKeys(m_hHook);
        InstallHook();
        m_bResolving = false;
        return result;
    };

    const QDeadlineTimer deadline(ExpansionBoundMs);
    const auto within = [&deadline](int boundMs) { return int(qMin<qint64>(boundMs, deadline.remainingTime())); };

    RemoveHook();
    const QString saved = clipboard.Text();
    clipboard.SetText(Sentinel, true);
    // Select the word before the caret (Ctrl+Shift+Left) and copy it (Ctrl+C); Ctrl is released
    // first, whatever the user still holds.
    SendKeys({{VK_CONTROL, true}, {VK_SHIFT, false}, {VK_CONTROL, false}, {VK_LEFT, false}, {VK_LEFT, true},
                       {VK_CONTROL, true}, {VK_SHIFT, true}, {VK_CONTROL, false}, {VK_C, false}, {VK_C, true},
                       {VK_CONTROL, true}});
    // The word is there once the editor has taken the clipboard from the sentinel; it is read on
    // the reader's own thread, so that an editor that never answers costs a bounded wait.
    QString word;
    if (os.quietWait->WaitForClipboardTaken(within(CopyBoundMs))) {
        // Shared: an answer that comes after the bound still lands somewhere.
        auto copied = std::make_shared<std::optional<platform::ClipboardContent>>();
        os.clipboard->Read([copied](const platform::ClipboardContent& content) { *copied = content; });
        if (os.quietWait->WaitUntil([copied] { return copied->has_value(); }, within(WordBoundMs)))
            word = (*copied)->text;
    }
    if (word.isEmpty() || word == Sentinel) {
        clipboard.SetText(saved);
        return finish(0);
    }

    ShortcutRecord* record = FindShortcut(word);
    if (!record) {
        // Move the selection's moving end back: the caret stays where it was, nothing selected.
        SendKeys({{VK_SHIFT, false}, {VK_CONTROL, false}, {VK_RIGHT, false}, {VK_RIGHT, true},
                           {VK_CONTROL, true}, {VK_SHIFT, true}});
        clipboard.SetText(saved);
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
    clipboard.SetText(text, true);
    SendKeys(platform::PasteKeys);
    os.quietWait->WaitForPasteServed(PasteSettleMs, within(ExpansionBoundMs));
    clipboard.SetText(saved);
    return finish(1);
}

void CMain::PasteText(platform::WindowId window, const QString& text)
{
    platform::Services& os = Platform();
    platform::IClipboardWriter& clipboard = *os.clipboardWriter;
    if (!window) {
        clipboard.SetText(text);
        return;
    }
    RemoveHook();
    bool secret = false;
    const QString saved = clipboard.Text(&secret);
    // Marked secret while it passes, so that clipboard histories do not keep it.
    clipboard.SetText(text, true);
    os.foreground->SetForegroundWindow(window);
    SendKeys(platform::PasteKeys);
    os.quietWait->WaitForPasteServed(PasteSettleMs, ExpansionBoundMs);
    clipboard.SetText(saved, secret);
    InstallHook();
}
