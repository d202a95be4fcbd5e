"""The keyboard helper with the real binary: each chord reaches Quillbox as its message and never the
editor in front, whatever NumLock and CapsLock say."""

import os
import re
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

# The chords that open a sheet, with the message each posts and the sheet's title.
SHEET_CHORDS = (("ctrl+shift+Insert", "0x420", r"^Clipboard"), ("ctrl+alt+shift+s", "0x428", r"^Shortcuts"),
                ("ctrl+alt+shift+l", "0x429", r"^Source library"), ("ctrl+alt+shift+e", "0x42b", r"^Environments"),
                ("ctrl+alt+shift+f", "0x42c", r"^Search"))

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


if __name__ == "__main__":
    unittest.main(verbosity=2)
