"""Expanding a shortcut in the editor in front with the real binary: the word before the caret
becomes the shortcut's text, the caret after it, the user's clipboard as it was; a word that is no
shortcut stays; the case rule; nothing while disabled; the shortcut list key over the editor."""

import ctypes
import os
import signal
import sqlite3
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

EDITORS = ("mousepad", "featherpad")
FLASH = r"tray icon 144 "
SHORTCUTS = [(0, "abc", "greeting", "Alpha Beta Gamma"),
             (1, "sig", "signature", "Kind regards, Quill (q@example.org)")]
# What Quillbox puts on the clipboard before its copy; it must never be left there.
MARKER = "cb_empty123"


def start_with_shortcuts(s, case_sensitive):
    """Starts Quillbox once to make its data file, stores the shortcuts in it, starts it again."""
    qb = s.start_quillbox(settings={"Prefrences": {"ShortcutsCaseSensative": case_sensitive}})
    qb.send_signal(signal.SIGTERM)
    if qb.wait_exit(10) != 0:
        raise AssertionError("the first start did not end cleanly")
    with sqlite3.connect(os.path.join(s.cwd, "qbdat.dbf")) as db:
        db.executemany("insert into Shortcuts (s_id, s_shortcut, s_desc, s_text) values (?, ?, ?, ?)", SHORTCUTS)
    db.close()
    return s.start_quillbox()


def clipboard_owner(display):
    """The CLIPBOARD's owner window, asked on a short connection of the test's own."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XGetSelectionOwner.restype = ctypes.c_ulong
    x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(display.encode())
    if not dpy:
        raise AssertionError(f"cannot open display {display}")
    try:
        return x.XGetSelectionOwner(dpy, x.XInternAtom(dpy, b"CLIPBOARD", 0))
    finally:
        x.XCloseDisplay(dpy)


def expand_nothing(s, qb, saved):
    """Presses the expansion chord over a word that is no shortcut and waits until it is over: the
    clipboard has changed owner (Quillbox's marker, the editor's copy, Quillbox again) and holds the
    user's text once more. Returns the log position from before the chord."""
    before = clipboard_owner(s.display)
    mark = qb.log_mark()
    s.chord("ctrl+alt+space")
    qb.wait_for_log(r"message 0x427 ", after=mark)
    wait_until(lambda: clipboard_owner(s.display) != before and s.get_clipboard() == saved, 10,
               "the expansion to give the clipboard back")
    return mark


class ExpansionTest(unittest.TestCase):

    def expand(self, s, qb, editor, before, word, after):
        """Types word at the end of the document (which reads before), expands it, waits for the
        flash and checks that the text became before + after with the caret at its end."""
        editor.activate()
        editor.type(word)
        mark = qb.log_mark()
        s.chord("ctrl+alt+space")
        qb.wait_for_log(FLASH, after=mark)
        editor.type("|")
        self.assertEqual(editor.read_text(), before + after + "|")
        editor.key("BackSpace")
        return before + after

    def test_expansion_in_both_editors(self):
        with Session(self) as s:
            qb = start_with_shortcuts(s, 0)
            for kind in EDITORS:
                with self.subTest(editor=kind):
                    editor = s.start_editor(kind)
                    editor.type("Dear ")

                    # The user's clipboard text is given back after the paste.
                    s.set_clipboard("user's own text ü")
                    text = self.expand(s, qb, editor, "Dear ", "abc", "Alpha Beta Gamma")
                    s.wait_clipboard("user's own text ü")
                    # Case-insensitive by default: ABC is abc.
                    editor.type(" ")
                    text = self.expand(s, qb, editor, text + " ", "ABC", "Alpha Beta Gamma")

                    # An empty clipboard stays without text: neither the marker nor the shortcut's text.
                    s.spawn("xclip-empty", ["xclip", "-quiet", "-selection", "clipboard", "-i", "/dev/null"])
                    s.wait_clipboard(lambda t: not t)
                    editor.type("\n")
                    text = self.expand(s, qb, editor, text + "\n", "sig", "Kind regards, Quill (q@example.org)")
                    left = s.get_clipboard()
                    self.assertFalse(left, f"the clipboard was empty and now reads {left!r}")

                    # A word that is no shortcut stays as typed, the caret after it; no flash. The
                    # expansion is over once the clipboard holds the user's text again.
                    s.set_clipboard("kept")
                    editor.activate()
                    editor.type(" nothing")
                    mark = expand_nothing(s, qb, "kept")
                    editor.type("X")
                    self.assertEqual(editor.read_text(), text + " nothingX")
                    # A new copy is reported after the flash would have come: none came.
                    s.set_clipboard("later")
                    qb.wait_for_log(r"message 0x41f ", after=mark)
                    self.assertNotRegex(qb.log()[mark:], FLASH)
                    self.assertNotIn(MARKER, s.get_clipboard() or "")
                    editor.close()

            # Disabled: the chord is the editor's own, the word stays and nothing flashes.
            editor = s.start_editor("mousepad")
            mark = qb.log_mark()
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 141 ", after=mark)
            editor.activate()
            editor.type("abc")
            s.chord("ctrl+alt+space")
            editor.type("Q")
            self.assertNotIn("Alpha", editor.read_text())
            qb.click_tray(1)
            qb.wait_for_log(r"tray icon 129 ", after=mark)
            self.assertNotRegex(qb.log()[mark:], r"message 0x427 |" + FLASH)

    def test_case_sensitive_and_list_key(self):
        with Session(self) as s:
            qb = start_with_shortcuts(s, 1)
            for kind in EDITORS:
                with self.subTest(editor=kind):
                    editor = s.start_editor(kind)
                    s.set_clipboard("mine")
                    # ABC is not abc now: stays, no flash.
                    editor.type("ABC")
                    mark = expand_nothing(s, qb, "mine")
                    self.assertNotRegex(qb.log()[mark:], FLASH)
                    editor.type(" ")
                    text = self.expand(s, qb, editor, "ABC ", "abc", "Alpha Beta Gamma")
                    s.wait_clipboard("mine")

                    # The list key opens the Shortcuts sheet over the editor; Esc gives the editor the
                    # focus back.
                    s.chord("ctrl+alt+shift+s")
                    sheet = qb.find_window(r"^Shortcuts", window_type="DIALOG")
                    wait_until(lambda: s.active_window() == sheet, 10, "the Shortcuts sheet to be active")
                    s.key("Escape")
                    qb.wait_window_gone(sheet)
                    wait_until(lambda: s.active_window() == editor.window, 10, "the editor to be active again")
                    editor.type("!")
                    self.assertEqual(editor.read_text(activate=False), text + "!")
                    editor.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
