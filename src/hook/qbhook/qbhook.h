#ifndef QBHOOK_H
#define QBHOOK_H
/*
 * The hook library: watches the keyboard and the clipboard for Quillbox and sends the program
 * its messages (hook/qbhook/HookMessage.h). On X11 it grabs the configured key chords on the root
 * window and follows the CLIPBOARD owner with XFixes, on its own thread and its own display
 * connection; it sends each message as a ClientMessage to the window named in the shared block.
 * A C interface, so that another backend can stand in for it.
 */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QBHOOK_API __attribute__((visibility("default")))
#else
#define QBHOOK_API
#endif

/* Indexes of QbHookConfig.chords, with their settings key and default. */
enum {
    QBHOOK_CHORD_EXPAND = 0,                /* "Expand", Ctrl+Alt+Space */
    QBHOOK_CHORD_CLIPBOARD_CTRL_SHIFT = 1,  /* "ClipboardManagerCtrlShift", Ctrl+Shift+Insert */
    QBHOOK_CHORD_CLIPBOARD_CTRL_ALT = 2,    /* "ClipboardManagerCtrlAlt", Ctrl+Alt+Insert */
    QBHOOK_CHORD_SHOW_SHORTCUTS = 3,        /* "ShowShortcuts", Ctrl+Alt+Shift+S */
    QBHOOK_CHORD_SHOW_SOURCES = 4,          /* "ShowSources", Ctrl+Alt+Shift+L */
    QBHOOK_CHORD_SHOW_ENVIRONMENTS = 5,     /* "ShowEnvironments", Ctrl+Alt+Shift+E */
    QBHOOK_CHORD_SEARCH = 6,                /* "Search", Ctrl+Alt+Shift+F */
    QBHOOK_CHORD_COUNT = 7
};

typedef struct QbHookConfig {
    /* POSIX shared-memory object holding the block (the program names it for its user and display). Read each
       time a message is to be sent; while it is missing or names window 0, nothing is sent. */
    const char* sharedBlockName;
    /* The clipboard manager pair to grab: 0 Ctrl+Shift, 1 Ctrl+Alt. The other is left alone. */
    int clipboardMgrPair;
    /* The chords as the user wrote them ("Ctrl+Alt+Space"); NULL for the default. An unreadable
       one falls back to its default and is reported. Copied during qbhook_install. */
    const char* chords[QBHOOK_CHORD_COUNT];
    /* The settings file as reports name it; NULL for "~/.config/Quillbox/Quillbox.conf". */
    const char* settingsFile;
    /* Nonzero when the program takes the type-ahead of its expansions and its search: the expand
       and search chords then hold the keyboard from their press on, record the keys the user types
       after them, and keep them until qbhook_release_keys (or for a second at most). The program
       must then synthesize its keys with qbhook_send_keys. 0: keys typed meanwhile reach the
       application in front at once. */
    int holdTypeAhead;
} QbHookConfig;

/* One synthesized key: keysym names it (XK_c, XK_Control_L); when keysym is 0, keycode does. */
typedef struct QbHookKey {
    unsigned long keysym;
    unsigned keycode;
    int down; /* nonzero: pressed; 0: released */
} QbHookKey;

/* Receives a report for the user (UTF-8): a chord that could not be read, or that another
   program holds. Each text is reported once in the life of the process, however often the hook
   is installed again. Called on the hook's thread, also while qbhook_install waits for it: the
   program must hand the text to its user-interface thread without waiting for that thread, and
   must not call qbhook_uninstall from here. */
typedef void (*QbHookReportFn)(const char* text, void* user);

/* Starts a hook. Returns once its chords are grabbed (or reported), with a handle > 0; returns
   0 when it cannot start (no X display). report may be NULL. */
QBHOOK_API int qbhook_install(const QbHookConfig* config, QbHookReportFn report, void* user);

/* Stops the hook: when it returns, the chords are ungrabbed on the server and nothing more is
   sent or reported. A handle that is not installed (0, already removed, unknown) is ignored. */
QBHOOK_API void qbhook_uninstall(int handle);

/* Suspends the hook's messages: its thread, connection and grabs stay up, a chord pressed does
   nothing and does not reach the application, and nothing is sent (neither chords nor copies).
   Returns once the hook's thread has taken it: nothing is sent after the return (a message sent
   before it may still be on its way). Unknown handles are ignored. Not from the report callback. */
QBHOOK_API void qbhook_suspend(int handle);

/* Sends the hook's messages again; returns once the hook's thread has taken it. A chord that
   began while the hook was suspended still sends nothing. */
QBHOOK_API void qbhook_resume(int handle);

/* Synthesizes count keys, in order, to the window that has the focus. During a hold they pass
   the hold (the user's keys stay held) with no other client's input in between. Returns once the
   X server has delivered them. Works with or without a hold; unknown handles are ignored. */
QBHOOK_API void qbhook_send_keys(int handle, const QbHookKey* keys, int count);

/* Holds the keyboard for a paste the program is about to make, as the expand chord does: the keys
   the user types from now on are held until qbhook_release_keys (or for a second at most), and the
   program synthesizes its keys with qbhook_send_keys. Does nothing when a hold is on already, the
   keyboard is grabbed by another client or the handle is unknown. Works while suspended. */
QBHOOK_API void qbhook_hold_keys(int handle);

/* Ends the hold of an expansion: the keyboard is let go and the keys the user typed meanwhile are
   replayed in order, after everything sent with qbhook_send_keys. When no key typed ahead is down,
   that is done when it returns; otherwise it returns at once and the hook ends the hold as soon as
   they are all up (a key replayed while still down would reach the application as a repeat, which
   the server drops, or lose its release). Without a hold it does nothing. A hold the program never
   releases ends by itself 1 s after the expand message. */
QBHOOK_API void qbhook_release_keys(int handle);

/* The printable characters last typed into the window that has the focus, as the hook saw the keys
   (at most 12; BackSpace takes one back; a click, a focus change, Return, Tab, the navigation keys
   and any chord but the hook's own start afresh). They are written to buffer as UTF-8 with a
   closing NUL, cut to size. *cut (may be NULL) is set when characters typed before them were
   dropped. Returns the length of the text in bytes, or -1 when the hook cannot see typed keys (no
   XInput2) or the handle is unknown. The keys are kept in the hook's memory only. */
QBHOOK_API int qbhook_typed_text(int handle, char* buffer, int size, int* cut);

#ifdef __cplusplus
}
#endif

#endif /* QBHOOK_H */
