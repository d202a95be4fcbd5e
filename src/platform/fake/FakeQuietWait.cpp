#include "platform/fake/FakeQuietWait.h"

namespace platform {

bool FakeQuietWait::WaitForClipboardTaken(int capMs)
{
    waits.append({Wait::ClipboardTaken, 0, capMs});
    if (onWait)
        onWait(waits.last());
    return clipboard && !clipboard->ownedByProgram;
}

bool FakeQuietWait::WaitForPasteServed(int settleMs, int capMs)
{
    waits.append({Wait::PasteServed, settleMs, capMs});
    if (onWait)
        onWait(waits.last());
    return pasteServed;
}

} // namespace platform
