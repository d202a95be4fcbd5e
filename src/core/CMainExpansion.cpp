// The expansion: the word before the caret in the application in front is selected and copied; when
// it is a shortcut, its text is pasted over it; the user's clipboard text is put back.
#include "core/CMain.h"

#include "data/CShortcut.h"

namespace {

// Put on the clipboard before the copy, so that a copy that copied nothing is told apart.
const QString Sentinel = QStringLiteral("cb_empty123");
constexpr int WaitMs = 10;
// How long the copied word may take to arrive: the editor answers the synthesized Ctrl+C in its
// own time, and a word that never comes means the copy copied nothing.
constexpr int CopyBoundMs = 400;
// After the paste, the clipboard is restored once the editor has fetched the text and asked for
// nothing more for this long, or after the bound.
constexpr int PasteSettleMs = 10;
constexpr int PasteBoundMs = 1000;

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
        InstallHook();
        m_bResolving = false;
        return result;
    };

    RemoveHook();
    const QString saved = clipboard.Text();
    clipboard.SetText(Sentinel, true);
    // Select the word before the caret (Ctrl+Shift+Left) and copy it (Ctrl+C); Ctrl is released
    // first, whatever the user still holds.
    os.keyboard->Send({{VK_CONTROL, true}, {VK_SHIFT, false}, {VK_CONTROL, false}, {VK_LEFT, false}, {VK_LEFT, true},
                       {VK_CONTROL, true}, {VK_SHIFT, true}, {VK_CONTROL, false}, {VK_C, false}, {VK_C, true},
                       {VK_CONTROL, true}});
    os.quietWait->QuietWait(WaitMs);
    // WORKAROUND: Qt may go on answering from its own copy for a moment after the editor took the
    // clipboard, so the word is polled for until it differs from the sentinel.
    QString word = clipboard.Text();
    for (int waited = WaitMs; word == Sentinel && waited < CopyBoundMs; waited += WaitMs) {
        os.quietWait->QuietWait(WaitMs);
        word = clipboard.Text();
    }
    if (word.isEmpty() || word == Sentinel) {
        clipboard.SetText(saved);
        return finish(0);
    }

    ShortcutRecord* record = FindShortcut(word);
    if (!record) {
        // Move the selection's moving end back: the caret stays where it was, nothing selected.
        os.keyboard->Send({{VK_SHIFT, false}, {VK_CONTROL, false}, {VK_RIGHT, false}, {VK_RIGHT, true},
                           {VK_CONTROL, true}, {VK_SHIFT, true}});
        clipboard.SetText(saved);
        return finish(0);
    }
    const QString text = record->text;
    os.quietWait->QuietWait(WaitMs);
    if (!m_bAutoPasteShortcut) {
        // Not pasted: the text waits on the clipboard and the word stays selected, so the user's
        // own Ctrl+V puts it in place.
        clipboard.SetText(text);
        return finish(1);
    }
    clipboard.SetText(text, true);
    os.keyboard->Send(platform::PasteKeys);
    os.quietWait->WaitForPasteServed(PasteSettleMs, PasteBoundMs);
    clipboard.SetText(saved);
    return finish(1);
}
