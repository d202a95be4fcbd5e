"""One user on two displays at once: each Quillbox has its own keys, copies and shared block in the
machine's one /dev/shm, and quitting one leaves the other whole."""
import os
import signal
import unittest

from qbharness import Session, wait_until

SHEET = "quillbox.hook: message 0x428"
COPY = "quillbox.clipboard: copy kept"


class DisplaysTest(unittest.TestCase):
    def test_two_displays_of_one_user(self):
        # The second display has no tray host: its Quillbox runs all the same.
        with Session(self) as a, Session("second display", tray=False) as b:
            qa, qb = a.start_quillbox(), b.start_quillbox(wait_tray=False)
            blocks = [f"/dev/shm/quillbox-{os.getuid()}-{s.display.lstrip(':')}" for s in (a, b)]
            wait_until(lambda: all(os.path.exists(block) for block in blocks), 20, f"the blocks {blocks}")

            # The chord and the copy made on the first display reach its Quillbox only.
            mark_a, mark_b = qa.log_mark(), qb.log_mark()
            a.chord("ctrl+alt+shift+s")
            qa.close_with_escape(r"^Shortcuts")
            a.set_clipboard("copied on the first display")
            qa.wait_for_log(COPY, after=mark_a)
            self.assertIn(SHEET, qa.log()[mark_a:])
            self.assertNotIn(SHEET, qb.log()[mark_b:])
            self.assertNotIn(COPY, qb.log()[mark_b:])

            # The second one quits: its block goes, the first one's stays and its keys still work.
            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0, qb.log())
            self.assertFalse(os.path.exists(blocks[1]))
            self.assertTrue(os.path.exists(blocks[0]))
            mark_a = qa.log_mark()
            a.chord("ctrl+alt+shift+s")
            qa.close_with_escape(r"^Shortcuts")
            self.assertIn(SHEET, qa.log()[mark_a:])


if __name__ == "__main__":
    unittest.main(verbosity=2)
