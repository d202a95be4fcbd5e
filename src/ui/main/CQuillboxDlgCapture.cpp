// The clipboard history's side of the main window: copies made in other applications are captured,
// and the clipboard manager keys open the manager over the application in front.
#include "ui/main/CQuillboxDlg.h"

#include "core/CMain.h"
#include "platform/Platform.h"

namespace {

constexpr int CopyAbsorbMs = 200;

} // namespace

int CQuillboxDlg::OnCopyMsg()
{
    CMain* main = GetMain();
    // A burst of notifications less than 200 ms apart is one copy; each one starts the 200 ms again.
    if (m_bCopyPending) {
        m_copyTimer.start(CopyAbsorbMs, this);
        return 0;
    }
    if (!main->m_bEnabled)
        return 0;
    m_bCopyPending = 1;
    m_copyTimer.start(CopyAbsorbMs, this);
    // The notice of a new owner means the text can be asked for now: the owner serves it on request.
    if (main->m_bClipboardActive)
        main->CaptureClipboard();
    return 0;
}

int CQuillboxDlg::OnPasteMsg(long lParam)
{
    CMain* main = GetMain();
    if (lParam != main->m_nClipboardMgrKeys)
        return 0;
    if (m_bClipboardSheetOpen || !main->m_bEnabled || !main->m_bClipboardActive)
        return 0;
    // Closing the manager without picking an item leaves the user's clipboard as it is.
    RunSheet(SheetKind::Clipboard, 1, true, true);
    return 0;
}
