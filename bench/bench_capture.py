#!/usr/bin/python3
"""Clipboard capture: how long a copy takes to reach the history, and how many copies of a long
series 250 ms apart are kept. Prints figures; asserts nothing.

    python3 bench/bench_capture.py <quillbox> [runs=100] [series=1000]

The real binary runs on a display of its own (the end-to-end harness's Session: Xvfb, openbox,
trayer). The copying application is this script: one X connection through libX11 (ctypes) whose
two windows take CLIPBOARD in turn, each time with a new text, and which answers the program's
selection requests itself. That gives both ends of the latency on one clock:

* start: the moment this script takes CLIPBOARD (XSetSelectionOwner, flushed);
* end: the program's last request for the text of that copy. The program reads the text and adds it
  to the history in the same call (no log line marks the addition), so the answer to that request is
  the last thing before the item is in the history.

The log line "quillbox.hook: message 0x41f" carries a timestamp (QT_MESSAGE_PATTERN with %{time boot},
the same monotonic clock as Python's time.monotonic() on Linux), which splits the latency into the
notification's way to the program and the program's own wait and read.

The series is counted where the user would see it: after each batch of at most 500 copies (the
history's capacity is set to 500) the Clipboard manager's Save clipboard button writes the history to
the data file, and the batch's texts are counted in the Clipboard table.
"""

import ctypes
import os
import re
import select
import sqlite3
import statistics
import sys
import time
from ctypes import POINTER, Structure, Union, byref, c_char_p, c_int, c_long, c_ulong, c_void_p  # noqa: F401

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from qbharness import Session, wait_until  # noqa: E402

SPACING = 0.25        # seconds between two copies (the program takes copies < 200 ms apart as one)
BATCH = 500           # copies per save: the history's capacity
MARKER = "bench-history-not-saved-yet"
COPY_LINE = re.compile(r"^\s*(\d+\.\d+)\s+quillbox\.hook: message 0x41f lParam 0\s*$", re.M)


class _Request(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("owner", c_ulong), ("requestor", c_ulong), ("selection", c_ulong), ("target", c_ulong),
                ("property", c_ulong), ("time", c_ulong)]


class _Notify(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("requestor", c_ulong), ("selection", c_ulong), ("target", c_ulong), ("property", c_ulong),
                ("time", c_ulong)]


class _Event(Union):
    _fields_ = [("type", c_int), ("request", _Request), ("notify", _Notify), ("pad", c_long * 24)]


class ClipboardOwner:
    """Takes CLIPBOARD with a text and serves it; records when each request for the text came."""

    SELECTION_CLEAR, SELECTION_REQUEST, SELECTION_NOTIFY, XA_ATOM = 29, 30, 31, 4

    def __init__(self, display: str):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = c_void_p
        x.XOpenDisplay.argtypes = [c_char_p]
        x.XDefaultRootWindow.restype = c_ulong
        x.XDefaultRootWindow.argtypes = [c_void_p]
        x.XCreateSimpleWindow.restype = c_ulong
        x.XCreateSimpleWindow.argtypes = [c_void_p, c_ulong, c_int, c_int, c_int, c_int, c_int, c_ulong, c_ulong]
        x.XInternAtom.restype = c_ulong
        x.XInternAtom.argtypes = [c_void_p, c_char_p, c_int]
        x.XSetSelectionOwner.argtypes = [c_void_p, c_ulong, c_ulong, c_ulong]
        x.XChangeProperty.argtypes = [c_void_p, c_ulong, c_ulong, c_ulong, c_int, c_int, c_void_p, c_int]
        x.XSendEvent.argtypes = [c_void_p, c_ulong, c_int, c_long, c_void_p]
        x.XNextEvent.argtypes = [c_void_p, c_void_p]
        x.XPending.argtypes = [c_void_p]
        x.XFlush.argtypes = [c_void_p]
        x.XConnectionNumber.argtypes = [c_void_p]
        x.XCloseDisplay.argtypes = [c_void_p]
        self.x = x
        self.d = x.XOpenDisplay(display.encode())
        if not self.d:
            raise RuntimeError(f"cannot open display {display}")
        root = x.XDefaultRootWindow(self.d)
        self.windows = [x.XCreateSimpleWindow(self.d, root, 0, 0, 1, 1, 0, 0, 0) for _ in range(2)]
        self.fd = x.XConnectionNumber(self.d)
        atom = lambda name: x.XInternAtom(self.d, name.encode(), 0)  # noqa: E731
        self.clipboard, self.targets = atom("CLIPBOARD"), atom("TARGETS")
        self.text_targets = [atom("UTF8_STRING"), atom("text/plain;charset=utf-8"), atom("text/plain")]
        self.text = b""
        self.requests: list = []   # monotonic times of the requests for the current text
        self.copies = 0

    def copy(self, text: str) -> float:
        """Takes CLIPBOARD with text (the two windows in turn: each copy is a new owner); the time."""
        self.text = text.encode("utf-8")
        self.requests = []
        window = self.windows[self.copies % 2]
        self.copies += 1
        start = time.monotonic()
        self.x.XSetSelectionOwner(self.d, self.clipboard, window, 0)
        self.x.XFlush(self.d)
        return start

    def serve_until(self, deadline: float) -> None:
        event = _Event()
        while True:
            while self.x.XPending(self.d):
                self.x.XNextEvent(self.d, byref(event))
                if event.type == self.SELECTION_REQUEST:
                    self._answer(event.request)
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return
            select.select([self.fd], [], [], remaining)

    def _answer(self, r: _Request) -> None:
        prop = r.property or r.target
        if r.target == self.targets:
            offered = [self.targets, *self.text_targets]
            atoms = (c_ulong * len(offered))(*offered)
            self.x.XChangeProperty(self.d, r.requestor, prop, self.XA_ATOM, 32, 0, atoms, len(offered))
        elif r.target in self.text_targets and r.owner in self.windows:
            self.requests.append(time.monotonic())
            self.x.XChangeProperty(self.d, r.requestor, prop, r.target, 8, 0, self.text, len(self.text))
        else:
            prop = 0
        reply = _Event()
        reply.notify = _Notify(self.SELECTION_NOTIFY, 0, 1, self.d, r.requestor, r.selection, r.target, prop, r.time)
        self.x.XSendEvent(self.d, r.requestor, 0, 0, byref(reply))
        self.x.XFlush(self.d)

    def close(self) -> None:
        self.x.XCloseDisplay(self.d)


def saved_history(s: Session, qb) -> list:
    """The history, oldest first: Save clipboard on the Clipboard manager page (opened from the tray
    menu; Tab goes from the list along Insert, Delete, Remove all, Load to Save)."""
    path = os.path.join(s.cwd, "qbdat.dbf")
    with sqlite3.connect(path) as db:
        db.execute("delete from Clipboard")
        db.execute("insert into Clipboard (c_id, c_text) values (-1, ?)", (MARKER,))
    db.close()
    qb.menu("c")
    sheet = qb.find_window(r"^Clipboard( — Quillbox)?$", window_type="DIALOG")
    s.activate(sheet)
    s.key("Tab", "Tab", "Tab", "Tab", "Tab", "space")

    def rows():
        with sqlite3.connect(path) as db:
            found = db.execute("select c_text from Clipboard order by c_id").fetchall()
        db.close()
        texts = [r[0] for r in found]
        return None if MARKER in texts else [texts]
    texts = wait_until(rows, 30, "Save clipboard to rewrite the Clipboard table")[0]
    s.key("Escape")
    qb.wait_window_gone(sheet)
    return texts


def copy_times(qb) -> list:
    return [float(m.group(1)) for m in COPY_LINE.finditer(qb.log())]


def ms(seconds: float) -> str:
    return f"{seconds * 1000:.1f} ms"


def run_copies(s: Session, qb, owner: ClipboardOwner, count: int, tag: str):
    """count copies SPACING apart; per copy (start, end of the capture or None); the texts copied."""
    results, texts = [], []
    for i in range(count):
        text = f"{tag} {i:04d}"
        texts.append(text)
        start = owner.copy(text)
        owner.serve_until(start + SPACING)
        results.append((start, owner.requests[-1] if owner.requests else None))
    return results, texts


def main() -> int:
    if len(sys.argv) < 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    os.environ["QB_BINARY"] = os.path.abspath(sys.argv[1])
    runs = min(int(sys.argv[2]) if len(sys.argv) > 2 else 100, BATCH)
    series = int(sys.argv[3]) if len(sys.argv) > 3 else 1000

    with Session("bench_capture", artifacts_root=os.path.join(os.getcwd(), "bench-artifacts")) as s:
        qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": BATCH}},
                              env={"QT_MESSAGE_PATTERN": "%{time boot} %{if-category}%{category}: %{endif}%{message}"})
        qb.wait_for_log(r"tray icon 129 ")
        owner = ClipboardOwner(s.display)
        try:
            # Latency.
            before = len(copy_times(qb))
            results, texts = run_copies(s, qb, owner, runs, "latency")
            owner.serve_until(time.monotonic() + 0.3)
            arrivals = copy_times(qb)[before:]
            kept = [t for t in saved_history(s, qb) if t.startswith("latency ")]
            latencies = [end - start for start, end in results if end is not None]
            print(f"capture latency, {runs} copies {ms(SPACING)} apart (copy -> text read for the history):")
            if latencies:
                print(f"  median {ms(statistics.median(latencies))}, max {ms(max(latencies))}, "
                      f"min {ms(min(latencies))}, 90th percentile "
                      f"{ms(sorted(latencies)[int(0.9 * (len(latencies) - 1))])}")
            print(f"  copies whose text was read: {len(latencies)}/{runs}; kept in the history: "
                  f"{len(kept)}/{runs}{'' if kept == texts else ' (order or texts differ!)'}")
            if len(arrivals) == runs:
                notify = [a - start for a, (start, _) in zip(arrivals, results)]
                print(f"  copy -> 'message 0x41f' logged: median {ms(statistics.median(notify))}, "
                      f"max {ms(max(notify))}")
                rest = [end - a for a, (_, end) in zip(arrivals, results) if end is not None]
                if rest:
                    print(f"  logged -> text read: median {ms(statistics.median(rest))}, max {ms(max(rest))}")
            else:
                sample = [line for line in qb.log().splitlines() if "0x41f" in line][:1]
                print(f"  'message 0x41f' lines: {len(arrivals)} for {runs} copies (no split); e.g. {sample}")

            # The long series, saved and counted in batches of at most BATCH.
            total_kept, done, batch_no = 0, 0, 0
            started = time.monotonic()
            while done < series:
                n = min(BATCH, series - done)
                tag = f"series{batch_no}"
                logged_before = len(copy_times(qb))
                results, texts = run_copies(s, qb, owner, n, tag)
                owner.serve_until(time.monotonic() + 0.3)
                logged = len(copy_times(qb)) - logged_before
                kept = [t for t in saved_history(s, qb) if t.startswith(tag + " ")]
                total_kept += len(kept)
                missing = sorted(set(texts) - set(kept))
                unread = [texts[i] for i, (_, end) in enumerate(results) if end is None]
                print(f"  series batch {batch_no}: {len(kept)}/{n} kept; {logged} 'message 0x41f' lines; "
                      f"text never read for {len(unread)}"
                      + (f"; missing e.g. {missing[:5]}" if missing else "")
                      + (f"; unread e.g. {unread[:5]}" if unread else ""))
                done += n
                batch_no += 1
            print(f"series of {series} copies {ms(SPACING)} apart: {total_kept}/{series} kept "
                  f"({time.monotonic() - started:.0f} s)")
        finally:
            owner.close()
        print(f"quillbox still running: {qb.alive()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
