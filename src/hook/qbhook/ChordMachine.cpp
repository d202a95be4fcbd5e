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

bool ChordMachine::IsChord(unsigned keycode, unsigned state) const
{
    state &= kCoreModifierBits & ~m_lockBits;
    for (const GrabbedChord& chord : m_chords)
        if (chord.keycode == keycode && chord.state == state)
            return true;
    return false;
}

KeyOutcome ChordMachine::OnKey(const KeyEventValues& event)
{
    KeyOutcome outcome;
    if (event.press) {
        // During a hold the passive grabs cannot start: a chord typed then is type-ahead like any
        // other key, and meets the grabs again when it is replayed.
        if (!m_armed && !m_holding) {
            const unsigned state = event.state & kCoreModifierBits & ~m_lockBits;
            for (const GrabbedChord& chord : m_chords) {
                if (chord.keycode == event.keycode && chord.state == state) {
                    m_armed = chord;
                    m_armedMuted = false;
                    m_pressedInGrab.clear();
                    if (chord.holdsKeys) {
                        m_holding = outcome.startHold = true;
                        outcome.holdInPlace = chord.holdsInPlace;
                        m_recordedDown.clear();
                    }
                    break;
                }
            }
        }
        // Presses during the grab (the chord's own key repeating, or any other key) never reach
        // the application; remembering them keeps their releases from being handed back.
        if (m_armed) {
            m_pressedInGrab.insert(event.keycode);
        } else if (m_holding) {
            m_recordedDown.insert(event.keycode);
            outcome.record = true;
        }
        return outcome;
    }
    if (m_armed && event.keycode == m_armed->keycode) {
        if (!m_armedMuted)
            m_pending = m_armed->message;
        m_armed.reset();
        m_pressedInGrab.erase(event.keycode);
        if (!m_holding)
            m_pressedInGrab.clear();
        if (ModifiersUp())
            outcome.message = std::exchange(m_pending, std::nullopt);
        return outcome;
    }
    // Outside a grab no key event reaches the hook; inside one, a release whose press was not
    // taken by the grab belongs to a key the application saw go down.
    if (m_armed) {
        outcome.forwardRelease = m_pressedInGrab.erase(event.keycode) == 0;
    } else if (m_holding) {
        if (m_recordedDown.erase(event.keycode) != 0)
            outcome.record = true;
        else if (m_pressedInGrab.erase(event.keycode) == 0)
            outcome.forwardRelease = true;
    }
    return outcome;
}

void ChordMachine::BeginHold()
{
    m_holding = true;
    m_recordedDown.clear();
}

void ChordMachine::EndHold()
{
    m_holding = false;
    m_recordedDown.clear();
    m_armed.reset();
    m_pressedInGrab.clear();
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
