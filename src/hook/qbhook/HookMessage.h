#pragma once
// The messages of the hook library, as plain values: their numbers, the atom that types them, and
// the decoding of the ClientMessage that carries one. Plain C++ (no Qt, no X11 headers): the
// library sends them, the program (hook/, platform/, the main window) includes this to read them.
//
// The numbers are those of the Windows design (WM_USER + n). On X11 the hook library sends them as
// ClientMessage events of type QB_HOOK_MESSAGE_ATOM, format 32: l[0] the number, l[1] wParam
// (always 0), l[2] lParam, l[3] and l[4] the run's secret.
#include <cstdint>
#include <optional>

// Name of the atom that types every ClientMessage of the hook library; both sides intern it.
constexpr const char* QB_HOOK_MESSAGE_ATOM = "_QUILLBOX_HOOK_MESSAGE";

// Drop the tray menu if one is held. Part of the hook's vocabulary; the X11 hook never sends it.
constexpr long QB_MSG_MOUSE = 0x41B;
// Reserved by the hook's vocabulary with no meaning; never sent.
constexpr long QB_MSG_RESERVED_41C = 0x41C;
// Reserved by the hook's vocabulary with no meaning; never sent.
constexpr long QB_MSG_RESERVED_41D = 0x41D;
// The tray icon's callback; arrives through QSystemTrayIcon, never from the hook.
constexpr long QB_MSG_TRAY_CALLBACK = 0x41E;
// Another application took the clipboard: the user copied something.
constexpr long QB_MSG_COPY = 0x41F;
// The clipboard manager keys were pressed; lParam says which pair (QB_CLIPBOARD_PAIR_*).
constexpr long QB_MSG_CLIPBOARD_MANAGER = 0x420;
// Expand the word that ends at the caret; sent once the expand chord's keys are all up.
constexpr long QB_MSG_EXPAND = 0x427;
// Open the Shortcuts sheet at its list page.
constexpr long QB_MSG_SHOW_SHORTCUTS = 0x428;
// Open the Source library sheet at its list page.
constexpr long QB_MSG_SHOW_SOURCES = 0x429;
// Open the Environments sheet at its list page.
constexpr long QB_MSG_SHOW_ENVIRONMENTS = 0x42B;
// Open the search window over the window in front.
constexpr long QB_MSG_SEARCH = 0x42C;

// lParam of QB_MSG_CLIPBOARD_MANAGER, compared by the program with the preference ClipboardMgrKeys.
constexpr long QB_CLIPBOARD_PAIR_CTRL_SHIFT = 0; // the Ctrl+Shift pair (Ctrl+Shift+Insert by default)
constexpr long QB_CLIPBOARD_PAIR_CTRL_ALT = 1;   // the Ctrl+Alt pair (Ctrl+Alt+Insert by default)

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
    case QB_MSG_SEARCH:
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
