"""The clipboard history with the real binary: copies made in the editor are captured, the manager
keys open the Clipboard manager over the editor and paste the item picked with the keyboard, an item
pasted often enough becomes a shortcut, and the program's own pastes are not captured. The history
is read through the program's own Save clipboard (the harness's saved_history)."""

import os
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session  # noqa: E402

COPY = r"quillbox\.hook: message 0x41f lParam 0"
# Notifications less than 200 ms after the last are one copy: copies meant as single ones are spaced.
SPACING = 0.3


class ClipboardTest(unittest.TestCase):
    last_copy = 0.0

    def history(self, qb):
        rows = qb.saved_history()
        self.assertEqual([r[0] for r in rows], list(range(len(rows))))
        return [r[1] for r in rows]

    def space_copies(self):
        # The program's burst window, a rule of its own, not a wait for it to finish something.
        time.sleep(max(0.0, SPACING - (time.monotonic() - self.last_copy)))

    def copy_in_editor(self, s, qb, editor, text, reported=True):
        self.space_copies()
        editor.activate()
        editor.clear()
        editor.type(text)
        editor.wait_text(text)
        mark = qb.log_mark()
        editor.key("ctrl+a", "ctrl+c")
        self.last_copy = time.monotonic()
        s.wait_clipboard(text)
        if reported:
            qb.wait_for_log(COPY, after=mark)

    def test_manager_keys_paste_and_upgrade_to_shortcut(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"ClipboardMgrKeys": 0, "UpgradeToShortcut": 2}})
            editor = s.start_editor("featherpad")
            first, second = "Zqxw pasted twice", "kappa other"
            self.copy_in_editor(s, qb, editor, first)
            self.copy_in_editor(s, qb, editor, second)
            editor.clear()
            editor.type("[")
            # Ctrl+Alt+Insert is not the chosen pair: no message; the keys reach the helper in order.
            mark = qb.log_mark()
            s.chord("ctrl+alt+Insert")
            qb.pick(editor, "Up")  # the newest item is selected: Up picks the older one
            self.assertNotRegex(qb.log()[mark:], r"message 0x420 lParam 1")
            editor.wait_text("[" + first)
            # The second paste of the item makes it a shortcut named after its first three characters.
            qb.pick(editor, "End", "Home")
            editor.type(" zqx")
            mark = qb.log_mark()
            s.chord("ctrl+alt+space")
            qb.wait_for_log(r"tray icon 144 ", after=mark)
            editor.wait_text("[" + first + first + " " + first)
            # Pasting and expanding put texts on the clipboard from the program itself: not captured.
            self.assertEqual(self.history(qb), [first, second])


if __name__ == "__main__":
    unittest.main(verbosity=2)
