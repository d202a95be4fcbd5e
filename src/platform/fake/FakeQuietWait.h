#pragma once
#include "platform/Platform.h"
#include "platform/fake/FakeClipboardWriter.h"

#include <QList>
#include <functional>

namespace platform {

// Records the waits the program asks for without waiting. onWait runs once per wait, where a test
// can let time pass for the program (change the clipboard, answer a paste).
class FakeQuietWait final : public IQuietWait {
public:
    struct Wait {
        enum Kind { Quiet, ClipboardTaken, PasteServed } kind;
        int ms;    // the quiet time, or the settle time of a paste wait
        int capMs; // the cap of a paste wait; 0 for a quiet wait
        bool operator==(const Wait&) const = default;
    };

    void QuietWait(int ms) override;
    bool WaitUntil(const std::function<bool()>& done, int) override { return done(); }
    bool WaitForClipboardTaken(int capMs) override;
    bool WaitForPasteServed(int settleMs, int capMs) override;

    QList<Wait> waits;
    std::function<void(const Wait&)> onWait;
    bool pasteServed = true; // what WaitForPasteServed answers
    // WaitForClipboardTaken answers whether another application owns this clipboard.
    FakeClipboardWriter* clipboard = nullptr;
};

} // namespace platform
