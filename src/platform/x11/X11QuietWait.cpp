#include "platform/x11/X11QuietWait.h"

#include "platform/x11/XcbAtom.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <xcb/xcb.h>

namespace platform {

// Marks a wait as running; the outermost one hands the held messages back when it ends.
class X11QuietWait::Holding {
public:
    explicit Holding(X11QuietWait& wait)
        : m_wait(wait)
    {
        ++m_wait.m_depth;
    }
    ~Holding()
    {
        if (--m_wait.m_depth == 0)
            m_wait.SendHeldMessages();
    }
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;

private:
    X11QuietWait& m_wait;
};

X11QuietWait::X11QuietWait()
{
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        m_connection = x11->connection();
    if (m_connection) {
        m_clipboardAtom = InternAtom(m_connection, "CLIPBOARD");
        m_wmProtocolsAtom = InternAtom(m_connection, "WM_PROTOCOLS");
        // The text formats the clipboard writer's text is served in; a request for another one is
        // refused and does not give the application its text. The first two are UTF-8 text, the
        // last a toolkit asks for.
        for (const char* target : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT", "text/plain"})
            m_textTargets << InternAtom(m_connection, target);
        m_utf8Atoms = {m_textTargets[0], m_textTargets[1]};
        m_clientMask = ~xcb_get_setup(m_connection)->resource_id_mask;
    }
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11QuietWait::~X11QuietWait()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11QuietWait::WaitUntil(const std::function<bool()>& done, int capMs)
{
    Holding holding(*this);
    const auto cap = Clock::now() + std::chrono::milliseconds(capMs);
    for (;;) {
        Pump();
        if (done())
            return true;
        if (Clock::now() >= cap)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
}

bool X11QuietWait::WaitForClipboardTaken(int capMs)
{
    // Qt handles the SelectionClear the filter saw within the same pump: its clipboard then asks
    // the new owner instead of answering from its own copy.
    m_clipboardTaken = false;
    return WaitUntil([this] { return m_clipboardTaken; }, capMs);
}

bool X11QuietWait::WaitForPasteServed(int settleMs, int capMs)
{
    const auto settle = std::chrono::milliseconds(settleMs);
    m_textRequested = false;
    m_utf8Requested = false;
    m_lastRequest = Clock::now();
    m_pasteClient = 0;
    if (m_connection) {
        // The focus is on a window of the application in front (a window manager's frame never
        // takes it); PointerRoot or None leaves every requestor counted.
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
        if (focus && focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT)
            m_pasteClient = focus->focus & m_clientMask;
        std::free(focus);
    }
    // A request seen by the filter is answered by Qt within the same pump. UTF-8 text is the last
    // a toolkit asks for (GTK asks for text/plain;charset=utf-8, Qt and older GTK for UTF8_STRING):
    // once it is served the paste has its text. After another text target, a further request may
    // still come within settleMs.
    const bool served = WaitUntil(
        [&] { return m_utf8Requested || (m_textRequested && Clock::now() - m_lastRequest >= settle); }, capMs);
    m_pasteClient = 0;
    return served;
}

void X11QuietWait::Pump()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers
                                    | QEventLoop::X11ExcludeTimers);
}

bool X11QuietWait::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_depth == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & ~0x80) {
    case XCB_SELECTION_REQUEST: {
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        // PRIMARY too: the terminals that paste it with Shift+Insert.
        const bool pasted = request->selection == m_clipboardAtom || request->selection == XCB_ATOM_PRIMARY;
        if (pasted && request->requestor != m_ignoredRequestor
            && (m_pasteClient == 0 || (request->requestor & m_clientMask) == m_pasteClient)) {
            m_lastRequest = Clock::now();
            if (m_textTargets.contains(request->target))
                m_textRequested = true;
            if (m_utf8Atoms.contains(request->target))
                m_utf8Requested = true;
        }
        return false;
    }
    case XCB_SELECTION_CLEAR: {
        const auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
        if (clear->selection == m_clipboardAtom)
            m_clipboardTaken = true;
        return false;
    }
    case XCB_CLIENT_MESSAGE: {
        const auto* clientMessage = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (clientMessage->type == m_wmProtocolsAtom)
            return false;
        std::array<char, 32> copy;
        static_assert(sizeof(xcb_client_message_event_t) == sizeof(copy));
        std::memcpy(copy.data(), clientMessage, copy.size());
        m_held.append(copy);
        return true;
    }
    default:
        return false;
    }
}

void X11QuietWait::SendHeldMessages()
{
    if (m_held.isEmpty() || !m_connection)
        return;
    for (const auto& held : std::as_const(m_held)) {
        const auto* clientMessage = reinterpret_cast<const xcb_client_message_event_t*>(held.data());
        // An empty event mask sends the event to the client that created the window: this program.
        // Checked, with the answer discarded, so that a window closed meanwhile costs nothing and
        // puts no error into Qt's event queue.
        const auto cookie = xcb_send_event_checked(m_connection, 0, clientMessage->window,
                                                   XCB_EVENT_MASK_NO_EVENT, held.data());
        xcb_discard_reply(m_connection, cookie.sequence);
    }
    m_held.clear();
    xcb_flush(m_connection);
}

} // namespace platform
