#pragma once
// The numbers of the messages that reach the main window, as the Windows design numbers them
// (WM_USER + n). On X11 the hook library sends them as ClientMessage events of type
// QB_HOOK_MESSAGE_ATOM, format 32: l[0] the number, l[1] wParam (always 0), l[2] lParam.
// This header is plain C++ so that the hook library, which links no Qt, shares it.

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
// Closes the splash window; a direct call inside the program, never from the hook.
constexpr long QB_MSG_CLOSE_SPLASH = 0x421;
// Expand the word that ends at the caret; sent once the expand chord's keys are all up.
constexpr long QB_MSG_EXPAND = 0x427;
// Open the Shortcuts sheet at its list page.
constexpr long QB_MSG_SHOW_SHORTCUTS = 0x428;
// Open the Source library sheet at its list page.
constexpr long QB_MSG_SHOW_SOURCES = 0x429;
// Open the Environments sheet at its list page.
constexpr long QB_MSG_SHOW_ENVIRONMENTS = 0x42B;

// lParam of QB_MSG_CLIPBOARD_MANAGER, compared by the program with the preference ClipboardMgrKeys.
constexpr long QB_CLIPBOARD_PAIR_CTRL_SHIFT = 0; // the Ctrl+Shift pair (Ctrl+Shift+Insert by default)
constexpr long QB_CLIPBOARD_PAIR_CTRL_ALT = 1;   // the Ctrl+Alt pair (Ctrl+Alt+Insert by default)
