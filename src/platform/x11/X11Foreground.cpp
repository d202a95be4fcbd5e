#include "platform/x11/X11Foreground.h"

#include "platform/x11/XcbAtom.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <xcb/xcb.h>

namespace platform {

X11Foreground::X11Foreground()
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_activeWindowAtom = InternAtom(m_connection, "_NET_ACTIVE_WINDOW");
}

X11Foreground::~X11Foreground()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

WindowId X11Foreground::GetForegroundWindow()
{
    if (!m_connection)
        return 0;
    const auto cookie = xcb_get_property(m_connection, 0, m_root, m_activeWindowAtom, XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection, cookie, nullptr);
    WindowId window = 0;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        window = *static_cast<const quint32*>(xcb_get_property_value(reply));
    std::free(reply);
    return window;
}

bool X11Foreground::SetForegroundWindow(WindowId window)
{
    if (!m_connection || window == 0 || window > 0xffffffffu || !Exists(window))
        return false;
    if (GetForegroundWindow() == window)
        return true;

    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = xcb_window_t(window);
    request.type = m_activeWindowAtom;
    request.data.data32[0] = 2; // source indication: a pager, whose requests the window manager honours
    request.data.data32[1] = XCB_CURRENT_TIME;
    request.data.data32[2] = 0; // the requester has no active window of its own
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(m_connection);

    // The window manager acts on the request some milliseconds later.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kActivationTimeoutMs);
    for (;;) {
        if (GetForegroundWindow() == window)
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

QStringList X11Foreground::WindowClass(WindowId window)
{
    if (!m_connection || window == 0 || window > 0xffffffffu)
        return {};
    const auto cookie = xcb_get_property(m_connection, 0, xcb_window_t(window), XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection, cookie, nullptr);
    QStringList names;
    if (reply && reply->format == 8) {
        // Two NUL-terminated names: the instance, then the class.
        const QByteArray value(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
        for (const QByteArray& name : value.split('\0'))
            if (!name.isEmpty())
                names << QString::fromLatin1(name);
    }
    std::free(reply);
    return names;
}

bool X11Foreground::Exists(WindowId window)
{
    xcb_generic_error_t* error = nullptr;
    const auto cookie = xcb_get_window_attributes(m_connection, xcb_window_t(window));
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(m_connection, cookie, &error);
    const bool exists = reply != nullptr;
    std::free(reply);
    std::free(error);
    return exists;
}

} // namespace platform
