#pragma once
// One message of the hook library as plain values, and the decoding of the ClientMessage that
// carries it. Plain C++ (no Qt, no X11 headers) so that the hook library and the program share it.
#include "hook/HookMessages.h"

#include <cstdint>
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

// Decodes the data words l0..l4 of a format-32 ClientMessage of type QB_HOOK_MESSAGE_ATOM (the
// caller checks the type) that reached the main window: l0 the number, l1 wParam, l2 lParam, l3
// and l4 the low and high halves of the run's secret. Returns nothing for anything that is not a
// message of the hook library, and for a message without expectedSecret: any client can send a
// ClientMessage to the window. Only the low 32 bits of each word count (Xlib may sign-extend them).
constexpr std::optional<HookMessage> DecodeHookClientMessage(long l0, long l1, long l2, long l3, long l4,
                                                             std::uint64_t expectedSecret)
{
    const std::uint64_t secret =
        static_cast<std::uint64_t>(static_cast<std::uint32_t>(l4)) << 32 | static_cast<std::uint32_t>(l3);
    if (expectedSecret == 0 || secret != expectedSecret || !IsHookMessageNumber(l0))
        return std::nullopt;
    return HookMessage{l0, l1, l2};
}
