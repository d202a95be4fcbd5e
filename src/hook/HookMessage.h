#pragma once
// One message of the hook library as plain values, and the decoding of the ClientMessage that
// carries it. Plain C++ (no Qt, no X11 headers) so that the hook library and the program share it.
#include "hook/HookMessages.h"

#include <optional>

struct HookMessage {
    long number = 0; // QB_MSG_*
    long wParam = 0; // never read by the program; always 0
    long lParam = 0; // QB_CLIPBOARD_PAIR_* for QB_MSG_CLIPBOARD_MANAGER, otherwise 0

    bool operator==(const HookMessage&) const = default;
};

// True for the numbers that the hook library's channel carries. The tray callback and the
// close-splash message reach the program by other ways, so a ClientMessage naming them is foreign.
constexpr bool IsHookMessageNumber(long number)
{
    switch (number) {
    case QB_MSG_MOUSE:
    case QB_MSG_RESERVED_41C:
    case QB_MSG_RESERVED_41D:
    case QB_MSG_COPY:
    case QB_MSG_CLIPBOARD_MANAGER:
    case QB_MSG_EXPAND:
    case QB_MSG_SHOW_SHORTCUTS:
    case QB_MSG_SHOW_SOURCES:
    case QB_MSG_SHOW_ENVIRONMENTS:
        return true;
    default:
        return false;
    }
}

// Decodes a format-32 ClientMessage that reached the main window: messageTypeAtomMatches says
// whether its type is the atom QB_HOOK_MESSAGE_ATOM, l0..l2 are its first three data words.
// Returns nothing for anything that is not a message of the hook library.
constexpr std::optional<HookMessage> DecodeHookClientMessage(bool messageTypeAtomMatches, long l0, long l1,
                                                             long l2)
{
    if (!messageTypeAtomMatches || !IsHookMessageNumber(l0))
        return std::nullopt;
    return HookMessage{l0, l1, l2};
}
