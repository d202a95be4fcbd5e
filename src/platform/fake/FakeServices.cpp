#include "platform/fake/FakeServices.h"

#include <memory>

namespace platform {

FakeServices CreateFakeServices()
{
    auto keyboard = std::make_unique<FakeKeyboard>();
    auto foreground = std::make_unique<FakeForeground>();
    auto quietWait = std::make_unique<FakeQuietWait>();
    auto shell = std::make_unique<FakeShell>();
    auto clipboard = std::make_unique<FakeClipboardReader>();
    auto clipboardWriter = std::make_unique<FakeClipboardWriter>();
    FakeServices fakes{{},           keyboard.get(),  foreground.get(), quietWait.get(),
                       shell.get(),  clipboard.get(), clipboardWriter.get()};
    fakes.services.keyboard = std::move(keyboard);
    fakes.services.foreground = std::move(foreground);
    fakes.services.quietWait = std::move(quietWait);
    fakes.services.shell = std::move(shell);
    fakes.services.clipboard = std::move(clipboard);
    fakes.quietWait->clipboard = clipboardWriter.get();
    fakes.clipboard->clipboard = clipboardWriter.get();
    fakes.services.clipboardWriter = std::move(clipboardWriter);
    return fakes;
}

} // namespace platform
