#!/usr/bin/python3
"""A large copy: how long the program's user-interface thread is kept busy while a copy of 10 MB
made in another application is captured, how long the capture takes, and what it costs in memory.
Prints figures; asserts nothing.

    python3 bench/bench_big_copy.py <quillbox> [runs=5] [megabytes=10]

The real binary runs on a display of its own (the end-to-end harness's Session). Two copying
applications take turns: xclip, fed the text on its standard input, and this script's own
clipboard owner (bench/xclient.py), which sends the text by the INCR protocol in 256 KiB chunks
and puts accented and CJK letters into it. Meanwhile a second connection of this script pings the
tray icon's window with _NET_WM_PING without pause: Qt answers a ping on the user-interface thread,
so the longest wait for an answer is the longest time that thread could not serve the tray. The
idle program answers within its main loop's 50 ms sleep; that is measured first, as the baseline.

The capture's end is the log line "quillbox.clipboard: copy kept, <characters>" (the log carries
%{time boot}, the clock of time.monotonic()). At the end the Clipboard manager is opened with the
large items in it (the stall that costs is measured too) and Save clipboard writes the history to the
data file, where each large item must be its first 120 characters.
"""

import os
import re
import statistics
import sys
import threading
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from qbharness import Session, wait_until  # noqa: E402
sys.path.insert(0, HERE)
from xclient import ClipboardOwner, Pinger  # noqa: E402

STAMPED = {"QT_MESSAGE_PATTERN": "%{time boot} %{if-category}%{category}: %{endif}%{message}"}
KEPT = re.compile(r"(?m)^\s*(\d+\.\d+)\s+quillbox\.clipboard: copy kept, (\d+)\s*$")


class PingLoop(threading.Thread):
    """Pings window without pause from its own connection; keeps (sent, latency) pairs."""

    def __init__(self, display: str, window: int):
        super().__init__(daemon=True)
        self.pinger, self.window = Pinger(display), window
        self.samples: list = []
        self.running = True
        self.unanswered = 0

    def run(self) -> None:
        while self.running:
            sent = time.monotonic()
            latency = self.pinger.ping(self.window, timeout=10)
            if latency is None:
                self.unanswered += 1
            else:
                self.samples.append((sent, latency))
            time.sleep(0.002)

    def worst(self, start: float, end: float) -> float:
        return max((lat for sent, lat in self.samples if start <= sent + lat and sent <= end), default=0.0)

    def stop(self) -> None:
        self.running = False
        self.join(15)
        self.pinger.close()


def big_text(megabytes: int, tag: str, wide: bool) -> str:
    line = f"{tag} line %07d the quick brown fox jumps over the lazy dog" + (" é 漢字 ü" if wide else "") + "\n"
    lines, size = [], 0
    while size < megabytes * 1_000_000:
        lines.append(line % len(lines))
        size += len(lines[-1].encode("utf-8"))
    return "".join(lines)


def ms(seconds: float) -> str:
    return f"{seconds * 1000:.0f} ms"


def rss_kib(pid: int) -> dict:
    with open(f"/proc/{pid}/status", encoding="ascii") as f:
        return {k: int(v.split()[0]) for k, v in (line.split(":", 1) for line in f) if k in ("VmRSS", "VmHWM")}


def main() -> int:
    if len(sys.argv) < 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    os.environ["QB_BINARY"] = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    megabytes = int(sys.argv[3]) if len(sys.argv) > 3 else 10

    with Session("bench_big_copy", artifacts_root=os.path.join(os.getcwd(), "bench-artifacts")) as s:
        qb = s.start_quillbox(settings={"Prefrences": {"MaxClipboardItems": 2 * runs + 2}}, env=STAMPED)
        qb.wait_for_log(r"tray icon 129 ")
        print(f"memory at start: {rss_kib(qb.pid)}")
        pings = PingLoop(s.display, qb.tray_window)
        pings.start()
        owner = ClipboardOwner(s.display)
        try:
            time.sleep(3)
            idle = [lat for _, lat in pings.samples]
            print(f"idle, {len(idle)} pings over 3 s: answer median {ms(statistics.median(idle))}, "
                  f"max {ms(max(idle))}")

            results = {"xclip": [], "INCR owner": []}
            expected = []
            for run in range(runs):
                for source in results:
                    text = big_text(megabytes, f"{source} run {run}", wide=source != "xclip")
                    expected.append(text[:120])
                    mark = qb.log_mark()
                    if source == "xclip":
                        start = time.monotonic()
                        s.spawn(f"xclip-{run}", ["xclip", "-quiet", "-i", "-selection", "clipboard"],
                                stdin=text.encode("utf-8"))
                        wait_until(lambda: KEPT.search(qb.log(), mark), 60, "the copy to be kept")
                    else:
                        start = owner.copy(text)
                        deadline = start + 60
                        while not KEPT.search(qb.log(), mark) and time.monotonic() < deadline:
                            owner.serve_until(time.monotonic() + 0.05)
                    found = KEPT.search(qb.log(), mark)
                    if not found:
                        print(f"  {source} run {run}: not kept within 60 s")
                        continue
                    kept_at, characters = float(found.group(1)), int(found.group(2))
                    if source == "xclip":
                        time.sleep(0.3)
                    else:
                        owner.serve_until(time.monotonic() + 0.3)
                    results[source].append((pings.worst(start, kept_at + 0.3), kept_at - start))
                    if characters != len(text):
                        print(f"  {source} run {run}: kept {characters} characters of {len(text)}!")

            print(f"copies of {megabytes} MB ({runs} per source): longest wait for the tray's answer "
                  f"while one is captured; copy -> kept")
            for source, figures in results.items():
                if figures:
                    stalls, captures = zip(*figures)
                    print(f"  {source}: stall median {ms(statistics.median(stalls))}, max {ms(max(stalls))}; "
                          f"capture median {ms(statistics.median(captures))}, max {ms(max(captures))}")
            print(f"memory with {len(expected)} large items in the history: {rss_kib(qb.pid)}")

            opened = time.monotonic()
            saved = [text for _, text in qb.saved_history(30)]
            print(f"Clipboard manager opened, saved and closed with them listed: longest wait for the "
                  f"tray's answer {ms(pings.worst(opened, time.monotonic()))}")
            print(f"saved rows equal to the first 120 characters of each copy: "
                  f"{sum(a == b for a, b in zip(saved, expected))}/{len(expected)} "
                  f"(rows {len(saved)})")
            print(f"pings never answered within 10 s: {pings.unanswered}")
        finally:
            pings.stop()
            owner.close()
        print(f"quillbox still running: {qb.alive()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
