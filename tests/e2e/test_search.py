"""The search window with the real binary over mousepad (a GTK editor): the Search chord opens it
over the editor with the caret in its field, keys typed at once after the chord landing there; part
of a shortcut's description and Enter paste the shortcut's text into the editor, part of a copied
text and Enter paste that text, and the user's clipboard comes back each time; Esc gives the editor
the focus back."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

SIG = "Kind regards, Quill"


class SearchTest(unittest.TestCase):

    def search(self, s, qb, editor, typed, key, ahead=False):
        """Opens the search over the editor, types (ahead: at once after the chord, before the window
        is up), presses key; the editor has the focus after."""
        editor.activate()
        if ahead:
            # One run of xdotool, no pause between the keys: they all come before the window is up.
            s.run(["xdotool", "key", "--delay", "0", "ctrl+alt+shift+f",
                   *("space" if c == " " else c for c in typed)])
        else:
            s.chord("ctrl+alt+shift+f")
        window = qb.find_window(r"^Search", window_type="DIALOG")
        wait_until(lambda: s.active_window() == window, 10, "the search window to have the focus")
        if typed and not ahead:
            s.type_text(typed)
        mark = qb.log_mark()
        s.key(key)
        qb.wait_window_gone(window)
        wait_until(editor.is_active, 10, "the editor to have the focus back")
        return mark

    def test_search_pastes_a_shortcut_and_a_copy_and_esc_gives_the_focus_back(self):
        with Session(self) as s:
            s.start_quillbox()
            qb = s.restart_quillbox(meanwhile=lambda: s.database(
                ("insert into Shortcuts values (0, 'sig', 'closing signature', ?)", (SIG,))))
            editor = s.start_editor("mousepad")
            s.set_clipboard("copied zebra text")
            qb.wait_for_log(r"copy kept")
            s.set_clipboard("user's own")

            # Typed at once after the chord: the keys wait for the window and land in its field.
            self.search(s, qb, editor, "clos sig", "Return", ahead=True)
            editor.wait_text(SIG)
            s.wait_clipboard("user's own")
            self.search(s, qb, editor, "zebra", "Return")
            editor.wait_text(SIG + "copied zebra text")
            s.wait_clipboard("user's own")
            mark = self.search(s, qb, editor, "sig", "Escape")
            editor.type("!")
            editor.wait_text(SIG + "copied zebra text!")
            self.assertNotRegex(qb.log()[mark:], r"message 0x")


if __name__ == "__main__":
    unittest.main(verbosity=2)
