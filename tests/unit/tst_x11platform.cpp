// The X11 backend against an X server of the test's own: Xvfb with openbox as window manager, and
// xclip as the application that pastes. The machine's own display is never used.
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11Foreground.h"
#include "platform/x11/X11QuietWait.h"
#include "platform/x11/X11Services.h"
#include "X11TestServer.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <cstdio>
#include <xcb/xcb.h>

using namespace platform;
using namespace x11test;

namespace {

// A window that records the first number of every client message of one type, as the main window
// takes the hook's messages.
class MessageRecorder : public QWidget {
public:
    explicit MessageRecorder(xcb_atom_t type)
        : m_type(type)
    {
    }
    QList<quint32> messages;

protected:
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (eventType != "xcb_generic_event_t" || (event->response_type & ~0x80) != XCB_CLIENT_MESSAGE)
            return false;
        const auto* clientMessage = static_cast<const xcb_client_message_event_t*>(message);
        if (clientMessage->type != m_type)
            return false;
        messages.append(clientMessage->data.data32[0]);
        return true;
    }

private:
    xcb_atom_t m_type;
};

} // namespace

class TestX11Platform : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void ForegroundWindowMoves();
    void QuietWaitServesTheClipboardOnly();
    void PasteWaitEndsWhenTextWasServed_data();
    void PasteWaitEndsWhenTextWasServed();
    void ReaderEndsWithoutAnAnsweringOwner();
    void ReaderAsksForTheSecretMarkUnlisted_data();
    void ReaderAsksForTheSecretMarkUnlisted();
    void ReaderDestroyedWhileWaitingEndsAtOnce();

private:
    xcb_window_t TakeClipboardSilently();
    std::optional<ClipboardContent> ReadWith(X11ClipboardReader& reader, int timeoutMs);
    void ServeWithoutListingTheMark(xcb_window_t owner, const QByteArray& text, const QByteArray& hint);

    void SendMessage(xcb_window_t window, quint32 number);

    xcb_connection_t* m_connection = nullptr; // the test's own, playing the other applications
    xcb_atom_t m_messageType = 0;
    X11Foreground* m_foreground = nullptr;
    X11QuietWait* m_quietWait = nullptr;
    std::unique_ptr<Services> m_services;
};

void TestX11Platform::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_connection = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(m_connection));
    m_messageType = Atom(m_connection, "QB_TEST_HOOK_MESSAGE");

    m_services = CreateServices("_QUILLBOX_HOOK_MESSAGE");
    m_foreground = dynamic_cast<X11Foreground*>(m_services->foreground.get());
    m_quietWait = dynamic_cast<X11QuietWait*>(m_services->quietWait.get());
    QVERIFY(m_foreground && m_quietWait);

}

void TestX11Platform::cleanupTestCase()
{
    m_services.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
}

void TestX11Platform::SendMessage(xcb_window_t window, quint32 number)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = m_messageType;
    message.data.data32[0] = number;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    Sync(m_connection);
}

void TestX11Platform::ForegroundWindowMoves()
{
    QWidget first, second;
    first.setWindowTitle(QStringLiteral("first"));
    second.setWindowTitle(QStringLiteral("second"));
    for (QWidget* window : {&first, &second}) {
        window->resize(200, 100);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    // The window manager activates a window it maps: let it settle on the last one first.
    QTRY_COMPARE(m_foreground->GetForegroundWindow(), WindowId(second.winId()));
    const xcb_window_t root = RootOf(m_connection);
    const auto createWindow = [&](bool map) {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (map)
            xcb_map_window(m_connection, window);
        Sync(m_connection);
        return window;
    };
    const xcb_window_t vanished = createWindow(true);
    xcb_destroy_window(m_connection, vanished);
    Sync(m_connection);
    const xcb_window_t unmapped = createWindow(false);

    struct Step {
        const char* name;
        WindowId target;
        bool activated;
        QWidget* activeAfter;
    };
    const Step steps[] = {
        {"first", first.winId(), true, &first},
        {"second", second.winId(), true, &second},
        {"back to first", first.winId(), true, &first},
        {"vanished window", vanished, false, &first},
        {"unmapped window", unmapped, false, &first},
        {"no window", 0, false, &first},
    };
    for (const Step& step : steps) {
        QVERIFY2(m_foreground->SetForegroundWindow(step.target) == step.activated, step.name);
        QVERIFY2(m_foreground->GetForegroundWindow() == step.activeAfter->winId(), step.name);
        QTRY_VERIFY2(step.activeAfter->isActiveWindow(), step.name);
    }
    xcb_destroy_window(m_connection, unmapped);
    Sync(m_connection);
}

void TestX11Platform::QuietWaitServesTheClipboardOnly()
{
    const QString text = QStringLiteral("served during the wait");
    QGuiApplication::clipboard()->setText(text);
    QVERIFY(QGuiApplication::clipboard()->ownsClipboard());
    MessageRecorder window(m_messageType);
    const xcb_window_t xid = xcb_window_t(window.winId());
    bool timerFired = false;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [&] { timerFired = true; });

    // The hook's message reaches Qt before the paste request, so the wait that serves the request
    // has read the message too.
    SendMessage(xid, 0x427);
    timer.start(1);
    QProcess paste;
    paste.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    QVERIFY2(paste.waitForStarted(5000), qPrintable(paste.errorString()));

    bool served = false;
    for (int wait = 0; wait < 20 && !served; ++wait) {
        QElapsedTimer elapsed;
        elapsed.start();
        m_quietWait->QuietWait(300);
        QVERIFY(elapsed.elapsed() >= 300);
        // Qt may have noticed the end of xclip during the wait; waitForFinished blocks on xclip
        // alone, and nothing serves the clipboard there.
        served = paste.state() == QProcess::NotRunning || paste.waitForFinished(20);
        QVERIFY(window.messages.isEmpty());
        QVERIFY(!timerFired);
    }
    QVERIFY(served);
    QCOMPARE(QString::fromUtf8(paste.readAllStandardOutput()), text);

    // After the wait the message and the timer come, the message once: a later message follows it.
    QTRY_COMPARE(window.messages, QList<quint32>{0x427});
    SendMessage(xid, 0x428);
    QTRY_COMPARE(window.messages, (QList<quint32>{0x427, 0x428}));
    QTRY_VERIFY(timerFired);
}

void TestX11Platform::PasteWaitEndsWhenTextWasServed_data()
{
    QTest::addColumn<QString>("target"); // what the pasting application asks for; empty: nothing
    QTest::addColumn<bool>("served");

    QTest::newRow("UTF-8 text") << "UTF8_STRING" << true;
    QTest::newRow("only the list of formats") << "TARGETS" << false;
    QTest::newRow("no paste at all") << "" << false;
}

void TestX11Platform::PasteWaitEndsWhenTextWasServed()
{
    QFETCH(QString, target);
    QFETCH(bool, served);
    const int settleMs = 10;
    const int capMs = served ? 5000 : 300; // a paste that never comes is waited for up to the cap

    const QString text = QStringLiteral("the replacement");
    QGuiApplication::clipboard()->setText(text);
    QProcess paste;
    if (!target.isEmpty()) {
        paste.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                              QStringLiteral("-t"), target});
        QVERIFY(paste.waitForStarted(5000));
    }
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(m_quietWait->WaitForPasteServed(settleMs, capMs), served);
    if (served) {
        QVERIFY(elapsed.elapsed() < capMs);
        QVERIFY(paste.state() == QProcess::NotRunning || paste.waitForFinished(5000));
        QCOMPARE(QString::fromUtf8(paste.readAllStandardOutput()), text);
    } else {
        QVERIFY(elapsed.elapsed() >= capMs);
    }
    if (paste.state() != QProcess::NotRunning) {
        paste.kill();
        paste.waitForFinished(5000);
    }
}

xcb_window_t TestX11Platform::TakeClipboardSilently()
{
    // The test's own connection takes the clipboard and never reads its events, so no request is
    // ever answered.
    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, RootOf(m_connection), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(m_connection, window, Atom(m_connection, "CLIPBOARD"), XCB_CURRENT_TIME);
    Sync(m_connection);
    return window;
}

// Answers the requests for the clipboard that the test's own connection owns as a password manager
// may: TARGETS lists only the text, while the mark is served when asked for by name.
void TestX11Platform::ServeWithoutListingTheMark(xcb_window_t owner, const QByteArray& text, const QByteArray& hint)
{
    const xcb_atom_t targets = Atom(m_connection, "TARGETS"), utf8 = Atom(m_connection, "UTF8_STRING"),
                     mark = Atom(m_connection, "x-kde-passwordManagerHint");
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
            xcb_atom_t property = request->property != XCB_NONE ? request->property : request->target;
            const quint32 listed[] = {targets, utf8};
            if (request->owner != owner)
                property = XCB_NONE;
            else if (request->target == targets)
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM,
                                    32, 2, listed);
            else if (request->target == utf8)
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request->requestor, property, utf8, 8,
                                    quint32(text.size()), text.constData());
            else if (request->target == mark && !hint.isEmpty())
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request->requestor, property, mark, 8,
                                    quint32(hint.size()), hint.constData());
            else
                property = XCB_NONE;
            xcb_selection_notify_event_t notify{};
            notify.response_type = XCB_SELECTION_NOTIFY;
            notify.time = request->time;
            notify.requestor = request->requestor;
            notify.selection = request->selection;
            notify.target = request->target;
            notify.property = property;
            xcb_send_event(m_connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
        }
        std::free(event);
    }
    xcb_flush(m_connection);
}

std::optional<ClipboardContent> TestX11Platform::ReadWith(X11ClipboardReader& reader, int timeoutMs)
{
    std::optional<ClipboardContent> read;
    reader.Read([&](const ClipboardContent& content) { read = content; });
    // The event loop runs meanwhile: this process's own clipboard is served from it.
    [[maybe_unused]] const bool done = QTest::qWaitFor([&] { return read.has_value(); }, timeoutMs);
    return read;
}

// An owner that never answers, or no owner at all: the read still ends, with nothing read.
void TestX11Platform::ReaderEndsWithoutAnAnsweringOwner()
{
    for (const bool silent : {true, false}) {
        QGuiApplication::clipboard()->clear();
        const xcb_window_t owner = silent ? TakeClipboardSilently() : 0;
        X11ClipboardReader reader;
        const std::optional<ClipboardContent> read = ReadWith(reader, 30000);
        QVERIFY(read.has_value());
        QVERIFY(read->text.isEmpty() && !read->secret && !read->tooLarge);
        if (owner) {
            xcb_destroy_window(m_connection, owner);
            Sync(m_connection);
        }
    }
}

// A password manager may serve its mark without listing it among its formats: it is asked for by
// name, and a text so marked is never kept.
void TestX11Platform::ReaderAsksForTheSecretMarkUnlisted_data()
{
    QTest::addColumn<QByteArray>("hint");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("secret");
    QTest::newRow("marked secret, mark not listed") << QByteArray("secret") << QString() << true;
    QTest::newRow("not marked, only text listed") << QByteArray() << QStringLiteral("plain") << false;
}

void TestX11Platform::ReaderAsksForTheSecretMarkUnlisted()
{
    QFETCH(QByteArray, hint);
    QFETCH(QString, expected);
    QFETCH(bool, secret);
    const xcb_window_t owner = TakeClipboardSilently();
    QTimer serve;
    QObject::connect(&serve, &QTimer::timeout, [&] { ServeWithoutListingTheMark(owner, "plain", hint); });
    serve.start(5);
    X11ClipboardReader reader;
    const std::optional<ClipboardContent> read = ReadWith(reader, 10000);
    QVERIFY(read.has_value());
    QCOMPARE(read->secret, secret);
    QCOMPARE(read->text, expected);
    xcb_destroy_window(m_connection, owner);
}

void TestX11Platform::ReaderDestroyedWhileWaitingEndsAtOnce()
{
    const xcb_window_t silent = TakeClipboardSilently();
    bool delivered = false;
    QElapsedTimer elapsed;
    {
        X11ClipboardReader reader;
        reader.Read([&](const ClipboardContent&) { delivered = true; });
        reader.Read([&](const ClipboardContent&) { delivered = true; });
        elapsed.start();
    }
    // It did not sit out the owner's silence, and nothing arrives afterwards.
    QVERIFY2(elapsed.elapsed() < X11ClipboardReader::kStepTimeoutMs, qPrintable(QString::number(elapsed.elapsed())));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(!delivered);
    xcb_destroy_window(m_connection, silent);
    Sync(m_connection);

    // Reads come back in order. (A window shown first gives this process an event time later than
    // the silent owner's, without which X refuses its claim on the clipboard.)
    QWidget shown;
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    QGuiApplication::clipboard()->setText(QStringLiteral("in order"));
    QTRY_VERIFY(QGuiApplication::clipboard()->ownsClipboard());
    X11ClipboardReader reader;
    QStringList order;
    reader.Read([&](const ClipboardContent& content) { order << QStringLiteral("1 ") + content.text; });
    reader.Read([&](const ClipboardContent& content) { order << QStringLiteral("2 ") + content.text; });
    QTRY_COMPARE_WITH_TIMEOUT(order, (QStringList{"1 in order", "2 in order"}), 10000);
}

int main(int argc, char** argv)
{
    X11TestServer server;
    QString why;
    if (!server.Start(true, &why)) {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(why));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestX11Platform test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11platform.moc"
