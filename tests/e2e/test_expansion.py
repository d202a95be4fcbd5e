"""Expanding a shortcut in the editor in front, in mousepad and featherpad: the word before the caret
becomes the shortcut's text, the caret after it, the user's clipboard as it was; a word that is no
shortcut stays, with the caret where it was and nothing selected, in gedit too; nothing while
disabled."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

EDITORS = ("mousepad", "featherpad")
# A word that is no shortcut: (case, text typed, keys that put the caret). The character typed after
# the expansion lands at the caret, and would replace a selection left behind.
NO_SHORTCUT = (("end of a word", "alpha beta", ()), ("mid-word", "alpha beta", ("Left", "Left")),
               ("line start", "one two\n", ()), ("after punctuation", "one, ", ()), ("empty document", "", ()))
FLASH = r"tray icon 144 "
SIG = "Kind regards, Quill (q@example.org)"


def start_with_shortcuts(s, case_sensitive):
    s.start_quillbox(settings={"Prefrences": {"ShortcutsCaseSensative": case_sensitive}})
    return s.restart_quillbox(meanwhile=lambda: s.database(
        ("insert into Shortcuts values (0, 'abc', 'greeting', 'Alpha Beta Gamma')",),
        ("insert into Shortcuts values (1, 'sig', 'signature', ?)", (SIG,))))


class ExpansionTest(unittest.TestCase):

    def expand(self, s, qb, editor, text, word, replacement):
        """Types word after text, expands it and checks the document and the caret."""
        editor.activate()
        editor.type(word)
        mark = qb.log_mark()
        s.chord("ctrl+alt+space")
        qb.wait_for_log(FLASH, after=mark)
        editor.type("|")
        self.assertEqual(editor.read_text(), text + replacement + "|")
        editor.key("BackSpace")
        return text + replacement

    def test_expansion_in_both_editors(self):
        with Session(self) as s:
            qb = start_with_shortcuts(s, 0)
            for kind in EDITORS:
                with self.subTest(editor=kind):
                    editor = s.start_editor(kind)
                    editor.type("Dear ")
                    s.set_clipboard("user's own text ü")
                    text = self.expand(s, qb, editor, "Dear ", "abc", "Alpha Beta Gamma")
                    s.wait_clipboard("user's own text ü")
                    # Case-insensitive by default; an empty clipboard is left without text.
                    s.spawn("xclip-empty", ["xclip", "-quiet", "-selection", "clipboard", "-i", "/dev/null"])
                    s.wait_clipboard(lambda t: not t)
                    editor.type("\n")
                    text = self.expand(s, qb, editor, text + "\n", "SIG", SIG)
                    self.assertFalse(s.get_clipboard())
                    editor.close()

            # Disabled: the chord is the editor's own, the word stays and nothing flashes.
            editor = s.start_editor("mousepad")
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 141 ", after=mark)
            editor.type("abc")
            s.chord("ctrl+alt+space")
            editor.type("Q")
            self.assertNotIn("Alpha", editor.read_text())
            self.assertNotRegex(qb.log()[mark:], r"message 0x427 |" + FLASH)

    def test_no_shortcut_leaves_caret_and_no_selection(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            for kind in ("gedit", *EDITORS):
                editor = s.start_editor(kind)
                for case, text, moves in NO_SHORTCUT:
                    with self.subTest(editor=kind, case=case):
                        editor.clear()
                        editor.type(text)
                        if moves:
                            editor.key(*moves)
                        s.set_clipboard("kept")
                        editor.activate()
                        mark = qb.expand_and_wait("kept")
                        editor.type("Z")
                        at = len(text) - len(moves)
                        self.assertEqual(editor.read_text(), text[:at] + "Z" + text[at:])
                        self.assertNotRegex(qb.log()[mark:], FLASH)
                editor.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
