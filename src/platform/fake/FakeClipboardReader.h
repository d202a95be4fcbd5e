#pragma once
#include "platform/Platform.h"
#include "platform/fake/FakeClipboardWriter.h"

namespace platform {

// Reads the fake clipboard (what the program or a played application put there) and answers each
// read at once, on the caller's thread (a real reader answers later). A secret text is not read.
class FakeClipboardReader final : public IClipboardReader {
public:
    void Read(std::function<void(const ClipboardContent&)> done) override
    {
        ++reads;
        ClipboardContent content;
        if (clipboard)
            content.text = clipboard->Text(&content.secret);
        if (content.secret)
            content.text.clear();
        done(content);
    }
    void ReadText(std::function<void(const ClipboardContent&)> done) override { Read(std::move(done)); }

    FakeClipboardWriter* clipboard = nullptr;
    int reads = 0;
};

} // namespace platform
