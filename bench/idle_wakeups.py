#!/usr/bin/python3
"""Idle cost of the main loop: wake-ups per second and CPU time of a running quillbox.

Starts the real binary on Qt's offscreen platform in a private HOME and folder, lets it settle,
then samples /proc for the given number of seconds (30 by default) and prints the figures.
The loop polls: with nothing to do it sleeps 50 ms a pass, so about 20 wake-ups a second and a
CPU share near zero are expected.

usage: bench/idle_wakeups.py path/to/quillbox [seconds]
"""
import os
import signal
import subprocess
import sys
import tempfile
import time


def counters(pid):
    with open(f"/proc/{pid}/status") as f:
        status = dict(line.split(":", 1) for line in f if ":" in line)
    switches = int(status["voluntary_ctxt_switches"]) + int(status["nonvoluntary_ctxt_switches"])
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime + stime of the main thread group
    return switches, ticks / os.sysconf("SC_CLK_TCK")


def main():
    binary = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 30.0
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config", XDG_DATA_HOME=f"{home}/data",
                   XDG_RUNTIME_DIR=f"{home}/run", QT_QPA_PLATFORM="offscreen")
        env.pop("DISPLAY", None)
        os.makedirs(f"{home}/run", mode=0o700)
        proc = subprocess.Popen([binary], cwd=home, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 10
            while not os.path.exists(f"{home}/qbdat.dbf") and time.monotonic() < deadline:
                time.sleep(0.1)
            time.sleep(2)  # let start-up finish
            s0, c0 = counters(proc.pid)
            t0 = time.monotonic()
            time.sleep(seconds)
            s1, c1 = counters(proc.pid)
            elapsed = time.monotonic() - t0
        finally:
            proc.send_signal(signal.SIGTERM)
            proc.wait(timeout=10)
    print(f"idle for {elapsed:.1f} s")
    print(f"wake-ups per second: {(s1 - s0) / elapsed:.1f} (expected about 20)")
    print(f"CPU: {c1 - c0:.3f} s, {100 * (c1 - c0) / elapsed:.2f} % of one core")


if __name__ == "__main__":
    main()
