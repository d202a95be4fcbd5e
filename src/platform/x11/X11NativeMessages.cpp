#include "platform/x11/X11NativeMessages.h"

#include "hook/qbhook/HookMessage.h"
#include "platform/x11/XcbAtom.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

namespace platform {

X11NativeMessages::X11NativeMessages()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        m_nAtom = InternAtom(x11->connection(), QB_HOOK_MESSAGE_ATOM);
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
    return NativeMessage{long(client->data.data32[0]), long(client->data.data32[1]), long(client->data.data32[2]),
                         long(client->data.data32[3]), long(client->data.data32[4])};
}

} // namespace platform
