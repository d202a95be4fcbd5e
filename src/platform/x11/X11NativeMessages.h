#pragma once
#include "platform/Platform.h"

namespace platform {

// Recognises the keyboard helper's ClientMessage events (format 32, of the type messageType names)
// among the xcb events Qt hands to a window.
class X11NativeMessages final : public INativeMessages {
public:
    explicit X11NativeMessages(const QByteArray& messageType);
    std::optional<NativeMessage> Decode(const QByteArray& eventType, void* message) override;

private:
    quint32 m_nAtom = 0;
};

} // namespace platform
