#pragma once
#include "platform/Platform.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <array>
#include <chrono>

struct xcb_connection_t;

namespace platform {

// Waits that keep Qt's own X connection served, so that Quillbox, while it owns the clipboard,
// answers the requests of the application it pastes into.
//
// A wait pumps the program's events with QCoreApplication::processEvents, every quarter millisecond,
// with three exclusions:
// - user input stays queued by Qt (ExcludeUserInputEvents) and is delivered after the wait;
// - timers do not fire (X11ExcludeTimers, which both of Qt's Unix event dispatchers honour) and
//   socket notifiers are not run; both are caught up after the wait;
// - ClientMessage events (the hook's messages) are taken out by a native event filter and sent
//   again, in their order, to the window they were meant for when the outermost wait ends: they
//   come back through the X server and are dispatched by the program's loop once it runs again.
//   The window manager's WM_PROTOCOLS messages (ping, take focus) pass.
// Selection requests, selection notifications and clears, property notifications (incremental
// transfers) and window-system events such as exposures go to Qt as usual. Events that Qt posts
// to itself and queued signal connections are still delivered by processEvents.
class X11QuietWait final : public IQuietWait, private QAbstractNativeEventFilter {
public:
    // Needs a QGuiApplication on the xcb platform; without one it pumps events and holds nothing.
    X11QuietWait();
    ~X11QuietWait() override;
    X11QuietWait(const X11QuietWait&) = delete;
    X11QuietWait& operator=(const X11QuietWait&) = delete;

    bool WaitUntil(const std::function<bool()>& done, int capMs) override;
    bool WaitForClipboardTaken(int capMs) override;
    bool WaitForPasteServed(int settleMs, int capMs) override;
    // Requests from this window (the program's own clipboard reader, capturing a copy) are no
    // paste.
    void IgnoreRequestor(quint32 window) { m_ignoredRequestor = window; }

private:
    using Clock = std::chrono::steady_clock;
    class Holding;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    static void Pump();
    void SendHeldMessages();

    xcb_connection_t* m_connection = nullptr; // Qt's own
    quint32 m_clipboardAtom = 0;
    quint32 m_wmProtocolsAtom = 0;
    QList<quint32> m_textTargets;
    QList<quint32> m_utf8Atoms; // UTF8_STRING and text/plain;charset=utf-8
    quint32 m_ignoredRequestor = 0;
    // The X client that has the keyboard focus while a paste is waited for (its windows' id base):
    // only its requests are the paste; a clipboard manager's request for the new text is not.
    quint32 m_pasteClient = 0;
    quint32 m_clientMask = 0;

    int m_depth = 0; // waits running, counting nested ones
    QList<std::array<char, 32>> m_held;
    bool m_textRequested = false; // a text-format request for the clipboard came during the wait
    bool m_utf8Requested = false;  // ... for UTF8_STRING, the one the editors ask for last
    bool m_clipboardTaken = false; // another client took the clipboard during the wait
    Clock::time_point m_lastRequest;
};

} // namespace platform
