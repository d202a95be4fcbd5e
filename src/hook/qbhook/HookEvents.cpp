#include "hook/qbhook/HookEvents.h"

#include <algorithm>

namespace qbhook {

unsigned ChordModifierState(const Chord& chord, const ModifierBits& bits)
{
    unsigned state = 0;
    if (chord.modifiers & ChordCtrl)
        state |= kControlBit;
    if (chord.modifiers & ChordShift)
        state |= kShiftBit;
    if (chord.modifiers & ChordAlt)
        state |= bits.alt;
    if (chord.modifiers & ChordSuper)
        state |= bits.super;
    return state;
}

std::vector<unsigned> LockVariants(unsigned chordState, unsigned numLockBit)
{
    std::vector<unsigned> variants;
    for (unsigned locks : {0u, numLockBit, kCapsLockBit, numLockBit | kCapsLockBit}) {
        const unsigned state = chordState | locks;
        if (std::find(variants.begin(), variants.end(), state) == variants.end())
            variants.push_back(state);
    }
    return variants;
}

bool SameClient(unsigned long a, unsigned long b, unsigned long resourceIdMask)
{
    return a != 0 && b != 0 && (a & ~resourceIdMask) == (b & ~resourceIdMask);
}

std::optional<HookMessage> TranslateSelectionOwnerChange(const SelectionOwnerChange& change)
{
    if (!change.selectionIsClipboard || change.owner == 0 || change.ownerIsOurs)
        return std::nullopt;
    return HookMessage{QB_MSG_COPY, 0, 0};
}

} // namespace qbhook
