"""The keyboard helper stays up for the whole run: it answers each of 100 expansions and 20 sheets
opened and closed by their keys, and still answers after them; the keys the user types right after
the chord land after the text, in order."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session  # noqa: E402
from test_expansion import FLASH, start_with_shortcuts  # noqa: E402

EXPANSIONS, SHEETS = 100, 20


class EnduranceTest(unittest.TestCase):
    def test_many_expansions_then_many_sheets(self):
        with Session(self) as s:
            qb = start_with_shortcuts(s, 0)
            editor = s.start_editor("mousepad")
            editor.activate()
            for _ in range(EXPANSIONS):
                editor.type(" abc")
                mark = qb.log_mark()
                s.chord("ctrl+alt+space")
                qb.wait_for_log(FLASH, after=mark)

            for _ in range(SHEETS):
                s.chord("ctrl+alt+shift+s")
                qb.close_with_escape(r"^Shortcuts")
            editor.activate()
            editor.clear()
            editor.type("x abc")
            editor.wait_text("x abc")
            # The user goes on typing at once: the keys are held and come after the text.
            s.run(["sh", "-c", "xdotool key --clearmodifiers ctrl+alt+space && xdotool type ' thanks'"])
            editor.wait_text("x Alpha Beta Gamma thanks")


if __name__ == "__main__":
    unittest.main(verbosity=2)
