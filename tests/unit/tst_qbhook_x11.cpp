// The hook library against an X server of the test's own (Xvfb), keys pressed with XTest. The
// target window stands for Quillbox's main window (its connection is "Quillbox's"); the editor
// window, focused, belongs to another client, which also copies and grabs.
#include "hook/HookConfig.h"
#include "hook/HookInstaller.h"
#include "hook/qbhook/HookMessage.h"
#include "hook/SharedBlock.h"
#include "hook/qbhook/Chord.h"
#include "X11TestServer.h"

#include <QtTest>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <poll.h>

#include <algorithm>
#include <deque>
#include <functional>

namespace {

// Xlib's default error handler ends the process; the test counts errors instead.
int g_xErrors = 0;
int CountXError(Display*, XErrorEvent*)
{
    return ++g_xErrors, 0;
}

QString Text(const HookMessage& message)
{
    return QString::number(message.number, 16) + (message.lParam ? QStringLiteral("/1") : QString());
}

} // namespace

class TestQbHookX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        XSetErrorHandler(&CountXError);
        QString why;
        QVERIFY2(m_server.Start(&why), qPrintable(why));
        m_target = XOpenDisplay(nullptr);
        m_other = XOpenDisplay(nullptr);
        QVERIFY(m_target && m_other);
        int opcode, event, error, major = XkbMajorVersion, minor = XkbMinorVersion;
        QVERIFY(XkbQueryExtension(m_target, &opcode, &event, &error, &major, &minor));
        m_window = XCreateSimpleWindow(m_target, DefaultRootWindow(m_target), 0, 0, 1, 1, 0, 0, 0);
        m_messageType = XInternAtom(m_target, QB_HOOK_MESSAGE_ATOM, False);
        m_editor = XCreateSimpleWindow(m_other, DefaultRootWindow(m_other), 10, 10, 200, 100, 0, 0, 0);
        XSelectInput(m_other, m_editor, KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);
        XMapWindow(m_other, m_editor);
        XFlush(m_other);
        QVERIFY(PumpUntil([&] { return m_editorMapped; })); // focus goes to viewable windows only
        XSetInputFocus(m_other, m_editor, RevertToPointerRoot, CurrentTime);
        XSync(m_other, False);
        QCOMPARE(g_xErrors, 0);
        QVERIFY(m_settingsDir.isValid());
    }

    void cleanupTestCase()
    {
        hook::HookInstaller::Remove(m_handle);
        hook::ReleaseSharedBlock(m_blockName);
        for (Display* display : {m_target, m_other})
            if (display)
                XCloseDisplay(display);
    }

    void cleanup()
    {
        hook::HookInstaller::Remove(std::exchange(m_handle, 0));
        XUngrabKey(m_other, AnyKey, AnyModifier, DefaultRootWindow(m_other));
        XkbLockModifiers(m_target, XkbUseCoreKbd, 0xFF, 0);
        for (KeySym sym : {XK_Control_L, XK_Alt_L, XK_Shift_L, XK_Super_L, XK_space})
            Key(sym, false);
        XSync(m_other, False);
        XSync(m_target, False);
        PumpUntil([] { return true; });
        m_messages.clear();
        m_otherKeys.clear();
        m_editorGrabbedAway = 0;
    }

    void Messages()
    {
        // Chords to press, copies, suspend and resume; then the messages sent. Suspended, chords and
        // copies are swallowed; resumed, the hook sends again.
        const QPair<QStringList, QStringList> cases[] = {
            {{"suspend", "Ctrl+Alt+Space", "copy", "Ctrl+Alt+Shift+S", "resume"}, {}},
            {{"suspend", "resume", "Ctrl+Alt+Space", "copy"}, {"427", "41f"}},
        };
        for (const auto& [actions, messages] : cases) {
            Install();
            for (const QString& action : actions) {
                if (action == QLatin1String("copy"))
                    TakeClipboard(m_other, m_editor);
                else if (action == QLatin1String("suspend"))
                    hook::HookInstaller::Suspend(m_handle);
                else if (action == QLatin1String("resume"))
                    hook::HookInstaller::Resume(m_handle);
                else
                    Press(action);
            }
            // The hook handles events in order: anything sent that should not have been comes before
            // the message of this last chord, and shows in the list.
            Press(QStringLiteral("Ctrl+Alt+Shift+E"));
            QCOMPARE(Messages(int(messages.size()) + 1), messages + QStringList{"42b"});
            QVERIFY(!OtherSaw(KeyPress, XK_space, false, m_editor)); // a grabbed chord, suspended or not
            cleanup();
        }
    }

    void TypeAheadComesAfterTheSentKeys()
    {
        // The expand chord's hold, released by the program or let go by the hook after its second;
        // and the program's own hold for a paste, taken while a sheet keeps the hook suspended.
        // The keys typed ahead overlap (the second goes down before the first comes up), as in fast
        // typing. An expansion with nothing typed ahead takes the editor's focus away only for the
        // chord: toolkits work through every change of focus, and screen readers announce it.
        enum Hold { NothingTyped, ChordReleased, ChordLetGo, ProgramsOwn };
        for (const Hold hold : {NothingTyped, ChordReleased, ChordLetGo, ProgramsOwn}) {
            Install(true);
            if (hold == ProgramsOwn) {
                hook::HookInstaller::Suspend(m_handle);
                hook::HookInstaller::HoldKeys(m_handle);
            } else {
                Press(QStringLiteral("Ctrl+Alt+Space"));
            }
            // The user types on at once; the program's keys come meanwhile.
            if (hold != NothingTyped) {
                Key(XK_a, true);
                Key(XK_b, true);
                Key(XK_a, false);
                Key(XK_b, false);
            }
            XSync(m_target, False);
            if (hold != ProgramsOwn)
                QCOMPARE(Messages(1), QStringList{"427"});
            const QbHookKey sent[] = {{XK_x, 0, 1}, {XK_x, 0, 0}, {0, Code(XK_y), 1}, {0, Code(XK_y), 0}};
            hook::HookInstaller::SendKeys(m_handle, sent);
            if (hold != ChordLetGo)
                hook::HookInstaller::ReleaseKeys(m_handle);
            const QList<KeySym> expected =
                hold == NothingTyped ? QList<KeySym>{XK_x, XK_y} : QList<KeySym>{XK_x, XK_y, XK_a, XK_b};
            // Every key the editor saw go down it sees come up after; the last release may still be
            // on its way when the presses are all in.
            const auto allUp = [&] {
                return std::all_of(expected.begin(), expected.end(),
                                   [&](KeySym sym) { return LastEditorEvent(sym) == KeyRelease; });
            };
            PumpUntil([&] { return EditorPresses().size() >= expected.size() && allUp(); });
            QCOMPARE(EditorPresses(), expected);
            for (KeySym sym : expected)
                QCOMPARE(LastEditorEvent(sym), KeyRelease);
            if (hold == NothingTyped)
                QCOMPARE(m_editorGrabbedAway, 1);
            // The keyboard is free again: keys go straight to the editor.
            Key(XK_c, true);
            Key(XK_c, false);
            XSync(m_target, False);
            QVERIFY(PumpUntil([&] { return EditorPresses().size() > expected.size(); }));
            QCOMPARE(EditorPresses().last(), KeySym(XK_c));
            cleanup();
        }
    }

private:
    // The next count messages, as "427" or "420/1"; fewer when they do not come in time.
    QStringList Messages(int count)
    {
        PumpUntil([&] { return int(m_messages.size()) >= count; });
        QStringList texts;
        for (; count > 0 && !m_messages.empty(); --count, m_messages.pop_front())
            texts << Text(m_messages.front());
        return texts;
    }

    KeyCode Code(KeySym sym) const { return XKeysymToKeycode(m_target, sym); }
    void Key(KeySym sym, bool down) { XTestFakeKeyEvent(m_target, Code(sym), down, CurrentTime); }

    void Install(bool holdKeys = false)
    {
        const QString path = m_settingsDir.filePath(QStringLiteral("Quillbox.conf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Hook]\n");
        file.close();
        QSettings settings(path, QSettings::IniFormat);
        hook::HookConfig config = hook::HookConfig::Load(settings, 0);
        config.SetSharedBlockName(m_blockName);
        config.SetHoldTypeAhead(holdKeys);
        hook::ReleaseSharedBlock(m_blockName);
        m_handle = hook::HookInstaller::Install(config, {});
        QVERIFY(m_handle > 0);
        // Published after the installation, as the program does: the hook reads it when it sends.
        QVERIFY(hook::PublishSharedBlock(m_blockName, hook::EncodeSharedBlock(quint32(m_window), quint32(m_handle))));
    }

    // Presses the chord's modifiers, taps its key and lets go of the modifiers in reverse order.
    void Press(const QString& text)
    {
        const std::optional<qbhook::Chord> chord = qbhook::Chord::Parse(text.toStdString());
        QVERIFY(chord);
        std::vector<KeySym> modifiers;
        const std::pair<unsigned, KeySym> keys[] = {{qbhook::ChordCtrl, XK_Control_L}, {qbhook::ChordAlt, XK_Alt_L},
                                                    {qbhook::ChordShift, XK_Shift_L}, {qbhook::ChordSuper, XK_Super_L}};
        for (const auto& [flag, sym] : keys)
            if (chord->modifiers & flag)
                modifiers.push_back(sym);
        for (KeySym sym : modifiers)
            Key(sym, true);
        Key(chord->keysym, true);
        Key(chord->keysym, false);
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
            Key(*it, false);
        XSync(m_target, False);
    }

    void TakeClipboard(Display* display, Window owner)
    {
        XSetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False), owner, CurrentTime);
        XSync(display, False);
    }

    // Serves both connections until done() holds, for 5 s at most; waits on the connections only.
    bool PumpUntil(const std::function<bool()>& done)
    {
        QDeadlineTimer deadline(5000);
        for (;;) {
            for (Display* display : {m_target, m_other}) {
                while (XPending(display) > 0) {
                    XEvent event;
                    XNextEvent(display, &event);
                    if (event.type == ClientMessage && event.xclient.window == m_window) {
                        const XClientMessageEvent& m = event.xclient;
                        const auto message =
                            m.message_type == m_messageType && m.format == 32
                                ? DecodeHookClientMessage(m.data.l[0], m.data.l[1], m.data.l[2], m.data.l[3],
                                                          m.data.l[4], hook::RunSecret())
                                : std::nullopt;
                        QTest::qVerify(message.has_value(), "decoded", "the hook sent a foreign message", __FILE__,
                                       __LINE__);
                        if (message)
                            m_messages.push_back(*message);
                    } else if (event.type == KeyPress || event.type == KeyRelease) {
                        m_otherKeys.push_back(event.xkey);
                    } else if (event.type == FocusOut && event.xfocus.window == m_editor
                               && event.xfocus.mode == NotifyGrab) {
                        ++m_editorGrabbedAway;
                    } else if (event.type == MapNotify && event.xmap.window == m_editor) {
                        m_editorMapped = true;
                    }
                }
            }
            if (done() || deadline.hasExpired())
                return done();
            pollfd fds[2] = {{ConnectionNumber(m_target), POLLIN, 0}, {ConnectionNumber(m_other), POLLIN, 0}};
            poll(fds, 2, int(deadline.remainingTime()));
        }
    }

    bool OtherSaw(int type, KeySym sym, bool sent, Window window) const
    {
        return std::any_of(m_otherKeys.begin(), m_otherKeys.end(), [&](const XKeyEvent& key) {
            return key.type == type && key.keycode == Code(sym) && bool(key.send_event) == sent && key.window == window;
        });
    }

    QList<KeySym> EditorPresses() const
    {
        QList<KeySym> presses;
        for (const XKeyEvent& key : m_otherKeys)
            if (key.type == KeyPress && key.window == m_editor && !key.send_event) {
                const KeySym sym = XkbKeycodeToKeysym(m_other, KeyCode(key.keycode), 0, 0);
                if (!IsModifierKey(sym)) // the chord's own modifiers went down before it
                    presses << sym;
            }
        return presses;
    }

    int LastEditorEvent(KeySym sym) const
    {
        int type = 0;
        for (const XKeyEvent& key : m_otherKeys)
            if (key.window == m_editor && key.keycode == Code(sym))
                type = key.type;
        return type;
    }

    x11test::X11TestServer m_server;
    Display* m_target = nullptr; // Quillbox's connection
    Display* m_other = nullptr;  // another application's
    Window m_window = 0, m_editor = 0;
    bool m_editorMapped = false;
    Atom m_messageType = 0;
    QString m_blockName = QStringLiteral("/qb_hook_test_%1").arg(getpid());
    QTemporaryDir m_settingsDir;
    int m_handle = 0;
    std::deque<HookMessage> m_messages;
    std::vector<XKeyEvent> m_otherKeys;
    int m_editorGrabbedAway = 0; // the editor's focus taken by a grab (FocusOut, NotifyGrab)
};

QTEST_GUILESS_MAIN(TestQbHookX11)
#include "tst_qbhook_x11.moc"
