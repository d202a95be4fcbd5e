"""Environments with the real binary: a double click on an environment of the Environments page
starts its three applications, recording stand-ins, each with its command line as one argument and
in its own folder; with one of them missing a message box says so and the other two still start."""

import os
import re
import signal
import sqlite3
import stat
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import HarnessError, Session, wait_until  # noqa: E402

# Writes its working directory and its arguments, one a line, to a new file next to `out`; written
# aside and renamed, so that the test never reads half a record.
RECORDER = """#!/bin/sh
out='{out}'
{{ printf 'cwd=%s\\n' "$(pwd -P)"; for a in "$@"; do printf 'arg=%s\\n' "$a"; done; }} > "$out.part.$$"
mv "$out.part.$$" "$out.$$"
"""

# The applications of the environment: name, command line, and the one argument it must arrive as
# (None: no argument at all).
APPS = [
    ("first", "-n file.txt", "-n file.txt"),
    ("second", "", None),
    ("third", "it's a \\path\\", "it's a \\path\\"),
]


def records(out):
    """Every record the stand-in writing to out has made so far: each a list of its lines."""
    folder, stem = os.path.split(out)
    result = []
    for name in sorted(os.listdir(folder)):
        if name.startswith(stem + ".") and ".part." not in name:
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                result.append(f.read().splitlines())
    return result


def column(s, wid, x, height):
    """The colours of the window's pixels at x, from the top down (ImageMagick's import)."""
    out = s.run(["import", "-window", str(wid), "-crop", f"1x{height}+{x}+0", "+repage", "txt:-"],
                timeout=30).stdout.decode()
    colours = {}
    for line in out.splitlines():
        m = re.match(r"^\d+,(\d+):\s*\S+\s+(#[0-9A-Fa-f]+)", line)
        if m:
            colours[int(m.group(1))] = m.group(2)
    return [colours.get(y) for y in range(height)]


def double_click_first_row(s, sheet):
    """Double-clicks the first row of the Environments page's list, found on the screen: a click on
    the list's empty lower part gives it the focus, Down selects the first row, and the rows of
    pixels that change colour then are that row."""
    info = s.window_info(sheet)
    # Two fifths across: inside the list, left of the page's buttons, under the current tab.
    x = info.width * 2 // 5
    s.click_at(info.x + x, info.y + info.height * 3 // 5)
    before = column(s, sheet, x, info.height)

    def changed():
        now = column(s, sheet, x, info.height)
        return [y for y in range(info.height) if now[y] != before[y]]
    s.key("Down")
    ys = wait_until(changed, 10, "the first row to be selected", interval=0.2)
    # The longest run of changed lines is the selected row (a focus frame changes a line or two).
    runs, start = [], ys[0]
    for prev, y in zip(ys, ys[1:] + [None]):
        if y != prev + 1:
            runs.append((start, prev))
            start = y
    top, bottom = max(runs, key=lambda r: r[1] - r[0])
    if bottom - top < 8:
        raise HarnessError(f"no row found in the list (changed lines {ys})")
    s.move_mouse(info.x + x, info.y + (top + bottom) // 2)
    s.run(["xdotool", "click", "--repeat", "2", "--delay", "60", "1"])


class EnvironmentsTest(unittest.TestCase):

    def test_double_click_starts_every_application_and_reports_a_missing_one(self):
        with Session(self) as s:
            # The first start makes the data file; then the environment is written into it.
            qb = s.start_quillbox()
            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0)

            records_dir = os.path.join(s.root, "records")
            os.makedirs(records_dir)
            programs, outs = [], []
            for name, _, _ in APPS:
                folder = os.path.join(s.root, "apps", name)
                os.makedirs(folder)
                program = os.path.join(folder, f"record-{name}")
                out = os.path.join(records_dir, name)
                with open(program, "w", encoding="utf-8") as f:
                    f.write(RECORDER.format(out=out))
                os.chmod(program, stat.S_IRWXU)
                programs.append(program)
                outs.append(out)

            db_path = os.path.join(s.cwd, "qbdat.dbf")
            db = sqlite3.connect(db_path)
            with db:
                db.execute("insert into Env (e_id, e_name, e_desc) values (0, 'work', 'three programs')")
                # Ids out of insertion order: the launch follows the query, whatever its order.
                db.executemany("insert into EnvApps (a_id, a_e_id, a_name, a_cmdline, a_path) values (?, 0, ?, ?, ?)",
                               [(7 - i, name, cmdline, program)
                                for i, ((name, cmdline, _), program) in enumerate(zip(APPS, programs))])
            query_order = [row[0] for row in db.execute("select a_path,a_cmdline from EnvApps where a_e_id=0")]
            db.close()

            qb = s.start_quillbox()
            mark = qb.log_mark()
            s.chord("ctrl+alt+shift+e")
            sheet = qb.find_window(r"^Environments", window_type="DIALOG")
            s.activate(sheet)
            double_click_first_row(s, sheet)

            qb.wait_window_gone(sheet)
            for (name, _, argument), program, out in zip(APPS, programs, outs):
                got = wait_until(lambda: records(out), 10, f"{name} to be started")
                expected = [f"cwd={os.path.realpath(os.path.dirname(program))}"]
                if argument is not None:
                    expected.append(f"arg={argument}")
                self.assertEqual(got, [expected], name)
            started = wait_until(lambda: (lambda found: found if len(found) >= 3 else None)(
                re.findall(r"environment 0 starts (\S+) in ", qb.log()[mark:])), 10, "three starts in the log")
            self.assertEqual(started, query_order)

            # The second application goes missing: reported, and the other two start again.
            os.remove(programs[1])
            s.chord("ctrl+alt+shift+e")
            sheet = qb.find_window(r"^Environments", window_type="DIALOG")
            s.activate(sheet)
            double_click_first_row(s, sheet)
            box = qb.message_box()
            for name, out in ((APPS[0][0], outs[0]), (APPS[2][0], outs[2])):
                wait_until(lambda: len(records(out)) == 2, 10, f"{name} to be started again")
            self.assertEqual(len(records(outs[1])), 1)
            self.assertTrue(sheet in qb.windows(), "the sheet closed before the report was answered")
            qb.answer("Return")
            qb.wait_window_gone(box)
            qb.wait_window_gone(sheet)
            qb.wait_for_log(rf"environment 0 could not start {re.escape(programs[1])} - ", after=mark)
            self.assertTrue(qb.alive())


if __name__ == "__main__":
    unittest.main(verbosity=2)
