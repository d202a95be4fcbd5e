#pragma once
// A key chord as the user writes it in the settings ("Ctrl+Alt+Space"): modifiers and one key,
// the key an X keysym. Reading and printing need no display, so they are tested without one.
#include <optional>
#include <string>
#include <string_view>

namespace qbhook {

// Modifiers of a chord, independent of which X modifier bit carries them on a given keyboard.
enum ChordModifier : unsigned {
    ChordCtrl = 1u << 0,
    ChordAlt = 1u << 1,
    ChordShift = 1u << 2,
    ChordSuper = 1u << 3,
};

struct Chord {
    unsigned modifiers = 0;   // ChordModifier flags
    unsigned long keysym = 0; // the key; letters are kept as their upper-case keysym

    // Reads "Ctrl+Alt+Shift+S": '+'-separated parts in any order and case, blanks around parts
    // allowed; modifiers Ctrl/Control, Alt, Shift, Super/Meta/Win; exactly one key, named as an
    // X keysym ("Space", "Insert", "F5", "Page_Up"), letters in either case. Nothing for text
    // that is not such a chord: empty parts, no key, two keys, unknown names, a modifier key as
    // the key, chords that would swallow ordinary typing (no Ctrl, Alt or Super, unless the key
    // is a function key) and Ctrl+Alt+F1..F12, which the X server keeps for itself.
    static std::optional<Chord> Parse(std::string_view text);

    // The canonical form: modifiers in the order Ctrl, Alt, Shift, Super, then the key's keysym
    // name with its first letter in upper case ("Ctrl+Alt+Space"). Parse reads it back.
    std::string ToString() const;

    bool operator==(const Chord&) const = default;
};

} // namespace qbhook
