"""The keyboard helper with the real binary: each chord reaches Quillbox as its message and never the
editor in front, whatever NumLock and CapsLock say; the clipboard manager pair not chosen, a disabled
Quillbox and a chord another program holds leave the keys to the applications; copies made by other
programs are reported and Quillbox's own clipboard changes are not."""

import os
import re
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

# The chords that open a sheet, with the message each posts and the sheet's title.
SHEET_CHORDS = (("ctrl+shift+Insert", "0x420", r"^Clipboard"), ("ctrl+alt+shift+s", "0x428", r"^Shortcuts"),
                ("ctrl+alt+shift+l", "0x429", r"^Source library"), ("ctrl+alt+shift+e", "0x42b", r"^Environments"))

# Another X client holding Ctrl+Alt+Shift+S on the root window under every lock state, until stopped.
GRABBER = r"""
import ctypes, signal
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype, x.XOpenDisplay.argtypes = ctypes.c_void_p, [ctypes.c_char_p]
x.XDefaultRootWindow.restype = x.XStringToKeysym.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XKeysymToKeycode.restype = ctypes.c_ubyte
x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong] + [ctypes.c_int] * 3
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
d = x.XOpenDisplay(None)
code = x.XKeysymToKeycode(d, x.XStringToKeysym(b"s"))
for extra in (0, 2, 16, 18):  # none, CapsLock, NumLock, both
    x.XGrabKey(d, code, 1 | 4 | 8 | extra, x.XDefaultRootWindow(d), 1, 1, 1)
x.XSync(d, 0)
print("grabbed", flush=True)
signal.pause()
"""


def messages(qb, after):
    """The hook messages logged after a position, in order: [(number, lParam)]."""
    return re.findall(r"message (0x[0-9a-f]+) lParam (-?\d+)", qb.log()[after:])


class HookTest(unittest.TestCase):

    def open_and_close(self, s, qb, chord, number, title, press=None):
        mark = qb.log_mark()
        (press or s.chord)(chord)
        qb.wait_for_log(rf"message {number} lParam 0", after=mark)
        qb.close_with_escape(title)

    def test_chords_arrive_and_stay_out_of_the_editors(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            for kind in ("mousepad", "featherpad"):
                with self.subTest(editor=kind):
                    editor = s.start_editor(kind)
                    editor.type("alpha word")
                    s.set_clipboard("saved text")
                    # The expansion over a word that is no shortcut leaves it and the caret as they were.
                    qb.expand_and_wait("saved text")
                    editor.type("X")
                    self.assertEqual(editor.read_text(), "alpha wordX")
                    for chord in SHEET_CHORDS:
                        editor.activate()
                        self.open_and_close(s, qb, *chord)
                    self.assertEqual(editor.read_text(), "alpha wordX")
            # NumLock, then CapsLock on: the chords still arrive (pressed without clearing the lock).
            for lock, shown in (("Num_Lock", "Num Lock"), ("Caps_Lock", "Caps Lock")):
                with self.subTest(lock=lock):
                    s.key(lock)
                    wait_until(lambda: re.search(rf"{shown}:\s+on", s.run(["xset", "q"]).stdout.decode()), 5, lock)
                    for chord in (SHEET_CHORDS[0], SHEET_CHORDS[3]):
                        editor.activate()
                        self.open_and_close(s, qb, *chord, press=s.key)
                    s.key(lock)
                    wait_until(lambda: re.search(rf"{shown}:\s+off", s.run(["xset", "q"]).stdout.decode()), 5, lock)

    def test_copies_the_pair_not_chosen_and_disabled(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"ClipboardMgrKeys": 0}})
            for kind in ("mousepad", "featherpad"):
                with self.subTest(editor=kind):
                    editor = s.start_editor(kind)
                    editor.type("copy me")
                    # A copy in the editor is reported, and so is one made by another program.
                    for copy in (lambda: editor.key("ctrl+a", "ctrl+c"), lambda: s.set_clipboard("from xclip")):
                        mark = qb.log_mark()
                        copy()
                        qb.wait_for_log(r"message 0x41f lParam", after=mark)
                    editor.key("ctrl+End")
                    # Quillbox's own clipboard changes during an expansion are not; messages arrive
                    # in order, so once the next copy is reported nothing else came.
                    editor.activate()
                    editor.type(" wordy")
                    mark = qb.expand_and_wait("from xclip")
                    s.set_clipboard("after the expansion")
                    qb.wait_for_log(r"message 0x41f lParam", after=mark)
                    self.assertEqual(messages(qb, mark), [("0x427", "0"), ("0x41f", "0")])
                    # With the Ctrl+Shift pair chosen, Ctrl+Alt+Insert is the application's.
                    editor.activate()
                    mark = qb.log_mark()
                    s.chord("ctrl+alt+Insert")
                    editor.type("Z")
                    self.assertEqual(editor.read_text(), "copy me wordyZ")
                    s.set_clipboard("marker one")
                    qb.wait_for_log(r"message 0x41f lParam", after=mark)
                    self.assertEqual(messages(qb, mark), [("0x41f", "0")])
            # Disabled: no chord and no copy is reported, and no sheet opens.
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 141 ", after=mark)
            editor.activate()
            for chord, _, _ in SHEET_CHORDS:
                s.chord(chord)
            s.chord("ctrl+alt+space")
            s.set_clipboard("while disabled")
            editor.type("still typing")
            self.assertTrue(editor.read_text().endswith("still typing"))
            self.assertEqual(qb.windows(), [qb.tray_window], "a sheet opened while disabled")
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 129 ", after=mark)
            s.set_clipboard("enabled again")
            qb.wait_for_log(r"message 0x41f lParam", after=mark)
            self.assertEqual(messages(qb, mark), [("0x41f", "0")])

    def test_chord_held_by_another_program(self):
        with Session(self) as s:
            script = os.path.join(s.root, "grabber.py")
            with open(script, "w", encoding="utf-8") as f:
                f.write(GRABBER)
            grabber = s.spawn("grabber", ["/usr/bin/python3", script])
            wait_until(lambda: grabber.poll() is not None or "grabbed" in open(s.log_path_of(grabber)).read(), 10,
                       "the other program to grab Ctrl+Alt+Shift+S")
            self.assertIsNone(grabber.poll())
            qb = s.start_quillbox()
            qb.answer("Return")  # one box tells of the chord taken
            editor = s.start_editor("featherpad")
            # The other chords work; the taken one stays the other program's.
            mark = qb.log_mark()
            s.chord("ctrl+alt+shift+s")
            self.open_and_close(s, qb, *SHEET_CHORDS[2])
            self.assertEqual(messages(qb, mark), [("0x429", "0")])
            # Reported once: the hook is installed again after a sheet and an expansion, no second box.
            editor.activate()
            editor.type("plain")
            s.set_clipboard("kept")
            qb.expand_and_wait("kept")
            editor.activate()
            self.open_and_close(s, qb, *SHEET_CHORDS[3])
            boxes = [w for w in qb.windows() if s.window_name(w) == "Quillbox" and "DIALOG" in s.window_type(w)]
            self.assertFalse(boxes, "the taken chord was reported again")
            self.assertTrue(qb.alive())


if __name__ == "__main__":
    unittest.main(verbosity=2)
