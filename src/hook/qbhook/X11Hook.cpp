#include "hook/qbhook/X11Hook.h"

#include "hook/qbhook/HookMessage.h"
#include "hook/qbhook/ChordSetting.h"
#include "hook/qbhook/ReportOnce.h"
#include "hook/qbhook/SharedBlockLayout.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qbhook {

X11Hook::X11Hook(HookSetup setup, QbHookReportFn report, void* user)
    : m_setup(std::move(setup)), m_report(report), m_user(user)
{
}

X11Hook::~X11Hook()
{
    Stop();
}

bool X11Hook::Start()
{
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    std::future<bool> ready = m_ready.get_future();
    m_thread = std::thread([this] { Run(); });
    if (ready.get())
        return true;
    m_thread.join();
    return false;
}

namespace {
void Wake(int fd)
{
    const char wake = 1;
    // The pipe is non-blocking: when it is full, the thread has a wake-up waiting already.
    while (write(fd, &wake, 1) < 0 && errno == EINTR) {
    }
}
} // namespace

void X11Hook::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        Wake(m_wake[1]);
        m_thread.join();
    }
    for (int& fd : m_wake) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void X11Hook::Call(std::function<void()> work)
{
    std::packaged_task<void()> task(std::move(work));
    std::future<void> done = task.get_future();
    {
        std::lock_guard lock(m_callMutex);
        if (m_ended || !m_thread.joinable())
            return;
        m_calls.push_back(std::move(task));
    }
    Wake(m_wake[1]);
    done.wait(); // also ends when the thread drops the task unrun (a broken promise)
}

void X11Hook::RunCalls()
{
    for (;;) {
        std::packaged_task<void()> task;
        {
            std::lock_guard lock(m_callMutex);
            if (m_calls.empty())
                return;
            task = std::move(m_calls.front());
            m_calls.pop_front();
        }
        // Events the server had made before the call are handled on their side of it (a chord
        // pressed before a resume counts as suspended): the round trip brings in every event of an
        // input the server processed before it. Each call gets its own: a call made while the
        // one before it ran came after more input.
        if (!m_ioError) {
            XSync(m_display, False);
            HandlePending();
        }
        task();
    }
}

void X11Hook::SetSuspended(bool suspended)
{
    m_suspended = suspended;
    // A chord begun on one side of the change sends nothing on the other; a hold whose message
    // will now never go has nothing to wait for.
    m_machine.Discard();
    if (m_machine.Holding() && !m_holdMessageSent)
        ReleaseHold(true);
}

void X11Hook::SendKeys(std::vector<QbHookKey> keys)
{
    Call([this, keys = std::move(keys)] {
        if (!m_xtest)
            return;
        // WORKAROUND: keys synthesized while a client holds the keyboard (or a passive grab of the
        // key) go to that client. So the grab is let go for the span of the keys, the server grabbed
        // meanwhile so that no other client's requests (the user's keys from a tool like xdotool)
        // fall in between.
        const bool held = m_keyboardGrabbed || m_holdWindow != 0;
        if (held)
            XGrabServer(m_display);
        if (m_holdWindow != 0) {
            // A key typed just now may have set off the passive grab, which would take these keys:
            // its press is handled first (the whole keyboard is held from then on).
            XSync(m_display, False);
            HandlePending();
        }
        const bool grabbed = m_keyboardGrabbed;
        const Window keysAt = m_holdWindow;
        if (grabbed)
            XUngrabKeyboard(m_display, CurrentTime);
        if (keysAt != 0)
            UngrabKeysAt(keysAt);
        for (const QbHookKey& key : keys) {
            const KeyCode keycode =
                key.keysym != 0 ? XKeysymToKeycode(m_display, key.keysym) : static_cast<KeyCode>(key.keycode);
            if (keycode != 0)
                XTestFakeKeyEvent(m_display, keycode, key.down ? True : False, CurrentTime);
        }
        if (grabbed && !GrabKeyboard()) {
            m_keyboardGrabbed = false; // nothing is held any more: replay what was
            m_holdEnd = true;
        }
        if (keysAt != 0 && !GrabKeysAt(keysAt)) {
            m_holdWindow = 0;
            m_holdEnd = true;
        }
        if (held)
            XUngrabServer(m_display);
        XSync(m_display, False);
    });
}

bool X11Hook::GrabKeyboard()
{
    return XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
}

bool X11Hook::GrabKeysAt(Window window)
{
    if (window == None || window == PointerRoot)
        return false;
    // Every key under every modifier. The keyboard freezes at such a key's press until the hook has
    // grabbed all of it (GrabKeyboardForHold), so that nothing typed meanwhile gets past.
    const xcb_void_cookie_t cookie =
        xcb_grab_key_checked(m_connection, 0, static_cast<xcb_window_t>(window), XCB_MOD_MASK_ANY, XCB_GRAB_ANY,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
    if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
        std::free(error);
        return false;
    }
    return true;
}

void X11Hook::UngrabKeysAt(Window window)
{
    const xcb_void_cookie_t cookie =
        xcb_ungrab_key_checked(m_connection, XCB_GRAB_ANY, static_cast<xcb_window_t>(window), XCB_MOD_MASK_ANY);
    std::free(xcb_request_check(m_connection, cookie));
}

void X11Hook::GrabKeyboardForHold()
{
    if (m_holdWindow == 0 || !GrabKeyboard())
        return;
    m_keyboardGrabbed = true;
    UngrabKeysAt(std::exchange(m_holdWindow, 0));
}

bool X11Hook::GrabForHold(bool inPlace)
{
    if (!m_xtest)
        return false;
    // WORKAROUND: GTK counts another client's grab of the keyboard as a loss of focus, and works
    // through a change of focus at every grab and ungrab (a few milliseconds each, accessibility
    // included). A passive grab of the keys at the window in front changes nothing there until the
    // user types.
    const Window focus = inPlace ? FocusWindow() : None;
    m_holdWindow = 0;
    if (GrabKeysAt(focus)) {
        m_holdWindow = focus;
    } else if (GrabKeyboard()) {
        m_keyboardGrabbed = true;
    } else {
        return false;
    }
    m_holdMessageSent = false;
    m_holdEnd = false;
    m_releaseWanted = false;
    m_typeAhead.clear();
    m_holdDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHoldLimitMs);
    return true;
}

void X11Hook::StartHold(bool inPlace)
{
    // The chord's key holds the keyboard for now (its passive grab); the hold's grab taken before
    // its release keeps the keys, so that no key typed after the chord can slip to the application.
    if (m_suspended || !GrabForHold(inPlace))
        m_machine.EndHold();
}

void X11Hook::HoldKeys()
{
    Call([this] {
        if (m_ioError || m_machine.Holding())
            return;
        m_machine.BeginHold();
        if (GrabForHold(false))
            m_holdMessageSent = true; // the program holds it: no message of ours to wait for
        else
            m_machine.EndHold();
    });
}

void X11Hook::HandlePending()
{
    while (!m_ioError && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        Handle(event);
    }
}

void X11Hook::ReleaseHold(bool force)
{
    if (!m_machine.Holding() || (!force && m_machine.TypeAheadDown()))
        return;
    if (!m_ioError) {
        // The server grabbed, every key the user typed so far is here, and none can come between
        // the ungrab and the replay.
        XGrabServer(m_display);
        XSync(m_display, False);
        HandlePending();
        if (!force && m_machine.TypeAheadDown()) {
            XUngrabServer(m_display); // a key went down meanwhile: wait for it to come up
            XFlush(m_display);
            return;
        }
        if (m_keyboardGrabbed)
            XUngrabKeyboard(m_display, CurrentTime);
        if (m_holdWindow != 0)
            UngrabKeysAt(m_holdWindow);
    }
    m_keyboardGrabbed = false;
    m_holdWindow = 0;
    m_holdEnd = false;
    m_releaseWanted = false;
    m_machine.EndHold();
    const std::vector<RecordedKey> keys = std::exchange(m_typeAhead, {});
    if (m_ioError)
        return;
    for (const RecordedKey& key : keys)
        XTestFakeKeyEvent(m_display, key.keycode, key.press ? True : False, CurrentTime);
    XUngrabServer(m_display);
    XSync(m_display, False);
    // A chord among the replayed keys meets the grabs now; it is handled before any later call
    // (a resume) is taken, so that it counts as pressed during the expansion.
    HandlePending();
}

void X11Hook::OnIoError(Display*, void* user)
{
    // The server went away. Returning (instead of Xlib's default, which ends the process) leaves
    // the connection dead; the thread sees the flag and ends quietly.
    static_cast<X11Hook*>(user)->m_ioError = true;
}

void X11Hook::Run()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) {
        std::lock_guard lock(m_callMutex);
        m_ended = true;
        m_ready.set_value(false);
        return;
    }
    XSetIOErrorExitHandler(m_display, &X11Hook::OnIoError, this);
    Open();
    m_ready.set_value(true);
    Loop();
    ReleaseHold(true);
    {
        std::lock_guard lock(m_callMutex);
        m_ended = true;
        m_calls.clear(); // their callers return
    }
    if (!m_ioError) {
        UngrabAll();
        // The ungrab must be done on the server before Stop returns: the program synthesizes
        // keys right after removing the hook, and a grab still held would take them.
        XSync(m_display, False);
    }
    XCloseDisplay(m_display);
    m_display = nullptr;
}

void X11Hook::Open()
{
    m_connection = XGetXCBConnection(m_display);
    m_root = DefaultRootWindow(m_display);
    m_resourceIdMask = xcb_get_setup(m_connection)->resource_id_mask;
    m_clipboard = XInternAtom(m_display, "CLIPBOARD", False);
    m_messageType = XInternAtom(m_display, QB_HOOK_MESSAGE_ATOM, False);

    int fixesError = 0;
    if (XFixesQueryExtension(m_display, &m_fixesEventBase, &fixesError)) {
        int major = 5, minor = 0;
        XFixesQueryVersion(m_display, &major, &minor);
        XFixesSelectSelectionInput(m_display, m_root, m_clipboard, XFixesSetSelectionOwnerNotifyMask);
    } else {
        m_fixesEventBase = -1;
    }

    int xtestEvent = 0, xtestError = 0, xtestMajor = 0, xtestMinor = 0;
    m_xtest = XTestQueryExtension(m_display, &xtestEvent, &xtestError, &xtestMajor, &xtestMinor) != 0;

    int opcode = 0, xkbError = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(m_display, &opcode, &m_xkbEventBase, &xkbError, &major, &minor)) {
        // Selected before the state is read, so that no change falls between the two.
        const unsigned long details = XkbModifierStateMask | XkbGroupStateMask;
        XkbSelectEventDetails(m_display, XkbUseCoreKbd, XkbStateNotify, details, details);
        Bool supported = False;
        XkbSetDetectableAutoRepeat(m_display, True, &supported);
        XkbStateRec state{};
        if (XkbGetState(m_display, XkbUseCoreKbd, &state) == Success) {
            m_heldModifiers = state.base_mods;
            m_effectiveState = XkbBuildCoreState(state.mods, state.group);
        }
    } else {
        // Without XKB the modifiers cannot be followed: messages go out at the chord key's release.
        m_xkbEventBase = -1;
    }

    SelectTypedKeys();
    for (const std::string& text : m_setup.unreadableTexts)
        Report(text);
    GrabChords();
}

void X11Hook::SelectTypedKeys()
{
    int event = 0, error = 0;
    if (!XQueryExtension(m_display, "XInputExtension", &m_xiOpcode, &event, &error)) {
        m_xiOpcode = -1;
        return;
    }
    // 2.1 at least: from then on raw events come whatever grab is active.
    int major = 2, minor = 2;
    if (XIQueryVersion(m_display, &major, &minor) != Success || (major == 2 && minor < 1)) {
        m_xiOpcode = -1;
        return;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(m_display, m_root, &mask, 1);
    // A change of the active window is a change of focus.
    m_activeWindow = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    XSelectInput(m_display, m_root, PropertyChangeMask);
}

Window X11Hook::FocusWindow()
{
    Window focus = None;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    return focus;
}

void X11Hook::HandleRawEvent(XGenericEventCookie& cookie)
{
    if (!XGetEventData(m_display, &cookie))
        return;
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    if (cookie.evtype == XI_RawButtonPress) {
        // A click may put the caret anywhere; the wheel only scrolls.
        if (raw->detail < 4 || raw->detail > 7)
            m_typed.Clear();
    } else if (cookie.evtype == XI_RawKeyPress && !m_machine.Holding()
               && !m_machine.IsChord(static_cast<unsigned>(raw->detail), m_heldModifiers)) {
        // A chord of Quillbox's own never reaches the window, so it changes nothing there; keys
        // held back by a hold count when they are replayed.
        KeySym keysym = NoSymbol;
        unsigned int consumed = 0;
        XkbLookupKeySym(m_display, static_cast<KeyCode>(raw->detail), m_effectiveState, &consumed, &keysym);
        m_typed.OnKeyPress(FocusWindow(), keysym, (m_effectiveState & m_commandBits) != 0);
    }
    XFreeEventData(m_display, &cookie);
}

bool X11Hook::TypedText(std::string* text, bool* cut)
{
    bool seen = false;
    Call([&] {
        if (m_xiOpcode < 0)
            return;
        seen = true;
        *text = m_typed.Text(FocusWindow(), cut);
    });
    return seen;
}

ModifierBits X11Hook::ReadModifierBits() const
{
    // WORKAROUND: which of Mod1..Mod5 carries Alt, Super and NumLock is the keymap's choice
    // (NumLock is Mod2 on most, not on all); the modifier map says what key events will report.
    ModifierBits bits;
    XModifierKeymap* map = XGetModifierMapping(m_display);
    if (map == nullptr)
        return bits;
    bool alt = false, super = false, numLock = false;
    for (int modifier = Mod1MapIndex; modifier <= Mod5MapIndex; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + i];
            if (keycode == 0)
                continue;
            const KeySym sym = XkbKeycodeToKeysym(m_display, keycode, 0, 0);
            const unsigned bit = 1u << modifier;
            if (!alt && (sym == XK_Alt_L || sym == XK_Alt_R)) {
                bits.alt = bit;
                alt = true;
            } else if (!super && (sym == XK_Super_L || sym == XK_Super_R)) {
                bits.super = bit;
                super = true;
            } else if (!numLock && sym == XK_Num_Lock) {
                bits.numLock = bit;
                numLock = true;
            }
        }
    }
    XFreeModifiermap(map);
    if (!numLock)
        bits.numLock = 0;
    return bits;
}

void X11Hook::GrabChords()
{
    const ModifierBits bits = ReadModifierBits();
    struct Wanted {
        const HookSetup::Entry* entry;
        unsigned keycode;
        unsigned state;
    };
    std::vector<Wanted> wanted;
    std::vector<Grab> wantedGrabs;
    for (const HookSetup::Entry& entry : m_setup.chords) {
        KeyCode keycode = XKeysymToKeycode(m_display, entry.chord.keysym);
        if (keycode == 0) {
            KeySym lower = entry.chord.keysym, upper = entry.chord.keysym;
            XConvertCase(entry.chord.keysym, &lower, &upper);
            keycode = XKeysymToKeycode(m_display, lower);
        }
        if (keycode == 0) {
            Report(NoKeyChordText(ChordSettings()[entry.index], entry.chord, m_setup.settingsFile));
            continue;
        }
        const unsigned state = ChordModifierState(entry.chord, bits);
        wanted.push_back({&entry, keycode, state});
        for (unsigned variant : LockVariants(state, bits.numLock))
            wantedGrabs.emplace_back(keycode, variant);
    }
    const unsigned lockBits = kCapsLockBit | bits.numLock;
    m_commandBits = ControlMask | bits.alt | bits.super;
    if (wantedGrabs == m_grabs && !m_grabs.empty())
        return; // a mapping change that left the chords where they were

    UngrabAll();
    std::vector<GrabbedChord> grabbed;
    for (const Wanted& chord : wanted) {
        const HookMessage& message = ChordSettings()[chord.entry->index].message;
        // The keys typed right after the search chord go to the search window once it is up.
        const bool holds =
            m_setup.holdTypeAhead && (message.number == QB_MSG_EXPAND || message.number == QB_MSG_SEARCH);
        const bool inPlace = holds && message.number == QB_MSG_EXPAND;
        // A chord that holds the keys freezes the keyboard at its press (the server queues what
        // follows) until the hook has its own grab: keys typed right after it cannot slip out
        // between the end of the chord's grab and the start of the hold.
        const uint8_t keyboardMode = holds ? XCB_GRAB_MODE_SYNC : XCB_GRAB_MODE_ASYNC;
        const std::vector<unsigned> variants = LockVariants(chord.state, bits.numLock);
        std::vector<xcb_void_cookie_t> cookies;
        for (unsigned variant : variants)
            cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, static_cast<uint16_t>(variant),
                                                   static_cast<xcb_keycode_t>(chord.keycode), XCB_GRAB_MODE_ASYNC,
                                                   keyboardMode));
        // Checked requests: a chord held by another client fails with BadAccess, which comes back
        // here instead of reaching Xlib's error handler (whose default ends the process).
        std::vector<unsigned> held;
        bool taken = false;
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookies[i])) {
                taken = true;
                std::free(error);
            } else {
                held.push_back(variants[i]);
            }
        }
        if (taken) {
            // Half a chord (working only with some lock on) would puzzle more than none.
            for (unsigned variant : held)
                xcb_ungrab_key(m_connection, static_cast<xcb_keycode_t>(chord.keycode), m_root,
                               static_cast<uint16_t>(variant));
            Report(TakenChordText(ChordSettings()[chord.entry->index], chord.entry->chord, m_setup.settingsFile));
            continue;
        }
        for (unsigned variant : held)
            m_grabs.emplace_back(chord.keycode, variant);
        grabbed.push_back({chord.keycode, chord.state, message, holds, inPlace});
    }
    xcb_flush(m_connection);
    m_machine = ChordMachine(std::move(grabbed), lockBits, m_heldModifiers);
}

void X11Hook::UngrabAll()
{
    for (const auto& [keycode, state] : m_grabs)
        xcb_ungrab_key(m_connection, static_cast<xcb_keycode_t>(keycode), m_root, static_cast<uint16_t>(state));
    m_grabs.clear();
    xcb_flush(m_connection);
}

void X11Hook::Loop()
{
    const int displayFd = ConnectionNumber(m_display);
    for (;;) {
        HandlePending();
        if (m_ioError)
            return;
        int timeout = -1;
        if (m_machine.Holding()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_holdDeadline - std::chrono::steady_clock::now());
            if (m_holdEnd || left.count() <= 0) {
                // The program released nothing in time (or the hold lost its grab): the keyboard
                // is never left dead.
                ReleaseHold(true);
                continue;
            }
            if (m_releaseWanted && !m_machine.TypeAheadDown()) {
                ReleaseHold(false);
                if (!m_machine.Holding())
                    continue;
            }
            timeout = static_cast<int>(left.count()) + 1;
        }
        pollfd fds[2] = {{displayFd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0) {
            char drained[64];
            while (read(m_wake[0], drained, sizeof drained) > 0) {
            }
            if (m_stop)
                return;
            RunCalls();
        }
    }
}

void X11Hook::Handle(XEvent& event)
{
    if (event.type == KeyPress || event.type == KeyRelease) {
        const KeyOutcome outcome =
            m_machine.OnKey({event.type == KeyPress, event.xkey.keycode, event.xkey.state});
        if (outcome.startHold)
            StartHold(outcome.holdInPlace);
        if (outcome.record) {
            m_typeAhead.push_back({event.xkey.keycode, event.type == KeyPress});
            GrabKeyboardForHold();
        }
        if (event.type == KeyPress && m_setup.holdTypeAhead)
            XAllowEvents(m_display, AsyncKeyboard, CurrentTime); // thaws a frozen keyboard, if any
        if (outcome.forwardRelease)
            ForwardRelease(event.xkey);
        if (outcome.message)
            SendChordMessage(*outcome.message);
    } else if (event.type == GenericEvent && event.xcookie.extension == m_xiOpcode) {
        HandleRawEvent(event.xcookie);
    } else if (event.type == PropertyNotify) {
        if (event.xproperty.atom == m_activeWindow)
            m_typed.Clear();
    } else if (m_xkbEventBase >= 0 && event.type == m_xkbEventBase) {
        const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
        if (xkb.any.xkb_type == XkbStateNotify) {
            m_effectiveState = XkbBuildCoreState(xkb.state.mods, xkb.state.group);
            if (xkb.state.base_mods == m_heldModifiers)
                return;
            m_heldModifiers = xkb.state.base_mods;
            if (auto message = m_machine.OnModifiers(m_heldModifiers))
                SendChordMessage(*message);
        }
    } else if (m_fixesEventBase >= 0 && event.type == m_fixesEventBase + XFixesSelectionNotify) {
        const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notify.subtype != XFixesSetSelectionOwnerNotify || m_suspended)
            return;
        const BlockTarget target = ReadSharedBlockTarget(m_setup.sharedBlockName.c_str());
        if (target.window == 0)
            return;
        const SelectionOwnerChange change{notify.selection == m_clipboard, notify.owner,
                                          SameClient(notify.owner, target.window, m_resourceIdMask)};
        if (auto message = TranslateSelectionOwnerChange(change))
            SendTo(target, *message);
    } else if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        if (event.xmapping.request != MappingPointer)
            GrabChords();
    }
}

void X11Hook::SendChordMessage(const HookMessage& message)
{
    const bool sent = Send(message);
    if (!m_machine.Holding() || m_holdMessageSent)
        return;
    if (sent) {
        // The program's time starts now, however long the modifiers were held.
        m_holdMessageSent = true;
        m_holdDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHoldLimitMs);
    } else {
        m_holdEnd = true; // nobody will release it
    }
}

bool X11Hook::Send(const HookMessage& message)
{
    if (m_suspended)
        return false;
    // Read at each message: the program writes the block after the hook is installed, and a
    // block that is gone means there is nobody to tell.
    const BlockTarget target = ReadSharedBlockTarget(m_setup.sharedBlockName.c_str());
    if (target.window == 0)
        return false;
    SendTo(target, message);
    return true;
}

void X11Hook::SendTo(const BlockTarget& target, const HookMessage& message)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = target.window;
    event.type = static_cast<xcb_atom_t>(m_messageType);
    event.data.data32[0] = static_cast<uint32_t>(message.number);
    event.data.data32[1] = static_cast<uint32_t>(message.wParam);
    event.data.data32[2] = static_cast<uint32_t>(message.lParam);
    // The run's secret: any client can send a ClientMessage to the window, only the hook knows it.
    event.data.data32[3] = static_cast<uint32_t>(target.secret);
    event.data.data32[4] = static_cast<uint32_t>(target.secret >> 32);
    char wire[32];
    static_assert(sizeof event == sizeof wire);
    std::memcpy(wire, &event, sizeof wire);
    // Checked, so that a window that is gone (a block left by a program that died) costs an
    // error reply here rather than a call of the process-wide Xlib error handler.
    const xcb_void_cookie_t cookie =
        xcb_send_event_checked(m_connection, 0, target.window, XCB_EVENT_MASK_NO_EVENT, wire);
    std::free(xcb_request_check(m_connection, cookie));
}

void X11Hook::ForwardRelease(const XKeyEvent& key)
{
    // The application in front saw this key go down before the chord's grab began; the grab took
    // its release. Without this copy the application would keep the key (typically Ctrl or Alt)
    // down in its own bookkeeping. The server's state is right either way: toolkits that follow
    // XKB's state are not misled, but those that count presses and releases are.
    Window focus = None;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    if (focus == None || focus == PointerRoot)
        return;
    xcb_key_release_event_t release{};
    release.response_type = XCB_KEY_RELEASE;
    release.detail = static_cast<xcb_keycode_t>(key.keycode);
    release.time = static_cast<xcb_timestamp_t>(key.time);
    release.root = static_cast<xcb_window_t>(key.root);
    release.event = static_cast<xcb_window_t>(focus);
    release.child = XCB_NONE;
    release.root_x = static_cast<int16_t>(key.x_root);
    release.root_y = static_cast<int16_t>(key.y_root);
    release.state = static_cast<uint16_t>(key.state);
    release.same_screen = 1;
    char wire[32];
    static_assert(sizeof release == sizeof wire);
    std::memcpy(wire, &release, sizeof wire);
    const xcb_void_cookie_t cookie = xcb_send_event_checked(m_connection, 1, static_cast<xcb_window_t>(focus),
                                                            XCB_EVENT_MASK_KEY_RELEASE, wire);
    std::free(xcb_request_check(m_connection, cookie));
}

void X11Hook::Report(const std::string& text)
{
    if (m_report != nullptr && ReportOnce::First(text))
        m_report(text.c_str(), m_user);
}

} // namespace qbhook
