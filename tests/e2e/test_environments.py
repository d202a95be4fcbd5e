"""Environments with the real binary: a double click on an environment of the Environments page
starts its three applications, recording stand-ins, each with its command line as one argument and
in its own folder; with one of them missing a message box says so and the other two still start."""

import os
import re
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qbharness import HarnessError, Session, records, wait_until, write_recorder  # noqa: E402

# Name, command line, and the one argument it must arrive as (None: no argument at all).
APPS = [("first", "-n file.txt", "-n file.txt"), ("second", "", None), ("third", "it's a \\path\\", "it's a \\path\\")]


def double_click_first_row(s, sheet):
    """A click on the list's empty lower part gives it the focus, Down selects the first row; the
    longest run of pixel rows that changed colour then is that row, and it is double-clicked."""
    info = s.window_info(sheet)
    x = info.width * 2 // 5  # inside the list, left of the page's buttons

    def column():
        out = s.run(["import", "-window", str(sheet), "-crop", f"1x{info.height}+{x}+0", "+repage", "txt:-"],
                    timeout=30).stdout.decode()
        return dict(re.findall(r"(?m)^\d+,(\d+):\s*\S+\s+(#[0-9A-Fa-f]+)", out))
    s.click_at(info.x + x, info.y + info.height * 3 // 5)
    before = column()
    s.key("Down")
    ys = wait_until(lambda: sorted(int(y) for y, c in column().items() if before.get(y) != c), 10,
                    "the first row to be selected", interval=0.2)
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
            programs, outs = [], []
            for name, _, _ in APPS:
                programs.append(os.path.join(s.root, "apps", name, f"record-{name}"))
                outs.append(os.path.join(s.root, "records", name))
                os.makedirs(os.path.dirname(outs[-1]), exist_ok=True)
                write_recorder(programs[-1], outs[-1])
            s.start_quillbox()
            # Ids out of insertion order: the launch follows the query, whatever its order.
            qb = s.restart_quillbox(meanwhile=lambda: s.database(
                ("insert into Env values (0, 'work', 'three programs')",),
                *[("insert into EnvApps values (?, 0, ?, ?, ?)", (7 - i, name, cmdline, program))
                  for i, ((name, cmdline, _), program) in enumerate(zip(APPS, programs))]))
            query_order = [row[0] for row in s.database(("select a_path from EnvApps where a_e_id=0",))]
            mark = qb.log_mark()
            for round in (1, 2):
                s.chord("ctrl+alt+shift+e")
                sheet = qb.find_window(r"^Environments", window_type="DIALOG")
                s.activate(sheet)
                double_click_first_row(s, sheet)
                if round == 2:
                    # The second application went missing: reported, the sheet open until answered.
                    qb.message_box()
                    self.assertIn(sheet, qb.windows())
                    qb.answer("Return")
                qb.wait_window_gone(sheet)
                for (name, _, argument), program, out in zip(APPS, programs, outs):
                    if round == 2 and name == "second":
                        continue
                    got = wait_until(lambda: len(records(out)) == round and records(out), 10, f"{name} to start")
                    self.assertEqual(got[-1], [f"cwd={os.path.realpath(os.path.dirname(program))}"]
                                     + ([f"arg={argument}"] if argument is not None else []), name)
                if round == 1:
                    self.assertEqual(re.findall(r"environment 0 starts (\S+) in ", qb.log()[mark:]), query_order)
                    os.remove(programs[1])
            self.assertEqual(len(records(outs[1])), 1)
            qb.wait_for_log(rf"environment 0 could not start {re.escape(programs[1])} - ", after=mark)


if __name__ == "__main__":
    unittest.main(verbosity=2)
