"""The source library with the real binary: the list key opens Available sources, and Open and
Explore start the configured editor and the desktop's opener, stood in for by recording scripts; the
editor gets the path as one argument whatever it holds, and an opener that fails is reported."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, records, wait_until, write_recorder  # noqa: E402


class SourceLibraryTest(unittest.TestCase):

    def test_list_key_open_with_editor_and_desktop_and_explore(self):
        with Session(self) as s:
            editor_out, opener_out = os.path.join(s.root, "editor"), os.path.join(s.root, "xdg-open")
            editor, bin_dir = os.path.join(s.root, "tools", "record-editor"), os.path.join(s.root, "tools", "bin")
            write_recorder(editor, editor_out)
            write_recorder(os.path.join(bin_dir, "xdg-open"), opener_out)
            # A file name may hold any character but '/': quotes and blanks stay one argument.
            name = 'a" --evil "b.c'
            s.write_files({"my src/" + name: "int main(void) { return 0; }\n", "docs/guide.pdf": "%PDF-1.4\n"})
            src, docs = (os.path.realpath(os.path.join(s.cwd, d)) for d in ("my src", "docs"))
            source, guide = os.path.join(src, name), os.path.join(docs, "guide.pdf")
            s.start_quillbox(settings={"Prefrences": {"EditorPath": editor}})
            rows = [(0, "C", "tools", "", source, "txt", name),
                    (1, "Document", "manuals", "the guide", guide, "assoc_app", "guide.pdf")]
            qb = s.restart_quillbox(meanwhile=lambda: s.database(
                *[("insert into SourceLib values (?, ?, ?, ?, ?, ?, ?)", row) for row in rows]),
                env={"PATH": bin_dir + os.pathsep + s.env.get("PATH", "/usr/bin:/bin")})
            s.chord("ctrl+alt+shift+l")
            sheet = qb.find_window(r"^Source library", window_type="DIALOG")
            s.activate(sheet)
            # The list has the focus; End, Home selects the first row, Tab reaches Open.
            s.key("End", "Home", "Tab", "space")
            self.assertEqual(wait_until(lambda: records(editor_out), 10, "the editor"), [[f"cwd={src}", f"arg={source}"]])
            # The document opens with the desktop's opener; Explore shows its folder.
            s.key("shift+Tab", "End", "Tab", "space")
            wait_until(lambda: len(records(opener_out)) == 1, 10, "xdg-open for the document")
            s.key("Tab", "space")
            wait_until(lambda: len(records(opener_out)) == 2, 10, "xdg-open for the folder")
            self.assertEqual(records(opener_out), [[f"cwd={docs}", f"arg={guide}"], [f"cwd={os.path.realpath(s.cwd)}", f"arg={docs}"]])
            # An opener that finds no application: its reason is shown, and the sheet stays.
            with open(os.path.join(bin_dir, "xdg-open"), "w", encoding="utf-8") as f:
                f.write("#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n")
            s.key("space")
            qb.answer("Return")
            self.assertIn(f"Quillbox could not open {docs}:\nxdg-open: no method available for opening '{docs}'", qb.log())
            s.activate(sheet)
            # The sheet stays open until Esc, and both files stay in the library.
            s.key("Escape")
            qb.wait_window_gone(sheet)
            self.assertEqual(s.database(("select count(*) from SourceLib",)), [(2,)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
