// The X11 backend against an X server of the test's own (Xvfb), xclip as the
// application that pastes: the paste wait, and the clipboard reader facing a silent owner or a
// password manager's unlisted mark; the default editor's desktop entry. The machine's own display is
// never used.
#include "platform/x11/DesktopEntry.h"
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11QuietWait.h"
#include "platform/x11/X11Services.h"
#include "X11TestServer.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <xcb/xcb.h>

using namespace platform;
using namespace x11test;

class TestX11Platform : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_connection = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(m_connection));

        m_services = CreateServices("_QUILLBOX_HOOK_MESSAGE");
        m_quietWait = dynamic_cast<X11QuietWait*>(m_services->quietWait.get());
        QVERIFY(m_quietWait);
    }

    void cleanupTestCase()
    {
        m_services.reset();
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    void PasteWaitEndsWhenTextWasServed()
    {
        // target: what the pasting application asks for, empty: nothing; otherInFront: the focus is on
        // another client's window, as when a clipboard manager fetches the new text, which is not the
        // paste of the application in front.
        const struct {
            QString target;
            bool served, otherInFront;
        } cases[] = {{"UTF8_STRING", true, false},
                     {"text/plain;charset=utf-8", true, false}, // GTK's first request
                     {"TARGETS", false, false},
                     {"COMPOUND_TEXT", false, false}, // refused: the application asks again
                     {"", false, false},
                     {"UTF8_STRING", false, true}};
        for (const auto& [target, served, otherInFront] : cases) {
            const int settleMs = 10;
            const int capMs = served ? 5000 : 300; // a paste that never comes is waited for up to the cap
            const QString text = QStringLiteral("the replacement");
            m_services->clipboardWriter->SetText(text); // as the expansion puts its text there
            if (otherInFront) {
                const xcb_window_t front = xcb_generate_id(m_connection);
                xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, front, RootOf(m_connection), 0, 0, 10, 10, 0,
                                  XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
                xcb_map_window(m_connection, front);
                xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, front, XCB_CURRENT_TIME);
                Sync(m_connection);
            }
            QProcess paste;
            if (!target.isEmpty()) {
                paste.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", target});
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
                // What did not end the wait did not hand the text over either.
                if (!target.isEmpty() && !otherInFront && paste.waitForFinished(5000))
                    QVERIFY(!QString::fromUtf8(paste.readAllStandardOutput()).contains(text));
            }
            if (paste.state() != QProcess::NotRunning) {
                paste.kill();
                paste.waitForFinished(5000);
            }
            xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_CURRENT_TIME);
            xcb_flush(m_connection);
        }
    }

    // The default editor's desktop entry: its Exec line split by its own quoting and escapes, the
    // file always one argument whatever it holds, the other field codes gone.
    void DesktopEntryGivesTheFileAsOneArgument()
    {
        const QString file = R"(/tmp/my "src"/a b.c)";
        const struct {
            const char* entry;
            QStringList command;
        } cases[] = {
            {"[Desktop Entry]\nExec=mousepad %U\n", {"mousepad", file}},
            {R"([Desktop Entry]
Exec="/opt/my editor/ed" --new %f)", {"/opt/my editor/ed", "--new", file}},
            {R"([Desktop Entry]
Exec=ed "a \\"b\\"" --at=%f%% %i %c)", {"ed", R"(a "b")", "--at=" + file + "%"}},
            {"[Desktop Entry]\nExec=gedit -s\n[Desktop Action new]\nExec=gedit --new-window %U\n", {"gedit", "-s", file}},
            {"[Desktop Entry]\nName=No program\n", {}},
        };
        for (const auto& c : cases)
            QCOMPARE(DesktopEntry::Parse(QString::fromUtf8(c.entry)).CommandFor(file), c.command);
    }

    // An owner that never answers, or no owner at all: the read still ends, with nothing read.
    void ReaderEndsWithoutAnAnsweringOwner()
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
    void ReaderAsksForTheSecretMarkUnlisted()
    {
        for (const bool marked : {true, false}) {
            const xcb_window_t owner = TakeClipboardSilently();
            QTimer serve;
            QObject::connect(&serve, &QTimer::timeout,
                             [&] { ServeWithoutListingTheMark(owner, "plain", marked ? "secret" : QByteArray()); });
            serve.start(5);
            X11ClipboardReader reader;
            const std::optional<ClipboardContent> read = ReadWith(reader, 10000);
            QVERIFY(read.has_value());
            QCOMPARE(read->secret, marked);
            QCOMPARE(read->text, marked ? QString() : QStringLiteral("plain"));
            xcb_destroy_window(m_connection, owner);
        }
    }

    // The word an expansion copied is asked for as text at once: one request to its owner, not three.
    void ReadTextAsksOnlyForTheText()
    {
        const xcb_window_t owner = TakeClipboardSilently();
        m_asked.clear();
        QTimer serve;
        QObject::connect(&serve, &QTimer::timeout, [&] { ServeWithoutListingTheMark(owner, "word", QByteArray()); });
        serve.start(5);
        X11ClipboardReader reader;
        const std::optional<ClipboardContent> read = ReadWith(reader, 10000, true);
        QVERIFY(read.has_value());
        QCOMPARE(read->text, QStringLiteral("word"));
        QCOMPARE(m_asked, QList<xcb_atom_t>{Atom(m_connection, "UTF8_STRING")});
        xcb_destroy_window(m_connection, owner);
    }

    // Another application's text, read to be put back after an expansion or a paste: it comes with
    // its mark, and an owner that never answers costs the program a moment, not Qt's seconds.
    void WriterReadsWithABoundAndTheMark()
    {
        IClipboardWriter& writer = *m_services->clipboardWriter;
        const struct {
            const char* name;
            bool primary, silent;
            QByteArray hint;
            QString text;
        } cases[] = {
            {"plain", false, false, {}, "plain"},
            {"a password", false, false, "secret", "plain"},
            {"PRIMARY", true, false, {}, "plain"},
            {"an owner that never answers", false, true, {}, ""},
        };
        for (const auto& c : cases) {
            const xcb_window_t owner = TakeClipboardSilently(c.primary);
            std::atomic<bool> stop{false};
            // The program's thread waits in the read, so the owner answers from a thread of its own.
            std::thread serve;
            if (!c.silent)
                serve = std::thread([&] {
                    while (!stop) {
                        ServeWithoutListingTheMark(owner, "plain", c.hint);
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    }
                });
            QElapsedTimer took;
            took.start();
            bool secret = c.hint.isEmpty(); // the opposite of what the read must tell
            const QString text = c.primary ? writer.PrimaryText() : writer.Text(&secret);
            const qint64 ms = took.elapsed();
            stop = true;
            if (serve.joinable())
                serve.join();
            QVERIFY2(text == c.text, c.name);
            QVERIFY2(c.primary || secret == !c.hint.isEmpty(), c.name);
            QVERIFY2(ms < 1000, c.name);
            xcb_destroy_window(m_connection, owner);
            Sync(m_connection);
        }
        // The program's own text, put there by the expansion or copied from one of its own fields, is read
        // without asking anyone: asked through X, this thread could not answer. (Qt takes the clipboard
        // once it has seen the test's owners go, with a later time.)
        bool secret = false;
        QVERIFY(QTest::qWaitFor([&] {
            writer.SetText("ours", true);
            return writer.Text(&secret) == QStringLiteral("ours");
        }, 5000));
        QVERIFY(secret);
        QGuiApplication::clipboard()->setText("from a field");
        QCOMPARE(writer.Text(&secret), QStringLiteral("from a field"));
        QVERIFY(!secret);
    }

    // A read stuck on an owner that never answers gives way once another application has copied and
    // a newer read waits: the newer one does not wait for the silent owner's time to run out.
    void StuckReadGivesWayToANewerCopy()
    {
        const xcb_window_t silent = TakeClipboardSilently();
        X11ClipboardReader reader;
        std::optional<ClipboardContent> first;
        reader.Read([&](const ClipboardContent& content) { first = content; });
        // The first read is under way: its request has reached the silent owner.
        QVERIFY(QTest::qWaitFor([&] { return AskedOf(silent); }, 5000));
        const xcb_window_t owner = TakeClipboardSilently();
        QTimer serve;
        QObject::connect(&serve, &QTimer::timeout, [&] { ServeWithoutListingTheMark(owner, "newer", {}); });
        serve.start(5);
        QElapsedTimer took;
        took.start();
        const std::optional<ClipboardContent> second = ReadWith(reader, 10000, true);
        QVERIFY(second.has_value());
        QCOMPARE(second->text, QStringLiteral("newer"));
        QVERIFY(first.has_value() && first->text.isEmpty());
        QVERIFY(took.elapsed() < X11ClipboardReader::kStepTimeoutMs / 2);
        xcb_destroy_window(m_connection, silent);
        xcb_destroy_window(m_connection, owner);
        Sync(m_connection);
    }

private:
    xcb_window_t TakeClipboardSilently(bool primary = false)
    {
        // The test's own connection takes the clipboard (or PRIMARY) and never reads its events, so no
        // request is answered unless the test serves them.
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, RootOf(m_connection), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(m_connection, window, primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : Atom(m_connection, "CLIPBOARD"),
                                XCB_CURRENT_TIME);
        Sync(m_connection);
        return window;
    }

    // Whether a request for the clipboard has reached owner (the requests to the test's other windows
    // go unanswered, as to a silent owner).
    bool AskedOf(xcb_window_t owner)
    {
        bool asked = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                asked = asked || reinterpret_cast<const xcb_selection_request_event_t*>(event)->owner == owner;
            std::free(event);
        }
        return asked;
    }

    // Answers the requests for the clipboard that the test's own connection owns as a password manager
    // may: TARGETS lists only the text, while the mark is served when asked for by name.
    void ServeWithoutListingTheMark(xcb_window_t owner, const QByteArray& text, const QByteArray& hint)
    {
        const xcb_atom_t targets = Atom(m_connection, "TARGETS"), utf8 = Atom(m_connection, "UTF8_STRING"),
                         mark = Atom(m_connection, "x-kde-passwordManagerHint");
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
                m_asked << request->target;
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

    std::optional<ClipboardContent> ReadWith(X11ClipboardReader& reader, int timeoutMs, bool textOnly = false)
    {
        std::optional<ClipboardContent> read;
        const auto keep = [&](const ClipboardContent& content) { read = content; };
        if (textOnly)
            reader.ReadText(keep);
        else
            reader.Read(keep);
        // The event loop runs meanwhile: this process's own clipboard is served from it.
        [[maybe_unused]] const bool done = QTest::qWaitFor([&] { return read.has_value(); }, timeoutMs);
        return read;
    }

    xcb_connection_t* m_connection = nullptr; // the test's own, playing the other applications
    QList<xcb_atom_t> m_asked;                 // the formats its clipboard was asked for
    X11QuietWait* m_quietWait = nullptr;
    std::unique_ptr<Services> m_services;
};

int main(int argc, char** argv)
{
    X11TestServer server;
    QString why;
    if (!server.Start(&why)) {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(why));
        return 1;
    }

    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestX11Platform test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11platform.moc"
