"""Terminals, with a program reading its input (cat): the expansion takes the word from the keys typed
and pastes with the terminal's own key, the clipboard manager pastes the same way, the user's
clipboard and PRIMARY come back, and nothing interrupts the program (a Ctrl+C would end cat)."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session  # noqa: E402

SIG = "Kind regards, Quill"
# xterm pastes PRIMARY with Shift+Insert, the VTE ones the clipboard with Ctrl+Shift+V; xfce4-terminal
# fetches the text twice.
TERMINALS = ("xterm", "lxterminal", "xfce4-terminal")


class TerminalTest(unittest.TestCase):

    def test_expansion_and_manager_paste_in_terminals(self):
        with Session(self) as s:
            s.start_quillbox()
            qb = s.restart_quillbox(meanwhile=lambda: s.database(
                ("insert into Shortcuts values (0, 'sig', 'signature', ?)", (SIG,)),))
            for kind in TERMINALS:
                term = s.start_terminal(kind)
                s.set_clipboard("user's clipboard")
                s.set_clipboard("user's primary", "primary")
                term.activate()
                # A shortcut typed after a blank and after punctuation, with a slip taken back.
                for typed in ("say sig", "say (sigg\b"):
                    term.type(typed)
                    mark = qb.log_mark()
                    s.chord("ctrl+alt+space")
                    qb.wait_for_log(r"tray icon 144 ", after=mark)
                    term.type("!\n")
                s.wait_clipboard("user's clipboard")
                s.wait_clipboard("user's primary", "primary")
                # A word that is no shortcut: nothing is sent.
                term.type("sign")
                mark = qb.log_mark()
                s.chord("ctrl+alt+space")
                qb.wait_for_log(r"message 0x427 ", after=mark)
                term.type("!\n")
                # The clipboard manager pastes the newest item, a copy made meanwhile.
                mark = qb.log_mark()
                s.set_clipboard("picked item")
                qb.wait_for_log(r"copy kept", after=mark)
                term.activate()
                term.type("got ")
                qb.pick(term)
                term.type("\nend\n")
                term.wait_lines(["ready", f"say {SIG}!", f"say ({SIG}!", "sign!", "got picked item", "end"])
                s.wait_clipboard("user's primary", "primary")
                self.assertIsNone(term.popen.poll())
                term.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
