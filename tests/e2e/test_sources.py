"""The source library with the real binary: the list key opens Available sources, and Open and
Explore start the configured editor and the desktop's opener, stood in for by recording scripts."""

import os
import re
import signal
import sqlite3
import stat
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import Session, wait_until  # noqa: E402

# Writes its working directory and arguments, one a line, to the file named below; written aside and
# renamed, so that the test never reads half a record.
RECORDER = """#!/bin/sh
out='{out}'
{{ printf 'cwd=%s\\n' "$(pwd -P)"; for a in "$@"; do printf 'arg=%s\\n' "$a"; done; }} > "$out.part"
mv "$out.part" "$out.$(date +%s%N)"
"""


def write_script(path, out):
    with open(path, "w", encoding="utf-8") as f:
        f.write(RECORDER.format(out=out))
    os.chmod(path, stat.S_IRWXU)


def records(out):
    """The records of one stand-in, oldest first: each a list of its lines."""
    folder, stem = os.path.split(out)
    names = sorted((n for n in os.listdir(folder) if n.startswith(stem + ".") and not n.endswith(".part")),
                   key=lambda n: int(n.rsplit(".", 1)[1]))
    result = []
    for name in names:
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            result.append(f.read().splitlines())
    return result


class SourceLibraryTest(unittest.TestCase):

    def test_list_key_open_with_editor_and_desktop_and_explore(self):
        with Session(self) as s:
            # The first start makes the data file and the settings; then both are filled in.
            qb = s.start_quillbox()
            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0)

            tools = os.path.join(s.root, "tools")
            bin_dir = os.path.join(tools, "bin")
            records_dir = os.path.join(s.root, "records")
            os.makedirs(bin_dir)
            os.makedirs(records_dir)
            editor_out = os.path.join(records_dir, "editor")
            opener_out = os.path.join(records_dir, "xdg-open")
            editor = os.path.join(tools, "record-editor")
            write_script(editor, editor_out)
            write_script(os.path.join(bin_dir, "xdg-open"), opener_out)

            src = os.path.realpath(os.path.join(s.cwd, "my src"))
            docs = os.path.realpath(os.path.join(s.cwd, "docs"))
            source = os.path.join(src, "main file.c")
            guide = os.path.join(docs, "guide.pdf")
            s.write_files({"my src/main file.c": "int main(void) { return 0; }\n", "docs/guide.pdf": "%PDF-1.4\n"})

            with open(s.settings_path(), encoding="utf-8") as f:
                settings = f.read()
            settings, count = re.subn(r"(?m)^EditorPath=.*$", lambda _: f"EditorPath={editor}", settings)
            self.assertEqual(count, 1, settings)
            s.write_settings(settings)

            with sqlite3.connect(os.path.join(s.cwd, "qbdat.dbf")) as db:
                db.executemany("insert into SourceLib (l_id, l_lang, l_field, l_desc, l_path, l_openwith, l_filename) "
                               "values (?, ?, ?, ?, ?, ?, ?)",
                               [(0, "C", "tools", "", source, "txt", "main file.c"),
                                (1, "Document", "manuals", "the guide", guide, "assoc_app", "guide.pdf")])
            db.close()

            qb = s.start_quillbox(env={"PATH": bin_dir + os.pathsep + s.env.get("PATH", "/usr/bin:/bin")})
            s.chord("ctrl+alt+shift+l")
            sheet = qb.find_window(r"^Source library", window_type="DIALOG")
            s.activate(sheet)

            # The list has the focus. Nothing is selected yet and the first row may already be the
            # current one, where Home would not move: End then Home selects it. Tab reaches Open.
            s.key("End", "Home", "Tab", "space")
            opened = wait_until(lambda: records(editor_out), 10, "the editor to be started")
            self.assertEqual(opened, [[f"cwd={src}", f"arg={source}"]])

            # The second file, opened by the desktop with its associated application.
            s.key("shift+Tab", "End", "Tab", "space")
            wait_until(lambda: len(records(opener_out)) == 1, 10, "xdg-open for the document")
            # Explore, the next button: the file manager on the document's folder.
            s.key("Tab", "space")
            wait_until(lambda: len(records(opener_out)) == 2, 10, "xdg-open for the folder")
            shown = records(opener_out)
            self.assertEqual(shown[0][1:], [f"arg={guide}"])
            self.assertEqual(shown[0][0], f"cwd={docs}")
            self.assertEqual(shown[1][1:], [f"arg={docs}"])
            self.assertEqual(len(records(editor_out)), 1)

            # Both stay in the library and the sheet stays open until Esc.
            self.assertTrue(qb.alive())
            s.key("Escape")
            qb.wait_window_gone(sheet)
            with sqlite3.connect(os.path.join(s.cwd, "qbdat.dbf")) as db:
                self.assertEqual(db.execute("select count(*) from SourceLib").fetchone()[0], 2)
            db.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
