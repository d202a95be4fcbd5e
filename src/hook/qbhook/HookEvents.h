#pragma once
// X events as plain values, and their translation into hook messages. Pure functions: the X11
// hook fills the values from its events, the tests fill them by hand.
#include "hook/qbhook/HookMessage.h"
#include "hook/qbhook/Chord.h"

#include <optional>
#include <vector>

namespace qbhook {

// A core key event: press or release of keycode, with the modifier state the server reported
// (the state before the event, including the lock modifiers).
struct KeyEventValues {
    bool press = true;
    unsigned keycode = 0;
    unsigned state = 0;
};

// An XFixes notification that a selection changed owner.
struct SelectionOwnerChange {
    bool selectionIsClipboard = false; // CLIPBOARD; XFixes reports PRIMARY and others too
    unsigned long owner = 0;           // the new owner window; 0 when the selection was cleared
    bool ownerIsOurs = false;          // the owner window belongs to the program (see SameClient)
};

// The X modifier bits that carry a chord's modifiers on this keyboard (from its modifier map).
struct ModifierBits {
    unsigned alt = 1u << 3;     // Mod1 on every common keymap
    unsigned super = 1u << 6;   // Mod4
    unsigned numLock = 1u << 4; // Mod2; 0 when no modifier carries Num_Lock
};

constexpr unsigned kShiftBit = 1u << 0;
constexpr unsigned kCapsLockBit = 1u << 1;
constexpr unsigned kControlBit = 1u << 2;
constexpr unsigned kCoreModifierBits = 0xFFu; // Shift, Lock, Control, Mod1..Mod5

// The X modifier state that chord needs held.
unsigned ChordModifierState(const Chord& chord, const ModifierBits& bits);

// The modifier states under which a chord is grabbed: as written, and with NumLock, CapsLock and
// both, so that the chord works whatever lock is on. Without a NumLock bit, two states.
std::vector<unsigned> LockVariants(unsigned chordState, unsigned numLockBit);

// True when two X ids were handed out to the same client: the server gives each client a
// resource-id base, and the bits outside the resource-id mask are that base.
bool SameClient(unsigned long a, unsigned long b, unsigned long resourceIdMask);

// A change of the CLIPBOARD owner to a window of another client is a copy; PRIMARY, clearing the
// clipboard and the program's own changes are not.
std::optional<HookMessage> TranslateSelectionOwnerChange(const SelectionOwnerChange& change);

} // namespace qbhook
