#pragma once
// The characters last typed into the focused window, for an expansion in a window that cannot be
// asked for the word before its caret (a terminal, where Ctrl+C interrupts). Kept in memory only,
// at most kLimit characters; whatever may have moved the caret or changed the line empties it.
#include <cstddef>
#include <deque>
#include <string>

namespace qbhook {

class TypedKeys {
public:
    static constexpr std::size_t kLimit = 12;

    // A key went down while window had the focus: keysym as the keyboard map reads it with the
    // modifiers held, command when Ctrl, Alt or Super is held. A printable character is kept,
    // BackSpace takes the last one back, a modifier alone changes nothing; any other key (Return,
    // Tab, the navigation keys, a chord) and a key for another window start afresh.
    void OnKeyPress(unsigned long window, unsigned long keysym, bool command);
    // A click or a focus change: the caret may be anywhere now.
    void Clear();
    // The characters typed into window, UTF-8; empty for any other window. *cut tells that
    // characters typed before them were dropped.
    std::string Text(unsigned long window, bool* cut) const;

private:
    unsigned long m_window = 0;
    std::deque<std::string> m_chars; // each character as UTF-8
    bool m_cut = false;
};

} // namespace qbhook
