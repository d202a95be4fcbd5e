"""The clipboard history with the real binary: copies are captured (a burst once, none while
disabled, inactive or marked secret), the manager keys open the Clipboard manager over the editor
and paste the item picked with the keyboard, an item pasted often enough becomes a shortcut, and a
text added on the New clipboard text page is listed and pasted like a copied one. The history is
read through the program's own Save clipboard (the harness's saved_history)."""

import os
import re
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402
from xclient import PNG_1X1  # noqa: E402

COPY = r"quillbox\.hook: message 0x41f lParam 0"
# The log lines with the time they were handled (the clock of time.monotonic()).
STAMPED = {"QT_MESSAGE_PATTERN": "%{time boot} %{if-category}%{category}: %{endif}%{message}"}
SHEET = r"^Clipboard"
# Notifications less than 200 ms after the last are one copy: copies meant as single ones are spaced.
SPACING = 0.3
OWNER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "xclient.py")


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

    def copy_from_helper(self, s, qb, *texts, hint="", gap_ms=0):
        """Another program takes the clipboard with each text, gap_ms apart (marked with hint)."""
        self.space_copies()
        mark = qb.log_mark()
        owner = s.spawn("owner", ["/usr/bin/python3", OWNER, "own", hint, str(gap_ms), *texts])
        wait_until(lambda: owner.poll() is not None or f"owning {len(texts)}" in open(s.log_path_of(owner)).read(),
                   10, "the helper to own the clipboard")
        self.last_copy = time.monotonic()
        wait_until(lambda: len(re.findall(COPY, qb.log()[mark:])) >= len(texts), 10, "the copies to be reported")
        return mark

    def pick(self, s, qb, editor, *keys, chord="ctrl+shift+Insert"):
        """Opens the manager over the editor, moves with keys and presses Return: pasted."""
        s.chord(chord)
        sheet = qb.find_window(SHEET, window_type="DIALOG")
        wait_until(lambda: s.active_window() == sheet, 10, "the manager to have the focus")
        s.key(*keys, "Return")
        qb.wait_window_gone(sheet)
        wait_until(editor.is_active, 10, "the editor to have the focus back")

    def test_capture_burst_secret_disabled_and_inactive(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 20}}, env=STAMPED)
            editor = s.start_editor("mousepad")
            texts = ["alpha one", "Beta two ü"]
            for text in texts:
                self.copy_in_editor(s, qb, editor, text)
            # Two copies 100 ms apart are one burst: one of them is kept.
            burst = ["delta burst one", "delta burst two"]
            mark = self.copy_from_helper(s, qb, *burst, gap_ms=100)
            first, second = (float(t) for t in re.findall(r"(?m)^\s*(\d+\.\d+)\s+" + COPY, qb.log()[mark:])[:2])
            history = self.history(qb)
            self.assertEqual(history[:2], texts)
            if second - first < 0.2:
                self.assertEqual(len(history), 3)
                self.assertIn(history[2], burst)
            else:  # a machine too busy to handle them within 200 ms keeps both
                self.assertEqual(history[2:], burst)
            # A text a password manager marked secret is never kept; a plain one is.
            self.copy_from_helper(s, qb, "hunter2 secret", hint="secret")
            self.copy_from_helper(s, qb, "epsilon plain")
            history.append("epsilon plain")
            self.assertEqual(self.history(qb), history)
            # Disabled from the tray: a copy made meanwhile is not kept, not even once enabled again.
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 141 ", after=mark)
            self.copy_in_editor(s, qb, editor, "zeta disabled", reported=False)
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 129 ", after=mark)
            self.copy_in_editor(s, qb, editor, "eta enabled")
            self.assertEqual(self.history(qb), history + ["eta enabled"])
            # ClipboardActive=0: the copy is reported, nothing is kept.
            qb = s.restart_quillbox(meanwhile=lambda: s.write_settings(
                open(s.settings_path()).read().replace("ClipboardActive=1", "ClipboardActive=0")))
            self.last_copy = 0.0
            self.copy_in_editor(s, qb, editor, "theta inactive")
            self.assertEqual(self.history(qb), [])

    def test_large_copy_kept_and_image_ignored(self):
        with Session(self) as s:
            qb = s.start_quillbox()
            # Ten megabytes from xclip, sent by INCR in pieces: kept whole (its saved row is cut to the
            # column's 120 characters).
            large = "".join(f"line {i:07d} of a large copy \u00fc \u6f22\n" for i in range(340_000))
            mark = qb.log_mark()
            s.spawn("xclip-large", ["xclip", "-quiet", "-i", "-selection", "clipboard"], stdin=large.encode())
            kept = qb.wait_for_log(r"quillbox\.clipboard: copy kept, (\d+)", after=mark, timeout=30)
            self.assertEqual(int(kept.group(1)), len(large))
            self.last_copy = time.monotonic()
            self.space_copies()
            mark = qb.log_mark()
            s.spawn("xclip-image", ["xclip", "-quiet", "-i", "-selection", "clipboard", "-t", "image/png"], stdin=PNG_1X1)
            qb.wait_for_log(r"quillbox\.clipboard: copy not kept: no text", after=mark)
            self.assertEqual(self.history(qb), [large[:120]])

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
            self.pick(s, qb, editor, "Up")  # the newest item is selected: Up picks the older one
            self.assertNotRegex(qb.log()[mark:], r"message 0x420 lParam 1")
            editor.wait_text("[" + first)
            # The second paste of the item makes it a shortcut named after its first three characters.
            self.pick(s, qb, editor, "End", "Home")
            editor.type(" zqx")
            mark = qb.log_mark()
            s.chord("ctrl+alt+space")
            qb.wait_for_log(r"tray icon 144 ", after=mark)
            editor.wait_text("[" + first + first + " " + first)
            # Pasting and expanding put texts on the clipboard from the program itself: not captured.
            self.assertEqual(self.history(qb), [first, second])

    def test_new_clipboard_text_page_and_ctrl_alt_pair(self):
        with Session(self) as s:
            qb = s.start_quillbox(settings={"Prefrences": {"ClipboardMgrKeys": 1}})
            added = "Mu added by hand"
            # Only Ctrl+Alt+Insert is taken: Ctrl+Shift+Insert posts nothing.
            mark = qb.log_mark()
            s.chord("ctrl+shift+Insert")
            qb.menu("a")
            sheet = qb.find_window(SHEET, window_type="DIALOG")
            s.activate(sheet)
            info = s.window_info(sheet)
            s.click_at(info.x + info.width // 2, info.y + info.height // 2)  # into the page's text edit
            s.type_text(added)
            s.key("Tab", "space")  # the edit passes Tab on: Add clipboard item
            # The manager page lists it, selected as the newest: Return puts it on the clipboard.
            s.key("ctrl+Tab", "Return")
            qb.wait_window_gone(sheet)
            s.wait_clipboard(added)
            editor = s.start_editor("featherpad")
            editor.type("<")
            self.pick(s, qb, editor, chord="ctrl+alt+Insert")
            editor.wait_text("<" + added)
            self.assertEqual(re.findall(r"message 0x420 lParam (\d)", qb.log()[mark:]), ["1"])
            self.assertEqual(self.history(qb), [added])

if __name__ == "__main__":
    unittest.main(verbosity=2)
