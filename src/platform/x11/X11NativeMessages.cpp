#include "platform/x11/X11NativeMessages.h"

#include "platform/x11/XcbAtom.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

namespace platform {

X11NativeMessages::X11NativeMessages(const QByteArray& messageType)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        m_nAtom = InternAtom(x11->connection(), messageType.constData());
}

std::optional<NativeMessage> X11NativeMessages::Decode(const QByteArray& eventType, void* message)
{
    if (m_nAtom == 0 || eventType != "xcb_generic_event_t")
        return std::nullopt;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return std::nullopt;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->format != 32 || client->type != m_nAtom)
        return std::nullopt;
    // The words are 32-bit on the wire; numbers and parameters are small and never negative.
    const auto* words = client->data.data32;
    return NativeMessage{long(words[0]), long(words[1]), long(words[2]), long(words[3]), long(words[4])};
}

} // namespace platform
