#pragma once
// The fake backend for tests: the services a controller takes, and typed pointers to the same
// objects so that a test can arrange and inspect them.
#include "platform/Platform.h"
#include "platform/fake/FakeClipboardReader.h"
#include "platform/fake/FakeClipboardWriter.h"
#include "platform/fake/FakeForeground.h"
#include "platform/fake/FakeKeyboard.h"
#include "platform/fake/FakeQuietWait.h"
#include "platform/fake/FakeShell.h"

namespace platform {

struct FakeServices {
    Services services; // owns the fakes; hand it over with std::move(fakes.services)
    FakeKeyboard* keyboard;
    FakeForeground* foreground;
    FakeQuietWait* quietWait;
    FakeShell* shell;
    FakeClipboardReader* clipboard;
    FakeClipboardWriter* clipboardWriter;
};

FakeServices CreateFakeServices();

} // namespace platform
