#pragma once
#include "platform/Platform.h"

namespace platform {

// Holds what a test says the clipboard holds, and answers each read with it at once, on the
// caller's thread (a real reader answers later).
class FakeClipboardReader final : public IClipboardReader {
public:
    void Read(std::function<void(const ClipboardContent&)> done) override
    {
        ++reads;
        done(content);
    }

    ClipboardContent content;
    int reads = 0;
};

} // namespace platform
