#pragma once
#include "platform/Platform.h"

struct xcb_connection_t;

namespace platform {

// The active window as the window manager publishes it (_NET_ACTIVE_WINDOW), on a connection of
// its own. Its requests are xcb requests whose errors come back as values, so a window that has
// vanished gives false instead of an X error.
class X11Foreground final : public IForeground {
public:
    X11Foreground();
    ~X11Foreground() override;
    X11Foreground(const X11Foreground&) = delete;
    X11Foreground& operator=(const X11Foreground&) = delete;

    WindowId GetForegroundWindow() override;
    bool SetForegroundWindow(WindowId window) override;
    QStringList WindowClass(WindowId window) override;

    // How long SetForegroundWindow waits for the window manager.
    static constexpr int kActivationTimeoutMs = 500;

private:
    bool Exists(WindowId window);

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_activeWindowAtom = 0;
};

} // namespace platform
