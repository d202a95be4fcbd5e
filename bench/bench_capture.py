#!/usr/bin/python3
"""Clipboard capture: how long a copy takes to reach the history, and how many copies of a long
series 250 ms apart are kept. Prints figures; asserts nothing.

    python3 bench/bench_capture.py <quillbox> [runs=100] [series=1000]

The real binary runs on a display of its own (the end-to-end harness's Session: Xvfb, openbox,
trayer). The copying application is this script: one X connection through libX11 (ctypes, the clipboard
owner of bench/xclient.py) whose windows take CLIPBOARD in turn, each time with a new text, and
which answers the program's selection requests itself. That gives both ends of the latency on one clock:

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

import os
import re
import statistics
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from qbharness import Session  # noqa: E402
sys.path.insert(0, HERE)
from xclient import ClipboardOwner  # noqa: E402

SPACING = 0.25        # seconds between two copies (the program takes copies < 200 ms apart as one)
BATCH = 500           # copies per save: the history's capacity
COPY_LINE = re.compile(r"^\s*(\d+\.\d+)\s+quillbox\.hook: message 0x41f lParam 0\s*$", re.M)


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
            kept = [t for t in [text for _, text in qb.saved_history(30)] if t.startswith("latency ")]
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
                kept = [t for t in [text for _, text in qb.saved_history(30)] if t.startswith(tag + " ")]
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
