#pragma once
#include "platform/Platform.h"

namespace platform {

// Recognises the keyboard helper's ClientMessage events (format 32, type
// "_QUILLBOX_HOOK_MESSAGE") among the xcb events Qt hands to a window.
class X11NativeMessages final : public INativeMessages {
public:
    X11NativeMessages();
    std::optional<NativeMessage> Decode(const QByteArray& eventType, void* message) override;

private:
    quint32 m_nAtom = 0;
};

} // namespace platform
