#include "hook/qbhook/ChordMachine.h"

#include <utility>

namespace qbhook {

ChordMachine::ChordMachine(std::vector<GrabbedChord> chords, unsigned lockBits, unsigned heldModifiers)
    : m_chords(std::move(chords)), m_lockBits(lockBits), m_held(heldModifiers)
{
}

bool ChordMachine::ModifiersUp() const
{
    return (m_held & kCoreModifierBits & ~m_lockBits) == 0;
}

KeyOutcome ChordMachine::OnKey(const KeyEventValues& event)
{
    KeyOutcome outcome;
    if (event.press) {
        if (!m_armed) {
            const unsigned state = event.state & kCoreModifierBits & ~m_lockBits;
            for (const GrabbedChord& chord : m_chords) {
                if (chord.keycode == event.keycode && chord.state == state) {
                    m_armed = chord;
                    m_armedMuted = false;
                    m_pressedInGrab.clear();
                    break;
                }
            }
        }
        // Presses during the grab (the chord's own key repeating, or any other key) never reach
        // the application; remembering them keeps their releases from being handed back.
        if (m_armed)
            m_pressedInGrab.insert(event.keycode);
        return outcome;
    }
    if (m_armed && event.keycode == m_armed->keycode) {
        if (!m_armedMuted)
            m_pending = m_armed->message;
        m_armed.reset();
        m_pressedInGrab.clear();
        if (ModifiersUp())
            outcome.message = std::exchange(m_pending, std::nullopt);
        return outcome;
    }
    // Outside a grab no key event reaches the hook; inside one, a release whose press was not
    // taken by the grab belongs to a key the application saw go down.
    if (m_armed && m_pressedInGrab.erase(event.keycode) == 0)
        outcome.forwardRelease = true;
    return outcome;
}

void ChordMachine::Discard()
{
    m_pending.reset();
    m_armedMuted = m_armed.has_value();
}

std::optional<HookMessage> ChordMachine::OnModifiers(unsigned heldModifiers)
{
    m_held = heldModifiers;
    if (m_pending && !m_armed && ModifiersUp())
        return std::exchange(m_pending, std::nullopt);
    return std::nullopt;
}

} // namespace qbhook
