"""Start-up, the tray icon and its menu, and the ways Quillbox ends: the real binary on its own display."""

import os
import signal
import sqlite3
import stat
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qbharness  # noqa: E402
from qbharness import Session  # noqa: E402

ENABLED = r'tray icon 129 "?Quillbox \(Enabled\)"?'
DISABLED = r'tray icon 141 "?Quillbox \(Disabled\)"?'


class TrayTest(unittest.TestCase):

    def test_first_start_tray_files_toggle_and_menu(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            qb.wait_for_log(ENABLED)

            # The files the README promises: data file and fm.tmp in the folder it started from,
            # readable by their owner only; the settings under ~/.config with the group [Prefrences].
            for name in ("qbdat.dbf", "fm.tmp"):
                path = os.path.join(s.cwd, name)
                self.assertTrue(os.path.isfile(path), f"{name} is not in the current folder")
                self.assertEqual(stat.S_IMODE(os.stat(path).st_mode) & 0o077, 0, f"{name} is readable by others")
            self.assertEqual(os.path.getsize(os.path.join(s.cwd, "fm.tmp")), 12)
            self.assertEqual(s.settings_path(), os.path.join(s.home, ".config", "Quillbox", "Quillbox.conf"))
            settings = s.read_settings()
            self.assertIn("Prefrences", settings.sections())
            self.assertEqual(os.path.realpath(settings["Prefrences"].get("database", "")),
                             os.path.realpath(os.path.join(s.cwd, "qbdat.dbf")))

            # Left click: off, and on again.
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(DISABLED, after=mark)
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(ENABLED, after=mark)

            # Right click: the menu opens as a popup of its own; Escape closes it and nothing runs.
            menu = qb.open_menu()
            info = s.window_info(menu)
            self.assertTrue(info.override_redirect and info.viewable)
            s.key("Escape")
            qb.wait_window_gone(menu)
            self.assertTrue(qb.alive())

    def test_quit_answered_no_then_yes_writes_settings(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 25}})
            qb.menu("q")
            qb.answer("n")
            # Still running and answering: a full toggle and the menu again.
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(DISABLED, after=mark)
            qb.click_tray(1)
            qb.wait_for_log(ENABLED, after=mark)
            self.assertTrue(qb.alive(), "Quit answered No ended the program")

            # The settings are written as it ends: removed now, they must come back with what it read.
            os.remove(s.settings_path())
            qb.menu("q")
            qb.answer("y")
            self.assertEqual(qb.wait_exit(10), 0)
            settings = s.read_settings()
            self.assertEqual(settings["Prefrences"].get("MaxClipboardItems"), "25")
            self.assertEqual(settings["Prefrences"].get("ClipboardActive"), "1")
            self.assertEqual(os.path.realpath(settings["Prefrences"].get("database", "")),
                             os.path.realpath(os.path.join(s.cwd, "qbdat.dbf")))

    def test_sigterm_ends_in_order(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 7}})
            os.remove(s.settings_path())
            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0)
            self.assertEqual(s.read_settings()["Prefrences"].get("MaxClipboardItems"), "7")

    def test_display_gone_ends_in_order(self):
        # The X server ends while the About box runs its own loop: the preferences are written,
        # the keyboard helper lets its block go, the data file is whole, exit code 0.
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 7}})
            qb.menu("h", "a")
            qb.find_window(r"^About Quillbox")
            block = f"/dev/shm/quillbox-{os.getuid()}-{s.display.lstrip(':')}"
            self.assertTrue(os.path.exists(block))
            os.remove(s.settings_path())
            s.kill_display()
            self.assertEqual(qb.wait_exit(10), 0, qb.log())
            self.assertIn("the X display went away", qb.log())
            self.assertNotRegex(qb.log(), r"terminate|Aborted|Segmentation|AddressSanitizer|runtime error")
            self.assertEqual(s.read_settings()["Prefrences"].get("MaxClipboardItems"), "7")
            self.assertFalse(os.path.exists(block))
            with sqlite3.connect(os.path.join(s.cwd, "qbdat.dbf")) as db:
                self.assertEqual(db.execute("pragma integrity_check").fetchone()[0], "ok")
            db.close()

    def test_sigterm_while_about_box_is_open(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            qb.menu("h", "a")
            qb.find_window(r"^About Quillbox")
            start = time.monotonic()
            qb.send_signal(signal.SIGTERM)
            code = qb.wait_exit(5)
            print(f"\nSIGTERM with the About box open: ended after {time.monotonic() - start:.2f} s",
                  file=sys.stderr)
            self.assertEqual(code, 0)

    def test_signals_while_a_question_is_open(self):
        # The Quit question, and the start-up question about a data file that is no data file:
        # SIGTERM and SIGHUP close the box and end Quillbox in order; the file is left as it was.
        block = None
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

    # The tray stays usable while a modal window of the program runs.
    def test_quit_from_tray_while_about_box_is_open(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            qb.menu("h", "a")
            qb.find_window(r"^About Quillbox")
            qb.menu("q", timeout=5)
            box = qb.message_box()
            s.activate(box)
            start = time.monotonic()
            s.key("y")
            code = qb.wait_exit(5)
            print(f"\nQuit with the About box open: ended {time.monotonic() - start:.2f} s after Yes",
                  file=sys.stderr)
            self.assertEqual(code, 0)


class CommandLineTest(unittest.TestCase):
    """--help and --version answer without any display; anything else is refused."""

    def test_help_version_and_bad_argument(self):
        env = qbharness.clean_environment()
        self.assertNotIn("DISPLAY", env)

        result = qbharness.run_cli(["--help"], env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("Usage: quillbox", result.stdout)
        self.assertIn("--version", result.stdout)

        result = qbharness.run_cli(["--version"], env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(result.stdout, r"^quillbox \d+\.\d+\.\d+\n$")

        result = qbharness.run_cli(["--frobnicate"], env=env)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stdout, "")
        lines = result.stderr.splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        self.assertIn("--frobnicate", lines[0])
        self.assertIn("Usage: quillbox", lines[0])


if __name__ == "__main__":
    unittest.main(verbosity=2)
