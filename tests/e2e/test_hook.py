"""The keyboard helper with the real binary: each chord reaches Quillbox as its message and never the
editor in front, whatever NumLock and CapsLock say; the clipboard manager pair not chosen, a disabled
Quillbox and a chord another program holds leave the keys to the applications; copies made by other
programs are reported and Quillbox's own clipboard changes are not."""

import ctypes
import ctypes.util
import os
import re
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

ENABLED = r"tray icon 129 "
DISABLED = r"tray icon 141 "
EDITORS = ("mousepad", "featherpad")
# The chords that open a sheet, with the message each posts and the sheet's title.
SHEET_CHORDS = (("ctrl+alt+shift+s", "0x428", r"^Shortcuts"),
                ("ctrl+alt+shift+l", "0x429", r"^Source library"),
                ("ctrl+alt+shift+e", "0x42b", r"^Environments"))

# Another X client holding Ctrl+Alt+Shift+S on the root window under every lock state, until it is
# stopped; it says "grabbed" once the server has answered.
GRABBER = r"""
import ctypes, signal, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XStringToKeysym.restype = ctypes.c_ulong
x.XStringToKeysym.argtypes = [ctypes.c_char_p]
x.XKeysymToKeycode.restype = ctypes.c_ubyte
x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int,
                       ctypes.c_int, ctypes.c_int]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
d = x.XOpenDisplay(None)
if not d:
    sys.exit("no display")
root = x.XDefaultRootWindow(d)
code = x.XKeysymToKeycode(d, x.XStringToKeysym(b"s"))
SHIFT, LOCK, CONTROL, MOD1, MOD2 = 1, 2, 4, 8, 16
for extra in (0, LOCK, MOD2, LOCK | MOD2):
    x.XGrabKey(d, code, SHIFT | CONTROL | MOD1 | extra, root, 1, 1, 1)
x.XSync(d, 0)
print("grabbed", flush=True)
signal.pause()
"""


class _X:
    """The CLIPBOARD owner, asked on a short connection of the test's own (never one left open
    when the session's display ends: Xlib would end this process)."""

    def __init__(self, display):
        self.display = display
        self.lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XGetSelectionOwner.restype = ctypes.c_ulong
        self.lib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    def clipboard_owner(self):
        dpy = self.lib.XOpenDisplay(self.display.encode())
        if not dpy:
            raise AssertionError(f"cannot open display {self.display}")
        try:
            return self.lib.XGetSelectionOwner(dpy, self.lib.XInternAtom(dpy, b"CLIPBOARD", 0))
        finally:
            self.lib.XCloseDisplay(dpy)


def messages(log, after):
    """The hook messages logged after a position, in order: [(number, lParam)]."""
    return re.findall(r"message (0x[0-9a-f]+) lParam (-?\d+)", log[after:])


class HookTest(unittest.TestCase):

    def expand_and_wait(self, s, qb, x, saved):
        """Presses the expansion chord over a word that is no shortcut and waits until Quillbox has
        put the user's clipboard text back: the clipboard then has a new owner again holding saved."""
        before = x.clipboard_owner()
        mark = qb.log_mark()
        s.chord("ctrl+alt+space")
        qb.wait_for_log(r"message 0x427 lParam 0", after=mark)
        wait_until(lambda: x.clipboard_owner() != before and s.get_clipboard() == saved, 10,
                   "the expansion to give the clipboard back")

    def test_chords_arrive_and_stay_out_of_the_editors(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            x = _X(s.display)
            editors = [s.start_editor(kind) for kind in EDITORS]
            for editor in editors:
                with self.subTest(editor=editor.kind):
                    editor.activate()
                    editor.type("alpha word")
                    s.set_clipboard("saved text")

                    # The expansion over a word that is no shortcut: the word stays as typed, nothing
                    # selected, the caret where it was (what is typed next lands at the end).
                    self.expand_and_wait(s, qb, x, "saved text")
                    editor.type("X")
                    self.assertEqual(editor.read_text(), "alpha wordX")

                    # The clipboard manager key (the default pair); the manager opens and Esc closes it.
                    mark = qb.log_mark()
                    s.chord("ctrl+shift+Insert")
                    qb.wait_for_log(r"message 0x420 lParam 0", after=mark)
                    sheet = qb.find_window(r"^Clipboard", window_type="DIALOG")
                    s.activate(sheet)
                    s.key("Escape")
                    qb.wait_window_gone(sheet)

                    for chord, number, title in SHEET_CHORDS:
                        editor.activate()
                        mark = qb.log_mark()
                        s.chord(chord)
                        qb.wait_for_log(rf"message {number} lParam 0", after=mark)
                        sheet = qb.find_window(title, window_type="DIALOG")
                        s.activate(sheet)
                        s.key("Escape")
                        qb.wait_window_gone(sheet)

                    # None of the chords' keys reached the editor.
                    editor.activate()
                    self.assertEqual(editor.read_text(), "alpha wordX")
                    editor.clear()

            # NumLock on, then CapsLock on: the chords still arrive (no held modifier is cleared, so
            # the lock stays as it is while the chord is pressed).
            editor = editors[0]
            editor.activate()
            for lock, shown in (("Num_Lock", "Num Lock"), ("Caps_Lock", "Caps Lock")):
                with self.subTest(lock=lock):
                    s.key(lock)
                    wait_until(lambda: re.search(rf"{shown}:\s+on", s.run(["xset", "q"]).stdout.decode()), 5,
                               f"{shown} to be on")
                    mark = qb.log_mark()
                    s.key("ctrl+shift+Insert")
                    qb.wait_for_log(r"message 0x420 lParam 0", after=mark)
                    sheet = qb.find_window(r"^Clipboard", window_type="DIALOG")
                    s.activate(sheet)
                    s.key("Escape")
                    qb.wait_window_gone(sheet)
                    editor.activate()
                    mark = qb.log_mark()
                    s.key("ctrl+alt+shift+e")
                    qb.wait_for_log(r"message 0x42b lParam 0", after=mark)
                    sheet = qb.find_window(r"^Environments", window_type="DIALOG")
                    s.activate(sheet)
                    s.key("Escape")
                    qb.wait_window_gone(sheet)
                    editor.activate()
                    s.key(lock)
                    wait_until(lambda: re.search(rf"{shown}:\s+off", s.run(["xset", "q"]).stdout.decode()), 5,
                               f"{shown} to be off")
            self.assertTrue(qb.alive())

    def test_copies_the_pair_not_chosen_and_disabled(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"ClipboardMgrKeys": 0}})
            x = _X(s.display)
            for kind in EDITORS:
                with self.subTest(editor=kind):
                    editor = s.start_editor(kind)
                    editor.type("copy me")

                    # A copy in the editor is reported once its selection is the clipboard's.
                    mark = qb.log_mark()
                    editor.key("ctrl+a", "ctrl+c")
                    s.wait_clipboard("copy me")
                    qb.wait_for_log(r"message 0x41f lParam", after=mark)
                    editor.key("ctrl+End")

                    # So is one made by another program (xclip).
                    mark = qb.log_mark()
                    s.set_clipboard("from xclip")
                    qb.wait_for_log(r"message 0x41f lParam", after=mark)

                    # Quillbox's own changes are not: an expansion sets the clipboard three times (its
                    # marker, then the user's text back) and the editor copies the word meanwhile.
                    # Messages arrive in order, so once the next copy is reported, nothing else came.
                    editor.activate()
                    editor.type(" wordy")
                    mark = qb.log_mark()
                    self.expand_and_wait(s, qb, x, "from xclip")
                    s.set_clipboard("after the expansion")
                    qb.wait_for_log(r"message 0x41f lParam", after=mark)
                    self.assertEqual(messages(qb.log(), mark), [("0x427", "0"), ("0x41f", "0")])

                    # With the Ctrl+Shift pair chosen, Ctrl+Alt+Insert is the application's: no
                    # message, and the editor goes on taking keys.
                    editor.activate()
                    mark = qb.log_mark()
                    s.chord("ctrl+alt+Insert")
                    editor.type("Z")
                    self.assertEqual(editor.read_text(), "copy me wordyZ")
                    s.set_clipboard("marker one")
                    qb.wait_for_log(r"message 0x41f lParam", after=mark)
                    self.assertEqual(messages(qb.log(), mark), [("0x41f", "0")])
                    editor.close()

            # Disabled: the hook is gone, no chord and no copy is reported.
            editor = s.start_editor("mousepad")
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(DISABLED, after=mark)
            editor.activate()
            for chord in ("ctrl+alt+space", "ctrl+shift+Insert", "ctrl+alt+shift+s", "ctrl+alt+shift+l",
                          "ctrl+alt+shift+e"):
                s.chord(chord)
            s.set_clipboard("while disabled")
            editor.type("still typing")
            self.assertTrue(editor.read_text().endswith("still typing"))
            self.assertEqual(qb.windows(), [qb.tray_window], "a sheet opened while disabled")
            qb.click_tray(1)
            qb.wait_for_log(ENABLED, after=mark)
            s.set_clipboard("enabled again")
            qb.wait_for_log(r"message 0x41f lParam", after=mark)
            self.assertEqual(messages(qb.log(), mark), [("0x41f", "0")])

    def test_chord_held_by_another_program(self):
        with Session(self) as s:
            script = os.path.join(s.root, "grab.py")
            with open(script, "w", encoding="utf-8") as f:
                f.write(GRABBER)
            grabber = s.spawn("grabber", ["/usr/bin/python3", script])

            def said():
                with open(s.log_path_of(grabber), encoding="utf-8") as f:
                    return f.read()
            wait_until(lambda: "grabbed" in said() or grabber.poll() is not None, 10,
                       "the other program to grab Ctrl+Alt+Shift+S")
            self.assertIsNone(grabber.poll(), said())

            qb = s.start_quillbox()
            # One box tells of the chord taken. Its words (the chord and the ShowShortcuts setting)
            # cannot be read from here: the X server shows only the title, and QMessageBox copies its
            # text with Ctrl+C on Windows only.
            box = qb.message_box()
            s.activate(box)
            s.key("Return")
            qb.wait_window_gone(box)

            editor = s.start_editor("featherpad")
            x = _X(s.display)
            # The other chords work; the taken one stays the other program's.
            mark = qb.log_mark()
            s.chord("ctrl+alt+shift+s")
            s.chord("ctrl+alt+shift+l")
            qb.wait_for_log(r"message 0x429 lParam 0", after=mark)
            sheet = qb.find_window(r"^Source library", window_type="DIALOG")
            s.activate(sheet)
            s.key("Escape")
            qb.wait_window_gone(sheet)
            self.assertEqual(messages(qb.log(), mark), [("0x429", "0")])

            # Reported once: the hook is installed again after the sheet and after an expansion,
            # and no second box comes.
            editor.activate()
            editor.type("plain")
            s.set_clipboard("kept")
            self.expand_and_wait(s, qb, x, "kept")
            editor.type("Y")
            self.assertEqual(editor.read_text(), "plainY")
            mark = qb.log_mark()
            s.chord("ctrl+alt+shift+e")
            sheet = qb.find_window(r"^Environments", window_type="DIALOG")
            s.activate(sheet)
            s.key("Escape")
            qb.wait_window_gone(sheet)
            managed = set(s.client_list())
            boxes = [w for w in qb.windows() if w in managed and s.window_name(w) == "Quillbox"
                     and "DIALOG" in s.window_props(w, "_NET_WM_WINDOW_TYPE").get("_NET_WM_WINDOW_TYPE", "")]
            self.assertFalse(boxes, "the taken chord was reported again")
            self.assertTrue(qb.alive())


if __name__ == "__main__":
    unittest.main(verbosity=2)
