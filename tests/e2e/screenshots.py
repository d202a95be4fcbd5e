#!/usr/bin/python3
"""Screenshots of Quillbox's windows on a virtual display, for looking at them.

    python3 tests/e2e/screenshots.py <path to quillbox> <output folder>

Saves PNGs of the splash right after start, the tray with the icon, the tray menu, each tab of the
Properties dialog and the About box, then quits Quillbox through its menu.
"""

import hashlib
import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qbharness  # noqa: E402
from qbharness import HarnessError, Session, wait_until  # noqa: E402

PROPERTY_TABS = ["general", "clipboard", "shortcut", "source-library"]


def window_pixels(s: Session, wid) -> str:
    """A digest of what the window (or the whole screen) shows now."""
    data = s.run(["import", "-window", str(wid) if wid else "root", "rgb:-"], timeout=30).stdout
    return hashlib.sha1(data).hexdigest()


def wait_repainted(s: Session, wid, before: str, timeout: float = 5.0) -> None:
    """Waits until the picture differs from before and then holds still between two looks."""
    wait_until(lambda: window_pixels(s, wid) != before, timeout, "the window to change")
    last = [window_pixels(s, wid)]

    def steady() -> bool:
        now = window_pixels(s, wid)
        same = now == last[0]
        last[0] = now
        return same
    wait_until(steady, timeout, "the window to be painted", interval=0.1)


def main(argv) -> int:
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    os.environ["QB_BINARY"] = os.path.abspath(argv[1])
    out = os.path.abspath(argv[2])
    os.makedirs(out, exist_ok=True)
    saved = []

    def shot(name, s, window=None, crop=None):
        path = os.path.join(out, f"{name}.png")
        args = ["import", "-window", str(window) if window else "root"]
        if crop:
            args += ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"]
        s.run(args + [path], timeout=30)
        saved.append(path)

    with Session("screenshots", artifacts_root=os.path.join(out, "failure")) as s:
        qb = s.start_quillbox(wait_tray=False)

        def splash():
            for wid in qb.windows():
                kind = s.window_props(wid, "_NET_WM_WINDOW_TYPE").get("_NET_WM_WINDOW_TYPE", "")
                info = s.window_info(wid)
                if "SPLASH" in kind and info and info.viewable:
                    return wid
            return None
        splash_window = wait_until(splash, 20, "the splash window")
        wait_repainted(s, None, "")
        shot("splash", s)
        shot("splash-window", s, window=splash_window)

        qb.wait_tray()
        qb.wait_window_gone(splash_window, timeout=10)
        p = s.panel
        shot("tray", s, crop=(p.x, p.y, p.width, p.height))

        menu = qb.open_menu()
        shot("tray-menu", s)
        s.key("Escape")
        qb.wait_window_gone(menu)

        qb.menu("p")
        properties = qb.find_window(r"^Properties")
        s.activate(properties)
        before = ""
        for i, tab in enumerate(PROPERTY_TABS):
            if i:
                s.key("ctrl+Tab")
            wait_repainted(s, properties, before)
            before = window_pixels(s, properties)
            shot(f"properties-{i + 1}-{tab}", s, window=properties)
        shot("properties-screen", s)
        s.key("Escape")
        qb.wait_window_gone(properties)

        qb.menu("h", "a")
        about = qb.find_window(r"^About Quillbox")
        wait_repainted(s, about, "")
        shot("about", s)
        shot("about-window", s, window=about)
        s.key("Escape")
        qb.wait_window_gone(about)

        qb.menu("q")
        qb.answer("y")
        code = qb.wait_exit(10)
        if code != 0:
            raise HarnessError(f"quillbox ended with exit code {code}")

    for path in saved:
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
