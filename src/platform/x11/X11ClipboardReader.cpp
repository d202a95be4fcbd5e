#include "platform/x11/X11ClipboardReader.h"

#include "platform/x11/XcbAtom.h"

#include <QObject>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace platform {

namespace {

// A property is read in pieces of this many 32-bit units (4 MB).
constexpr quint32 kPieceWords = 1u << 20;

quint32 EventType(const xcb_generic_event_t* event)
{
    return event->response_type & 0x7f;
}

// How often a wait for an owner's answer looks whether a newer read waits behind it.
constexpr int kSupersededCheckMs = 20;

// The next event of connection that wanted() accepts, waiting at most kStepTimeoutMs; null on a
// timeout, a broken connection, once stop is set (wakeFd then becomes readable), or once
// superseded() says the wait is no longer worth it (asked every kSupersededCheckMs).
template <typename Wanted, typename Superseded>
xcb_generic_event_t* WaitFor(xcb_connection_t* connection, int wakeFd, const std::atomic<bool>& stop, Wanted wanted,
                             Superseded superseded)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(X11ClipboardReader::kStepTimeoutMs);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if (wanted(event))
                return event;
            std::free(event);
        }
        if (stop || xcb_connection_has_error(connection))
            return nullptr;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return nullptr;
        pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, wakeFd >= 0 ? 2 : 1, int(std::min<qint64>(left, kSupersededCheckMs))) == 0 && superseded())
            return nullptr;
    }
}

bool Never()
{
    return false;
}

} // namespace

X11ClipboardReader::X11ClipboardReader()
    : m_context(std::make_unique<QObject>())
{
    if (pipe2(m_wake, O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    } else {
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
            xcb_screen_next(&screens);
        m_root = screens.data->root;
        CreateWindow();
        m_clipboard = InternAtom(m_connection, "CLIPBOARD");
        m_targets = InternAtom(m_connection, "TARGETS");
        m_incr = InternAtom(m_connection, "INCR");
        m_hint = InternAtom(m_connection, kSecretMimeType);
        m_property = InternAtom(m_connection, "_QUILLBOX_CLIPBOARD");
        m_utf8 = InternAtom(m_connection, "UTF8_STRING");
        m_mimeUtf8 = InternAtom(m_connection, "text/plain;charset=utf-8");
        m_text = InternAtom(m_connection, "TEXT");
        m_mimeText = InternAtom(m_connection, "text/plain");
        xcb_flush(m_connection);
    }
    m_thread = std::thread([this] { Run(); });
}

X11ClipboardReader::~X11ClipboardReader()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wakeUp.notify_all();
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(m_wake[1], &byte, 1);
    }
    m_thread.join();
    for (int fd : m_wake)
        if (fd >= 0)
            close(fd);
    if (m_connection)
        xcb_disconnect(m_connection);
    // Results not delivered yet go with the context object.
    m_context.reset();
}

void X11ClipboardReader::CreateWindow()
{
    // An input-only window of its own receives the text, and the property changes of INCR.
    m_window = xcb_generate_id(m_connection);
    const quint32 events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
}

void X11ClipboardReader::Read(std::function<void(const ClipboardContent&)> done)
{
    Queue({Kind::Everything, false, std::move(done)});
}

void X11ClipboardReader::ReadText(std::function<void(const ClipboardContent&)> done)
{
    Queue({Kind::TextOnly, false, std::move(done)});
}

std::optional<ClipboardContent> X11ClipboardReader::ReadNow(bool primary, bool withMark, int boundMs)
{
    // Shared with the reader's thread: an answer that comes after the bound lands here unread.
    struct Answer {
        std::mutex mutex;
        std::condition_variable arrived;
        std::optional<ClipboardContent> content;
    };
    auto answer = std::make_shared<Answer>();
    Queue({withMark ? Kind::TextAndMark : Kind::TextOnly, primary,
           [answer](const ClipboardContent& content) {
               std::lock_guard<std::mutex> lock(answer->mutex);
               answer->content = content;
               answer->arrived.notify_all();
           },
           true});
    std::unique_lock<std::mutex> lock(answer->mutex);
    answer->arrived.wait_for(lock, std::chrono::milliseconds(boundMs), [&] { return answer->content.has_value(); });
    return answer->content;
}

void X11ClipboardReader::Queue(Request request)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(std::move(request));
    }
    m_wakeUp.notify_one();
}

void X11ClipboardReader::Run()
{
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wakeUp.wait(lock, [this] { return m_stop || !m_requests.empty(); });
            if (m_stop)
                return;
            request = std::move(m_requests.front());
            m_requests.pop_front();
        }
        m_selection = request.primary ? quint32(XCB_ATOM_PRIMARY) : m_clipboard;
        const ClipboardContent content = request.kind == Kind::Everything ? ReadClipboard()
                                         : ReadTextOnly(request.kind == Kind::TextAndMark);
        if (m_stop)
            return;
        if (request.onThread) {
            request.done(content);
            continue;
        }
        QMetaObject::invokeMethod(
            m_context.get(), [done = std::move(request.done), content] { done(content); }, Qt::QueuedConnection);
    }
}

bool X11ClipboardReader::BeginRead()
{
    if (!m_connection)
        return false;
    // Answers left over from an earlier read that gave up are not this read's.
    while (xcb_generic_event_t* stale = xcb_poll_for_event(m_connection))
        std::free(stale);
    m_ownerSilent = false;
    return true;
}

ClipboardContent X11ClipboardReader::ReadTextOnly(bool withMark)
{
    ClipboardContent content;
    if (!BeginRead())
        return content;
    if (withMark) {
        const std::optional<Data> hint = Convert(m_hint);
        if (m_ownerSilent)
            return content;
        content.secret = hint && IsSecretMark(hint->bytes);
    }
    // Every toolkit serves UTF-8 text; an owner that refuses it is asked for Latin-1.
    ReadFirstText({m_utf8, XCB_ATOM_STRING}, {}, content);
    return content;
}

void X11ClipboardReader::ReadFirstText(const QList<quint32>& wanted, const QList<quint32>& offered,
                                       ClipboardContent& content)
{
    for (const quint32 target : wanted) {
        if (!offered.isEmpty() && !offered.contains(target))
            continue;
        // An owner that leaves one format unanswered would not answer the next either.
        m_ownerSilent = false;
        std::optional<Data> data = Convert(target, &content.tooLarge);
        if (m_ownerSilent || content.tooLarge)
            return;
        if (data) {
            content.text = Decoded(*data);
            return;
        }
    }
}

ClipboardContent X11ClipboardReader::ReadClipboard()
{
    ClipboardContent content;
    if (!BeginRead())
        return content;
    QList<quint32> offered;
    if (const std::optional<Data> targets = Convert(m_targets); targets && targets->type == XCB_ATOM_ATOM) {
        offered.resize(targets->bytes.size() / 4);
        std::memcpy(offered.data(), targets->bytes.constData(), offered.size() * sizeof(quint32));
    }
    // An owner that does not answer at all would not answer the text either.
    if (m_ownerSilent)
        return content;
    // The password managers' mark is asked for even when the owner does not list it: some serve it
    // without naming it among their formats, and a secret must never be kept.
    const std::optional<Data> hint = Convert(m_hint);
    if (hint && IsSecretMark(hint->bytes)) {
        content.secret = true;
        return content;
    }
    // The best text format offered; an owner that does not list its formats is asked for UTF-8 and
    // Latin-1 text.
    if (offered.isEmpty())
        ReadFirstText({m_utf8, XCB_ATOM_STRING}, offered, content);
    else
        ReadFirstText({m_utf8, m_mimeUtf8, XCB_ATOM_STRING, m_text, m_mimeText}, offered, content);
    return content;
}

QString X11ClipboardReader::Decoded(Data data)
{
    // Some owners end the text with a NUL, as C strings end.
    while (data.bytes.endsWith('\0'))
        data.bytes.chop(1);
    return data.type == XCB_ATOM_STRING ? QString::fromLatin1(data.bytes) : QString::fromUtf8(data.bytes);
}

std::optional<X11ClipboardReader::Data> X11ClipboardReader::Convert(quint32 target, bool* tooLarge)
{
    xcb_delete_property(m_connection, m_window, m_property);
    // The owner the request goes to, asked in the same breath: an owner that does not answer while
    // another has taken the selection since, and a newer read waits, is given up at once.
    const xcb_get_selection_owner_cookie_t asked = xcb_get_selection_owner(m_connection, m_selection);
    xcb_convert_selection(m_connection, m_window, m_selection, target, m_property, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    std::optional<xcb_window_t> askedOwner;
    const auto ownerOf = [this](xcb_get_selection_owner_cookie_t cookie) {
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(m_connection, cookie, nullptr);
        const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
        std::free(reply);
        return owner;
    };
    const auto superseded = [&] {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_requests.empty())
                return false;
        }
        if (!askedOwner)
            askedOwner = ownerOf(asked);
        return ownerOf(xcb_get_selection_owner(m_connection, m_selection)) != *askedOwner;
    };
    xcb_generic_event_t* event = WaitFor(
        m_connection, m_wake[0], m_stop,
        [&](const xcb_generic_event_t* e) {
            if (EventType(e) != XCB_SELECTION_NOTIFY)
                return false;
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(e);
            return notify->requestor == m_window && notify->selection == m_selection && notify->target == target;
        },
        superseded);
    if (!askedOwner)
        xcb_discard_reply(m_connection, asked.sequence);
    if (!event) {
        m_ownerSilent = true;
        return std::nullopt;
    }
    const bool refused = reinterpret_cast<xcb_selection_notify_event_t*>(event)->property == XCB_NONE;
    std::free(event);
    if (refused)
        return std::nullopt;
    std::optional<Data> data = ReadProperty();
    if (data && data->type == m_incr) {
        bool large = false;
        data = ReadIncrementally(target, &large);
        if (tooLarge)
            *tooLarge = large;
        if (!data) {
            // The owner may go on sending pieces of the text given up; a new window takes the next
            // read, and the pieces go nowhere.
            xcb_destroy_window(m_connection, m_window);
            CreateWindow();
        }
    }
    return data;
}

std::optional<X11ClipboardReader::Data> X11ClipboardReader::ReadProperty()
{
    Data data;
    for (quint32 offset = 0;; offset += kPieceWords) {
        const auto cookie = xcb_get_property(m_connection, 0, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY,
                                             offset, kPieceWords);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection, cookie, nullptr);
        if (!reply || reply->type == XCB_NONE) {
            std::free(reply);
            return std::nullopt;
        }
        data.type = reply->type;
        data.bytes.append(static_cast<const char*>(xcb_get_property_value(reply)),
                          xcb_get_property_value_length(reply));
        const bool more = reply->bytes_after > 0;
        std::free(reply);
        if (!more)
            break;
    }
    // Deleting the property tells an owner sending by INCR to send the next piece.
    xcb_delete_property(m_connection, m_window, m_property);
    xcb_flush(m_connection);
    return data;
}

std::optional<X11ClipboardReader::Data> X11ClipboardReader::ReadIncrementally(quint32 type, bool* tooLarge)
{
    Data all{type, {}};
    for (;;) {
        xcb_generic_event_t* event = WaitFor(m_connection, m_wake[0], m_stop, [&](const xcb_generic_event_t* e) {
            if (EventType(e) != XCB_PROPERTY_NOTIFY)
                return false;
            const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(e);
            return change->window == m_window && change->atom == m_property && change->state == XCB_PROPERTY_NEW_VALUE;
        }, Never);
        if (!event)
            return std::nullopt;
        std::free(event);
        std::optional<Data> piece = ReadProperty();
        if (!piece)
            return std::nullopt;
        // An empty piece ends the text.
        if (piece->bytes.isEmpty())
            return all;
        all.type = piece->type;
        all.bytes += piece->bytes;
        if (all.bytes.size() > kMaxBytes) {
            *tooLarge = true;
            return std::nullopt;
        }
    }
}

} // namespace platform
