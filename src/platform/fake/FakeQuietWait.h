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
        enum Kind { ClipboardTaken, PasteServed } kind;
        int ms;    // the settle time of a paste wait; 0 for the other
        int capMs; // the bound of the wait
        bool operator==(const Wait&) const = default;
    };

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
