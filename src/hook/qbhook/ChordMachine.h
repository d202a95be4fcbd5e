#pragma once
// Turns the key events of the grabbed chords into messages.
//
// A grabbed chord's key press activates a keyboard grab that lasts until that key is released;
// meanwhile every key event goes to the hook instead of the application in front. Hence:
// - the press arms the chord and its release ends it;
// - the message is held back until the modifiers are up as well, because the program answers
//   it by synthesizing keys (Ctrl+Shift+Left, Ctrl+C, Ctrl+V) that a still-held Alt would turn
//   into other chords;
// - a key that the application saw go down (a modifier pressed before the chord's key) but that
//   is released during the grab would never be seen released by the application; such releases
//   are handed back to it (forwardRelease) so that it does not keep believing Ctrl or Alt is down.
// A chord that holds the keys (the expand and search chords, when the program takes the type-ahead)
// starts a hold at its press: the hook then keeps the keys grabbed past the chord, and every key
// typed after the chord is recorded, to be replayed once the program is ready for it (EndHold).
#include "hook/qbhook/HookMessage.h"
#include "hook/qbhook/HookEvents.h"

#include <optional>
#include <set>
#include <vector>

namespace qbhook {

// A chord as grabbed on this keyboard.
struct GrabbedChord {
    unsigned keycode = 0;
    unsigned state = 0; // modifier state without the lock bits
    HookMessage message;
    bool holdsKeys = false; // its press starts a hold
    // The hold keeps the keys at the window in front, which keeps the focus for the hold's span (an
    // expansion, not the search window that takes it).
    bool holdsInPlace = false;
};

struct KeyOutcome {
    std::optional<HookMessage> message;
    bool forwardRelease = false; // send this release to the window that has the focus
    bool startHold = false;      // keep the keys grabbed: a hold began
    bool holdInPlace = false;    // that hold's chord holdsInPlace
    bool record = false;         // the user's type-ahead: keep it for the replay
};

class ChordMachine {
public:
    ChordMachine() = default;
    // lockBits: CapsLock and NumLock, ignored when matching. heldModifiers: the modifiers down now.
    ChordMachine(std::vector<GrabbedChord> chords, unsigned lockBits, unsigned heldModifiers);

    KeyOutcome OnKey(const KeyEventValues& event);

    // The modifiers held changed (XKB's base modifiers); returns the held-back message once none
    // is down.
    std::optional<HookMessage> OnModifiers(unsigned heldModifiers);

    // Whether a press of keycode with the modifiers state is one of the chords: it goes to the hook,
    // never to the window in front.
    bool IsChord(unsigned keycode, unsigned state) const;

    // True between the press of a chord's key and its release.
    bool Armed() const { return m_armed.has_value(); }

    // Forgets the message held back for the modifiers, and the one the chord now down would give:
    // a chord pressed while the hook is suspended sends nothing, even if it ends after the resume.
    void Discard();

    // True from the press of a chord that holds the keys, or from BeginHold, until EndHold.
    bool Holding() const { return m_holding; }
    // A hold the program asked for (a paste about to be made): every key typed from now on is
    // recorded, as after a chord that holds the keys.
    void BeginHold();
    // True while a key typed during the hold is down: replayed now, its press would reach the
    // application as a repeat of a key already down (which the server drops), its release never.
    bool TypeAheadDown() const { return !m_recordedDown.empty(); }
    // The hold is over (the keys are replayed, or the grab could not be had); a chord still down
    // then gives no message, since its release will go to the application.
    void EndHold();

private:
    bool ModifiersUp() const;

    std::vector<GrabbedChord> m_chords;
    unsigned m_lockBits = 0;
    unsigned m_held = 0;
    std::optional<GrabbedChord> m_armed;
    bool m_armedMuted = false; // the armed chord gives no message (Discard)
    std::optional<HookMessage> m_pending;
    std::set<unsigned> m_pressedInGrab; // keys whose press the application did not see
    bool m_holding = false;
    std::set<unsigned> m_recordedDown; // type-ahead keys whose press is recorded
};

} // namespace qbhook
