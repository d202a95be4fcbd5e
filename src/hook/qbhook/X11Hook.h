#pragma once
// One installation of the hook on X11: its own thread, its own display connection, the chords
// grabbed on the root window, CLIPBOARD followed through XFixes, modifiers through XKB.
// The thread only translates events into messages and sends them; all work on them is the
// program's, on its own thread.
#include "hook/qbhook/Chord.h"
#include "hook/qbhook/ChordMachine.h"
#include "hook/qbhook/HookEvents.h"
#include "hook/qbhook/SharedBlockLayout.h"
#include "hook/qbhook/TypedKeys.h"
#include "hook/qbhook/qbhook.h"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qbhook {

struct HookSetup {
    struct Entry {
        std::size_t index = 0; // into ChordSettings()
        Chord chord;
    };
    std::string sharedBlockName;
    std::string settingsFile;
    std::vector<Entry> chords;              // the chords in use, already read
    std::vector<std::string> unreadableTexts; // reports of values that fell back to the default
    bool holdTypeAhead = false;               // the expand and search chords hold the type-ahead
};

// How long a hold may last when the program never releases it.
constexpr int kHoldLimitMs = 1000;

class X11Hook {
public:
    X11Hook(HookSetup setup, QbHookReportFn report, void* user);
    ~X11Hook();
    X11Hook(const X11Hook&) = delete;
    X11Hook& operator=(const X11Hook&) = delete;

    // Starts the thread and waits until the chords are grabbed; false when no display opens.
    bool Start();
    // Ungrabs everything on the server, closes the connection and ends the thread.
    void Stop();

    // While suspended the chords stay grabbed (a chord pressed does nothing and does not reach
    // the application) and nothing is sent. Each returns once the thread has taken it.
    void Suspend() { Call([this] { SetSuspended(true); }); }
    void Resume() { Call([this] { SetSuspended(false); }); }

    // Synthesizes keys on the hook's connection, past its hold if one is on (the user's keys stay
    // held); returns once the server has delivered them. Keys with no key on the keyboard are left out.
    void SendKeys(std::vector<QbHookKey> keys);
    // Holds the keyboard for a paste the program is about to make: the keys the user types from now
    // on are recorded until ReleaseKeys (or for a second at most), as during an expansion. Nothing
    // happens when a hold is on already or the keyboard cannot be had.
    void HoldKeys();
    // Ends the hold: the keyboard is let go and the recorded type-ahead replayed in order.
    void ReleaseKeys()
    {
        Call([this] {
            m_releaseWanted = true;
            ReleaseHold(false);
        });
    }

    // The characters typed into the window that has the focus (TypedKeys), once every key the
    // server has seen so far is counted; false when the keys typed cannot be seen (no XInput2).
    bool TypedText(std::string* text, bool* cut);

private:
    using Grab = std::pair<unsigned, unsigned>; // keycode, modifier state

    // Runs work on the hook's thread and returns when it is done (at once when the thread ended).
    void Call(std::function<void()> work);
    void RunCalls();
    void SetSuspended(bool suspended);

    void Run();
    void Open();
    ModifierBits ReadModifierBits() const;
    // Grabs the chords under the current keyboard mapping; when the mapping has moved them, the
    // old grabs are released first. Problems are reported.
    void GrabChords();
    void UngrabAll();
    void Loop();
    void Handle(XEvent& event);
    void StartHold(bool inPlace);
    // Takes the hold's grab: inPlace, every key at the window that has the focus (a passive grab,
    // which the window does not see as a loss of focus until a key is typed), else the keyboard.
    bool GrabForHold(bool inPlace);
    // A key typed during a hold in place: the keyboard is grabbed from now on, as in any hold, so
    // that no release of a key typed ahead can go past the hold to the window.
    void GrabKeyboardForHold();
    // The whole keyboard, for the hook's own window (asynchronous: nothing freezes).
    bool GrabKeyboard();
    // Checked requests: the window may be gone, another client may hold a key there.
    bool GrabKeysAt(Window window);
    void UngrabKeysAt(Window window);
    // Ends the hold and replays the type-ahead; unless forced, not while a key typed ahead is down.
    void ReleaseHold(bool force);
    void HandlePending();
    // Sends a chord's message; a hold waits for the program from then on, or ends when no one got it.
    void SendChordMessage(const HookMessage& message);
    bool Send(const HookMessage& message);
    void SendTo(const BlockTarget& target, const HookMessage& message);
    void ForwardRelease(const XKeyEvent& key);
    // The keys typed, seen as XInput2 raw events (which no grab takes away): TypedKeys.
    void SelectTypedKeys();
    void HandleRawEvent(XGenericEventCookie& cookie);
    Window FocusWindow();
    void Report(const std::string& text);
    static void OnIoError(Display* display, void* user);

    HookSetup m_setup;
    QbHookReportFn m_report = nullptr;
    void* m_user = nullptr;

    Display* m_display = nullptr;
    xcb_connection_t* m_connection = nullptr;
    Window m_root = 0;
    Atom m_clipboard = 0;
    Atom m_messageType = 0;
    int m_fixesEventBase = -1;
    int m_xkbEventBase = -1;
    unsigned long m_resourceIdMask = 0;
    unsigned m_heldModifiers = 0;
    unsigned m_effectiveState = 0;  // modifiers and group as XKB reads keys now (XkbBuildCoreState)
    unsigned m_commandBits = 0;     // Ctrl, Alt and Super
    int m_xiOpcode = -1;            // XInput2's major opcode; -1 without it
    Atom m_activeWindow = 0;
    TypedKeys m_typed;
    std::vector<Grab> m_grabs;          // every grab held on the server
    ChordMachine m_machine;

    bool m_suspended = false;
    bool m_xtest = false;

    // The hold: the keys grabbed past an expand chord (at the window in front, or the whole keyboard),
    // the user's keys recorded meanwhile.
    struct RecordedKey {
        unsigned keycode;
        bool press;
    };
    bool m_keyboardGrabbed = false;
    Window m_holdWindow = 0; // the window whose keys the hold grabs, when it does not grab the keyboard
    bool m_holdMessageSent = false;
    bool m_holdEnd = false;      // end the hold once the events at hand are handled
    bool m_releaseWanted = false; // the program is done: end the hold once the type-ahead is up
    std::chrono::steady_clock::time_point m_holdDeadline;
    std::vector<RecordedKey> m_typeAhead;

    int m_wake[2] = {-1, -1}; // written by Stop and Call to end the thread's wait
    std::mutex m_callMutex;
    std::deque<std::packaged_task<void()>> m_calls;
    bool m_ended = false;          // the thread takes no more calls
    std::atomic<bool> m_stop{false};
    std::promise<bool> m_ready;
    std::thread m_thread;
    std::atomic<bool> m_ioError{false};
};

} // namespace qbhook
