"""Start-up, the tray icon and its menu, Quit, and signals while a question is open: the real binary
on its own display."""

import os
import signal
import stat
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session  # noqa: E402

ENABLED = r'tray icon 129 "?Quillbox \(Enabled\)"?'
DISABLED = r'tray icon 141 "?Quillbox \(Disabled\)"?'


class TrayTest(unittest.TestCase):

    def toggle_twice(self, qb):
        mark = qb.log_mark()
        qb.click_tray(1)
        qb.wait_for_log(DISABLED, after=mark)
        qb.click_tray(1)
        qb.wait_for_log(ENABLED, after=mark)

    def test_first_start_files_toggle_and_quit_no_then_yes(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 25}})
            qb.wait_for_log(ENABLED)
            # The data file and fm.tmp in the folder it started from, for their owner only.
            for name in ("qbdat.dbf", "fm.tmp"):
                mode = os.stat(os.path.join(s.cwd, name)).st_mode
                self.assertEqual(stat.S_IMODE(mode) & 0o077, 0, f"{name} is readable by others")
            self.toggle_twice(qb)
            menu = qb.open_menu()
            s.key("Escape")
            qb.wait_window_gone(menu)

            qb.menu("q")
            qb.answer("n")
            self.toggle_twice(qb)
            # The settings are written as it ends: removed now, they come back with what it read.
            os.remove(s.settings_path())
            qb.menu("q")
            qb.answer("y")
            self.assertEqual(qb.wait_exit(10), 0)
            settings = s.read_settings()["Prefrences"]
            self.assertEqual(settings.get("MaxClipboardItems"), "25")
            self.assertEqual(os.path.realpath(settings.get("database", "")), os.path.realpath(os.path.join(s.cwd, "qbdat.dbf")))

    def test_signals_while_a_question_is_open(self):
        # The Quit question, and the start-up question about a data file that is no data file:
        # SIGTERM and SIGHUP close the box and end Quillbox in order; the file is left as it was.
        for sig in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=sig.name, box="Quit"), Session(self) as s:
                qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 7}})
                block = f"/dev/shm/quillbox-{os.getuid()}-{s.display.lstrip(':')}"
                qb.menu("q")
                qb.message_box()
                os.remove(s.settings_path())
                qb.send_signal(sig)
                self.assertEqual(qb.wait_exit(5), 0, qb.log())
                self.assertEqual(s.read_settings()["Prefrences"].get("MaxClipboardItems"), "7")
                self.assertFalse(os.path.exists(block))
            with self.subTest(signal=sig.name, box="start-up"), Session(self) as s:
                junk = os.urandom(8192)
                qb = s.start_quillbox(settings={"Prefrences": {"ClipboardActive": 1}},
                                      files={"qbdat.dbf": junk}, wait_tray=False)
                qb.message_box()
                qb.send_signal(sig)
                self.assertEqual(qb.wait_exit(5), 0, qb.log())
                self.assertIn("qbdat.dbf cannot be used", qb.log())
                with open(os.path.join(s.cwd, "qbdat.dbf"), "rb") as f:
                    self.assertEqual(f.read(), junk)
                self.assertEqual([n for n in os.listdir(s.cwd) if n.startswith("qbdat.v")], [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
