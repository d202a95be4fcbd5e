// The X11 backend against an X server of the test's own: Xvfb with openbox as window manager, and
// xclip as the application that pastes. The machine's own display is never used.
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11Foreground.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11QuietWait.h"
#include "platform/x11/X11Services.h"
#include "X11TestServer.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <cstdio>
#include <xcb/xcb.h>

using namespace platform;
using namespace x11test;

namespace {

// A window that records the keys it gets, modifiers aside.
class KeyRecorder : public QWidget {
public:
    struct Press {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    QList<Press> presses;
    QList<int> releases;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!event->isAutoRepeat() && !IsModifier(event->key()))
            presses.append({event->key(), event->modifiers(), event->text()});
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        if (!event->isAutoRepeat() && !IsModifier(event->key()))
            releases.append(event->key());
    }

private:
    static bool IsModifier(int key) { return key == Qt::Key_Shift || key == Qt::Key_Control; }
};

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
    void KeysReachTheFocusedWindow_data();
    void KeysReachTheFocusedWindow();
    void ForegroundWindowMoves();
    void QuietWaitServesTheClipboardOnly();
    void PasteWaitEndsWhenTextWasServed_data();
    void PasteWaitEndsWhenTextWasServed();
    void ReaderReadsWhatTheOwnerOffers_data();
    void ReaderReadsWhatTheOwnerOffers();
    void ReaderDestroyedWhileWaitingEndsAtOnce();

private:
    xcb_window_t TakeClipboardSilently();
    std::optional<ClipboardContent> ReadWith(X11ClipboardReader& reader, int timeoutMs);

    void SendMessage(xcb_window_t window, quint32 number);
    bool Activate(QWidget& window);

    xcb_connection_t* m_connection = nullptr; // the test's own, playing the other applications
    xcb_atom_t m_messageType = 0;
    X11Keyboard* m_keyboard = nullptr;
    X11Foreground* m_foreground = nullptr;
    X11QuietWait* m_quietWait = nullptr;
    std::unique_ptr<Services> m_services;
    KeyRecorder* m_keys = nullptr;
};

void TestX11Platform::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_connection = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(m_connection));
    m_messageType = Atom(m_connection, "QB_TEST_HOOK_MESSAGE");

    m_services = CreateX11Services();
    m_keyboard = dynamic_cast<X11Keyboard*>(m_services->keyboard.get());
    m_foreground = dynamic_cast<X11Foreground*>(m_services->foreground.get());
    m_quietWait = dynamic_cast<X11QuietWait*>(m_services->quietWait.get());
    QVERIFY(m_keyboard && m_foreground && m_quietWait);

    m_keys = new KeyRecorder;
    m_keys->setWindowTitle(QStringLiteral("keys"));
    m_keys->resize(300, 200);
    m_keys->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_keys));
}

void TestX11Platform::cleanupTestCase()
{
    delete m_keys;
    m_services.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool TestX11Platform::Activate(QWidget& window)
{
    if (!m_foreground->SetForegroundWindow(window.winId()))
        return false;
    return QTest::qWaitFor([&] { return window.isActiveWindow(); }, 5000);
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

void TestX11Platform::KeysReachTheFocusedWindow_data()
{
    QTest::addColumn<QList<int>>("modifiers");
    QTest::addColumn<int>("vk");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("keyModifiers");
    QTest::addColumn<QString>("text"); // checked when not empty

    QTest::newRow("c") << QList<int>{} << VK_C << int(Qt::Key_C) << int(Qt::NoModifier) << "c";
    QTest::newRow("shift c") << QList<int>{VK_SHIFT} << VK_C << int(Qt::Key_C) << int(Qt::ShiftModifier) << "C";
    QTest::newRow("paste") << QList<int>{VK_CONTROL} << VK_V << int(Qt::Key_V) << int(Qt::ControlModifier) << "";
    QTest::newRow("select word before the caret")
        << QList<int>{VK_CONTROL, VK_SHIFT} << VK_LEFT << int(Qt::Key_Left) << int(Qt::ControlModifier | Qt::ShiftModifier) << "";
}

void TestX11Platform::KeysReachTheFocusedWindow()
{
    QFETCH(QList<int>, modifiers);
    QFETCH(int, vk);
    QFETCH(int, key);
    QFETCH(int, keyModifiers);
    QFETCH(QString, text);

    if (!m_keys->isActiveWindow())
        QVERIFY(Activate(*m_keys));
    m_keys->presses.clear();
    m_keys->releases.clear();

    for (int modifier : modifiers)
        m_keyboard->KeyEvent(modifier, false);
    m_keyboard->KeyEvent(vk, false);
    m_keyboard->KeyEvent(vk, true);
    for (auto modifier = modifiers.crbegin(); modifier != modifiers.crend(); ++modifier)
        m_keyboard->KeyEvent(*modifier, true);

    QTRY_COMPARE(m_keys->releases, QList<int>{key});
    QCOMPARE(m_keys->presses.size(), 1);
    QCOMPARE(m_keys->presses[0].key, key);
    // Keypad arrows carry the keypad modifier on some maps; only the chord's modifiers matter.
    QCOMPARE(int(m_keys->presses[0].modifiers & ~Qt::KeypadModifier), keyModifiers);
    if (!text.isEmpty())
        QCOMPARE(m_keys->presses[0].text, text);
    // No key is left down for the user's next keystroke.
    QTRY_COMPARE(QGuiApplication::queryKeyboardModifiers(), Qt::NoModifier);
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
    const int capMs = 3000;

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

std::optional<ClipboardContent> TestX11Platform::ReadWith(X11ClipboardReader& reader, int timeoutMs)
{
    std::optional<ClipboardContent> read;
    reader.Read([&](const ClipboardContent& content) { read = content; });
    // The event loop runs meanwhile: this process's own clipboard is served from it.
    [[maybe_unused]] const bool done = QTest::qWaitFor([&] { return read.has_value(); }, timeoutMs);
    return read;
}

void TestX11Platform::ReaderReadsWhatTheOwnerOffers_data()
{
    QTest::addColumn<QString>("owner");  // "qt" (this process), "xclip", "silent" (never answers), "none"
    QTest::addColumn<QByteArray>("type"); // what the owner offers
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("hint"); // x-kde-passwordManagerHint beside the text, when not empty
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("secret");

    const QString mixed = QStringLiteral("caf\u00e9 \u6f22\u5b57 \U0001F600 \u05e9\u05dc\u05d5\u05dd tab\tnew\nline");
    // Ten megabytes: xclip sends it by INCR, one piece of about a megabyte at a time.
    QString large;
    for (int line = 0; large.size() < 10'000'000; ++line)
        large += QStringLiteral("line %1 of a large copy \u00fc\n").arg(line, 7, 10, QLatin1Char('0'));

    QTest::newRow("text of this process") << "qt" << QByteArray("text") << mixed << QByteArray() << mixed << false;
    QTest::newRow("marked secret") << "qt" << QByteArray("text") << "hunter2" << QByteArray("secret") << QString() << true;
    QTest::newRow("10 MB by INCR") << "xclip" << QByteArray("UTF8_STRING") << large << QByteArray() << large << false;
    QTest::newRow("an image") << "xclip" << QByteArray("image/png") << "\x89PNG" << QByteArray() << QString() << false;
    QTest::newRow("owner never answers") << "silent" << QByteArray() << QString() << QByteArray() << QString() << false;
    QTest::newRow("nothing copied") << "none" << QByteArray() << QString() << QByteArray() << QString() << false;
}

void TestX11Platform::ReaderReadsWhatTheOwnerOffers()
{
    QFETCH(QString, owner);
    QFETCH(QByteArray, type);
    QFETCH(QString, text);
    QFETCH(QByteArray, hint);
    QFETCH(QString, expected);
    QFETCH(bool, secret);

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QProcess xclip;
    xcb_window_t silent = 0;
    if (owner == QLatin1String("qt")) {
        auto* data = new QMimeData;
        data->setText(text);
        if (!hint.isEmpty())
            data->setData(QStringLiteral("x-kde-passwordManagerHint"), hint);
        clipboard->setMimeData(data);
    } else if (owner == QLatin1String("xclip")) {
        xclip.setProcessChannelMode(QProcess::MergedChannels);
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-i"), QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-t"), QString::fromLatin1(type)});
        QVERIFY(xclip.waitForStarted(5000));
        xclip.write(type == "STRING" ? text.toLatin1() : text.toUtf8());
        xclip.closeWriteChannel();
        // xclip says so once it owns the clipboard.
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += xclip.readAll()).contains("Waiting for selection request")
                                     || xclip.state() != QProcess::Running,
                                 10000);
        QCOMPARE(xclip.state(), QProcess::Running);
    } else if (owner == QLatin1String("silent")) {
        silent = TakeClipboardSilently();
    }
    const xcb_atom_t clipboardAtom = Atom(m_connection, "CLIPBOARD");
    auto* ownerReply = xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, clipboardAtom), nullptr);
    QVERIFY(ownerReply);
    QCOMPARE(ownerReply->owner != XCB_NONE, owner != QLatin1String("none"));
    std::free(ownerReply);

    X11ClipboardReader reader;
    const std::optional<ClipboardContent> read = ReadWith(reader, 30000);
    QVERIFY(read.has_value());
    QCOMPARE(read->secret, secret);
    QVERIFY(!read->tooLarge);
    QCOMPARE(read->text.size(), expected.size());
    QVERIFY(read->text == expected);

    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished(5000);
    }
    if (silent) {
        xcb_destroy_window(m_connection, silent);
        Sync(m_connection);
    }
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

    // Reads come back in order.
    QGuiApplication::clipboard()->setText(QStringLiteral("in order"));
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
