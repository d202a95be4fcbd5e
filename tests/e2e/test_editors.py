"""The editors the end-to-end tests type into, with Quillbox running beside them.

Quillbox's keyboard helper grabs its chords on the whole display: ordinary typing, shifted
characters, characters outside the keymap and line ends must still reach both editors untouched,
and a copy made by another program must reach Quillbox. These cases also prove the harness's
editor driving (start, focus, type, read back) before the expansion and clipboard tests rely on it.
"""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session  # noqa: E402

TEXT = "int main(void) { return 0; }\n\t\"quoted\" 'single' $HOME ~/a_b-c\nnaïve café — 1½ € ő\n"


class EditorTest(unittest.TestCase):

    def check_editor(self, kind):
        with Session(self) as s:
            qb = s.start_quillbox()
            editor = s.start_editor(kind)
            self.assertEqual(s.active_window(), editor.window)
            editor.type(TEXT)
            self.assertEqual(editor.read_text(), TEXT)
            # Reading used PRIMARY only: the clipboard is still empty.
            self.assertIsNone(s.get_clipboard())

            # Another program's copy reaches Quillbox; the clipboard holds it for the editor to paste.
            mark = qb.log_mark()
            s.set_clipboard("from elsewhere ü")
            qb.wait_for_log(r"message 0x41f ", after=mark)
            editor.activate()
            editor.key("ctrl+v")
            editor.wait_text(TEXT + "from elsewhere ü")
            self.assertTrue(qb.alive())

    def test_mousepad(self):
        self.check_editor("mousepad")

    def test_featherpad(self):
        self.check_editor("featherpad")


if __name__ == "__main__":
    unittest.main(verbosity=2)
