#!/usr/bin/python3
"""Quillbox beside its peers, on one display in one run: expansion against AutoKey, capture and idle
cost against CopyQ. Prints each figure's median and 90th percentile, the ratio to the peer and the
goal; passes or fails nothing.

    bench/bench_peers.py <quillbox> [runs=20] [idle_seconds=60] [--alone]

--alone measures Quillbox without its peers (no AutoKey, no CopyQ): its own figures and their goals.

The peers come from Debian and are installed by this script when missing (apt-get, as root):
autokey-gtk, copyq, python3-pyatspi (the accessibility events), and gedit for the GTK editor (left
out, with a line saying so, when it cannot be installed). Quillbox never needs any of them.

Everything runs in the end-to-end harness's Session (tests/e2e/qbharness.py: Xvfb, openbox, trayer,
a private HOME). Quillbox runs without a session bus, as in the end-to-end tests. The editors get a
session bus of their own (dbus-daemon started here) and the accessibility bus it starts on demand;
AutoKey needs the bus too (with its accessibility bridge off) and runs in a HOME of its own, CopyQ
likewise. One clock: time.monotonic() (CLOCK_MONOTONIC) in every process of this script, which is
also the clock of Qt's "%{time boot}" in Quillbox's log.

What each figure measures:

* expansion: the editor holds "x abc" (Quillbox's shortcut abc) or "x " (AutoKey's phrase on a
  hotkey); `xdotool key --clearmodifiers <chord>` sends the chord (Quillbox Ctrl+Alt+Space,
  AutoKey Ctrl+Alt+E typing the phrase, Ctrl+Alt+P pasting it) with xdotool's own 12 ms between
  key events (AutoKey misses about half its hotkeys sent with --delay 0, so the pause is kept for
  every tool). From the moment that xdotool has exited (the table's row "xdotool" says how long
  after the chord's last key event that is) to the editor's last change of its text (negative when
  the text was complete before xdotool exited: AutoKey acts on the key press, and xdotool then
  still sends and sleeps), as reported by the editor's own accessibility events
  (object:text-changed:insert/delete, received by a pyatspi listener that notes time.monotonic()
  as each arrives, before anything else). A run counts when the text then reads "x Alpha Beta
  Gamma" (read through PRIMARY, as the harness does). The tools take turns run by run. Beside them,
  "Ctrl+V alone": the editor's own paste of "Alpha Beta Gamma" put on the clipboard beforehand,
  `xdotool key --clearmodifiers ctrl+v` timed the same way; no expansion that pastes its text can
  finish sooner than the editor takes for that.
* clipboard held: XFixes selection-owner notices on CLIPBOARD, with the X server's own timestamps
  (1 ms): from the first change of owner after the chord (the user's owner loses it) to the last one
  of the expansion (the user's text put back), in runs after which the clipboard reads the user's
  text again.
* capture: this script's own X client takes CLIPBOARD with a new text every 300 ms (longer than the
  200 ms in which Quillbox takes copies as one). "asks": to the first SelectionRequest for the text
  (not TARGETS) reaching that owner. "in history": Quillbox, to its debug line "quillbox.clipboard:
  copy kept" (Qt's %{time boot}, whole ms); CopyQ, to the moment a `copyq eval` script polling
  read(0) every millisecond, started before the copy, sees the text: the end of that read(0) (its
  Date.now(), against the wall clock at the copy), and, as the figure's uncertainty, how long
  before it the previous read(0), which did not see it, had ended. Quillbox and CopyQ are measured one after the other with the same owner,
  never both at once.
* type-ahead: `xdotool type " thanks"` started the moment the chord's xdotool exits; the run is
  right when the text ends exactly "x Alpha Beta Gamma thanks".
* silent owner: the application in front is a window of this script that takes CLIPBOARD when it
  gets the "c" of the expansion's Ctrl+C and never answers a request. Meanwhile another connection
  pings the tray icon (_NET_WM_PING) without pause; the longest answer is the figure. The user's
  text "comes back" when the clipboard reads it after the expansion.
* silent owner holding the user's clipboard: a window of this script owns CLIPBOARD and never
  answers when the chord comes (an application hung after a copy). The same pings; the run is right
  when the shortcut is expanded all the same (the user's text cannot come back: it was never served).
* idle: both programs idle on the display at the same time; CPU (utime + stime of the whole
  process) and wake-ups (context switches of all its threads) over idle_seconds.
"""

import contextlib
import ctypes
import json
import os
import re
import signal
import sqlite3
import statistics
import subprocess
import sys
import threading
import time
from ctypes import POINTER, Structure, byref, c_char_p, c_int, c_uint, c_ulong, c_void_p

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from qbharness import Editor, HarnessError, Session, wait_until  # noqa: E402
from xclient import ClipboardOwner, _Connection  # noqa: E402
from bench_big_copy import PingLoop  # noqa: E402
from bench_search import steal_ms  # noqa: E402

SHORTCUT, TEXT = "abc", "Alpha Beta Gamma"
SAVED = "the user's clipboard"
TYPED_AHEAD = " thanks"
TYPE_AHEAD_RUNS = 100
QB_CHORD, AK_CHORD, AK_PASTE_CHORD = "ctrl+alt+space", "ctrl+alt+e", "ctrl+alt+p"
# No expander at all: the editor's own paste of a text already on the clipboard, sent and timed as
# the chords are. An expansion that pastes cannot end sooner than this.
PASTE_ALONE = "Ctrl+V alone"
CAPTURE_SPACING = 0.3
QUIET = 0.4           # an expansion is over when neither text nor clipboard owner changed for this long
RUN_BOUND = 5.0
SILENT_BOUND = 30.0
KEPT = re.compile(r"(?m)^\s*(\d+\.\d+)\s+quillbox\.clipboard: copy kept")
PEERS = {"autokey-gtk": "/usr/bin/autokey-gtk", "copyq": "/usr/bin/copyq",
         "python3-pyatspi": "/usr/lib/python3/dist-packages/pyatspi"}
GOALS = {"expand": "median <= 12, p90 <= 20", "held": "<= 15", "asks": "<= 5", "history": "<= 10",
         "typeahead": "100 of 100", "silent": "ping <= 500, text back", "idle": "<= 0.1 % CPU"}


# ---------------------------------------------------------------------------------------------
# the peers' installation

def install(packages) -> list:
    """apt-get installs the packages that are missing; the ones still missing afterwards."""
    missing = [p for p in packages if not os.path.exists(PEERS.get(p, f"/usr/bin/{p}"))]
    if missing and os.geteuid() == 0:
        for attempt in (["apt-get", "install", "-y", *missing], ["apt-get", "update"],
                        ["apt-get", "install", "-y", *missing]):
            print("installing:", " ".join(attempt), flush=True)
            ok = subprocess.run(attempt, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
            if ok and attempt[1] == "install":
                break
    return [p for p in packages if not os.path.exists(PEERS.get(p, f"/usr/bin/{p}"))]


# ---------------------------------------------------------------------------------------------
# what the editors and the clipboard do, seen from outside

def listen_text_events() -> None:
    """Run as `bench_peers.py --text-events` on the session bus: one line per text change of any
    accessible application, "<monotonic> <event type>", the time taken first."""
    import pyatspi

    def on_event(event):
        now = time.monotonic()
        sys.stdout.write(f"{now:.6f} {event.type}\n")
        sys.stdout.flush()
    pyatspi.Registry.registerEventListener(on_event, "object:text-changed")
    print("listening", flush=True)
    pyatspi.Registry.start()


class TextEvents:
    """The listener's lines, read as they come: times of the editors' text changes."""

    def __init__(self, log_path: str):
        self.path, self.offset, self.times = log_path, 0, []

    def update(self) -> list:
        with open(self.path, "rb") as f:
            f.seek(self.offset)
            data = f.read()
        end = data.rfind(b"\n") + 1
        self.offset += end
        for line in data[:end].decode("utf-8", "replace").splitlines():
            parts = line.split()
            if len(parts) == 2 and parts[1].startswith("object:text-changed"):
                self.times.append(float(parts[0]))
        return self.times

    def since(self, t: float) -> list:
        return [x for x in self.update() if x >= t]


class _SelectionNotify(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("window", c_ulong), ("subtype", c_int), ("owner", c_ulong), ("selection", c_ulong),
                ("timestamp", c_ulong), ("selection_timestamp", c_ulong)]


class OwnerWatch(threading.Thread):
    """Every change of CLIPBOARD's owner (XFixes), as (monotonic on arrival, server ms, owner)."""

    def __init__(self, display: str):
        super().__init__(daemon=True)
        self.conn = _Connection(display)
        xfixes = ctypes.CDLL("libXfixes.so.3")
        xfixes.XFixesQueryExtension.argtypes = [c_void_p, POINTER(c_int), POINTER(c_int)]
        xfixes.XFixesSelectSelectionInput.argtypes = [c_void_p, c_ulong, c_ulong, c_ulong]
        base, error = c_int(), c_int()
        if not xfixes.XFixesQueryExtension(self.conn.d, byref(base), byref(error)):
            raise HarnessError("the X server has no XFixes")
        self.notify_type = base.value  # XFixesSelectionNotify is the extension's first event
        xfixes.XFixesSelectSelectionInput(self.conn.d, self.conn.root, self.conn.atom("CLIPBOARD"), 7)
        self.conn.x.XSync(self.conn.d, 0)
        self.changes: list = []
        self.running = True

    def run(self) -> None:
        while self.running:
            for event in self.conn.events(time.monotonic() + 0.2):
                if event.type == self.notify_type:
                    n = ctypes.cast(byref(event), POINTER(_SelectionNotify)).contents
                    self.changes.append((time.monotonic(), n.timestamp, n.owner))

    def since(self, t: float) -> list:
        return [c for c in list(self.changes) if c[0] >= t]

    def stop(self) -> None:
        self.running = False
        self.join(5)
        self.conn.close()


class _KeyEvent(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("window", c_ulong), ("root", c_ulong), ("subwindow", c_ulong), ("time", c_ulong),
                ("x", c_int), ("y", c_int), ("x_root", c_int), ("y_root", c_int), ("state", c_uint),
                ("keycode", c_uint), ("same_screen", c_int)]


class SilentCopier(threading.Thread):
    """An application window that takes CLIPBOARD on the "c" of a Ctrl+C and never answers."""

    def __init__(self, display: str):
        super().__init__(daemon=True)
        self.conn = c = _Connection(display)
        x = c.x
        x.XStoreName.argtypes = [c_void_p, c_ulong, c_char_p]
        x.XMapWindow.argtypes = [c_void_p, c_ulong]
        x.XKeysymToKeycode.argtypes, x.XKeysymToKeycode.restype = [c_void_p, c_ulong], ctypes.c_ubyte
        self.window = x.XCreateSimpleWindow(c.d, c.root, 100, 100, 500, 300, 0, 0, 0xffffff)
        x.XStoreName(c.d, self.window, b"silent copier")
        x.XSelectInput(c.d, self.window, 1)  # KeyPressMask
        x.XMapWindow(c.d, self.window)
        x.XSync(c.d, 0)
        self.c_key = x.XKeysymToKeycode(c.d, 0x63)
        self.clipboard = c.atom("CLIPBOARD")
        self.took = None
        self.running = True

    def run(self) -> None:
        while self.running:
            for event in self.conn.events(time.monotonic() + 0.1):
                if event.type == 2 and self.took is None:
                    key = ctypes.cast(byref(event), POINTER(_KeyEvent)).contents
                    if key.keycode == self.c_key and key.state & 4:  # ControlMask
                        self.conn.x.XSetSelectionOwner(self.conn.d, self.clipboard, self.window, 0)
                        self.conn.x.XFlush(self.conn.d)
                        self.took = time.monotonic()

    def stop(self) -> None:
        self.running = False
        self.join(5)
        self.conn.close()


# ---------------------------------------------------------------------------------------------
# figures

def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


class Table:
    def __init__(self):
        self.rows = []

    def add(self, figure, who, values, goal="", peer=None, unit="ms"):
        """A row of median and p90 of values (peer: the peer's values, for the ratio)."""
        if not values:
            self.rows.append((figure, who, "0", "-", "-", "-", goal))
            return
        med, p90 = statistics.median(values), percentile(values, 0.9)
        ratio = f"{med / statistics.median(peer):.1f}x" if peer and statistics.median(peer) > 0 else "-"
        self.rows.append((figure, who, str(len(values)), f"{med:.1f} {unit}", f"{p90:.1f} {unit}", ratio, goal))

    def note(self, figure, who, text, goal=""):
        self.rows.append((figure, who, "", text, "", "", goal))

    def print(self):
        head = ("figure", "who", "n", "median", "p90", "ratio", "goal")
        rows = [r for r in self.rows if r[2]]
        widths = [max(len(str(r[i])) for r in [head, *rows]) for i in range(len(head))]
        line = lambda r: "  ".join(str(v).ljust(w) for v, w in zip(r, widths)).rstrip()  # noqa: E731
        print(line(head))
        print("  ".join("-" * w for w in widths))
        for r in rows:
            print(line(r))
        print()
        for figure, who, _, text, _, _, goal in (r for r in self.rows if not r[2]):
            print(f"{figure} | {who}: {text}" + (f" | goal {goal}" if goal else ""))


# ---------------------------------------------------------------------------------------------
# the session's extra parts

def start_bus(s: Session) -> dict:
    """A session bus for the editors, AutoKey and the listener; the variables that reach it."""
    popen = s.spawn("dbus-session", ["dbus-daemon", "--session", "--nofork", "--print-address=1"])
    path = s.log_path_of(popen)

    def address():
        with open(path) as f:
            m = re.search(r"^(unix:\S+)$", f.read(), re.M)
        return m and m.group(1)
    return {"DBUS_SESSION_BUS_ADDRESS": wait_until(address, 10, "the session bus")}


@contextlib.contextmanager
def on_bus(s: Session, bus: dict, accessible: bool = True):
    """Programs started inside have the session bus (and, accessible, their accessibility on)."""
    saved = dict(s.env)
    s.env.update(bus)
    if accessible:
        s.env.pop("NO_AT_BRIDGE", None)
        s.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    try:
        yield
    finally:
        s.env.clear()
        s.env.update(saved)


def start_gedit(s: Session) -> Editor:
    """gedit on a new file, as the harness starts mousepad and featherpad."""
    path = os.path.join(s.cwd, "gedit-1.txt")
    open(path, "w").close()
    popen = s.spawn("gedit", ["gedit", "--standalone", path], env={"GSETTINGS_BACKEND": "keyfile"})

    def window():
        for wid in s.search("--onlyvisible", "--pid", str(popen.pid)):
            info = s.window_info(wid)
            if info and info.viewable and info.width > 200 and wid in s.client_list():
                return wid
        if popen.poll() is not None:
            raise HarnessError("gedit ended at start")
        return None
    editor = Editor(s, "gedit", popen, wait_until(window, 30, "gedit's window"))
    # gedit may show its window before its text takes keys: typed until the text reads back.
    def takes_keys():
        editor.activate()
        editor.clear()
        editor.type("x")
        try:
            return editor.read_text(timeout=3) == "x"
        except HarnessError:
            return False
    wait_until(takes_keys, 60, "gedit to take typed keys", interval=0.5)
    editor.key("BackSpace")
    return editor


def start_autokey(s: Session, bus: dict):
    """autokey-gtk in a HOME of its own, its two phrases written before it starts."""
    home = os.path.join(s.root, "autokey-home")
    config = os.path.join(home, ".config", "autokey")
    folder = os.path.join(config, "data", "bench")
    os.makedirs(folder)
    with open(os.path.join(config, "autokey.json"), "w") as f:
        json.dump({"version": "0.95.10", "userCodeDir": None, "folders": [],
                   "settings": {"isFirstRun": False, "serviceRunning": True, "showTrayIcon": False},
                   "toggleServiceHotkey": {"modifiers": ["<shift>", "<super>"], "hotKey": "k", "enabled": False},
                   "configHotkey": {"modifiers": ["<super>"], "hotKey": "k", "enabled": False}}, f)
    for name, key, mode in (("typed", "e", "kb"), ("pasted", "p", "<ctrl>+v")):
        with open(os.path.join(folder, f"{name}.txt"), "w") as f:
            f.write(TEXT)
        with open(os.path.join(folder, f".{name}.json"), "w") as f:
            json.dump({"type": "phrase", "description": name, "modes": [3], "usageCount": 0, "prompt": False,
                       "omitTrigger": False, "matchCase": False, "showInTrayMenu": False,
                       "abbreviation": {"abbreviations": [], "backspace": True, "ignoreCase": False,
                                        "immediate": False, "triggerInside": False, "wordChars": "[\\w]"},
                       "hotkey": {"modifiers": ["<alt>", "<ctrl>"], "hotKey": key},
                       "filter": {"regex": None, "isRecursive": False}, "sendMode": mode}, f)
    env = dict(bus, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), XDG_CACHE_HOME=os.path.join(home, ".cache"))
    return s.spawn("autokey", ["autokey-gtk"], env=env)


def copyq_env(s: Session) -> dict:
    home = os.path.join(s.root, "copyq-home")
    os.makedirs(os.path.join(home, ".config"), exist_ok=True)
    env = dict(s.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    env.pop("QT_LOGGING_RULES", None)
    return env


def copyq(env: dict, *args: str, timeout: float = 10.0) -> str:
    result = subprocess.run(["copyq", *args], env=env, capture_output=True, timeout=timeout)
    return result.stdout.decode("utf-8", "replace")


def process_counters(pid: int):
    """({thread id: its context switches}, CPU seconds of the whole process)."""
    switches = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:")):
                        switches[task] = switches.get(task, 0) + int(line.split(":", 1)[1])
        except OSError:
            pass
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return switches, (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


# ---------------------------------------------------------------------------------------------
# the runs

class Bench:
    def __init__(self, s: Session, events: TextEvents, owners: OwnerWatch):
        self.s, self.events, self.owners = s, events, owners

    def xdotool(self, *args: str) -> float:
        """Runs xdotool on the display; the moment it exited."""
        subprocess.run(["xdotool", *args], env=self.s.env, stdin=subprocess.DEVNULL, capture_output=True,
                       timeout=10)
        return time.monotonic()

    def settle(self, since: float, bound: float = RUN_BOUND) -> None:
        """Waits until neither the text nor CLIPBOARD's owner changed for QUIET s (at most bound s)."""
        deadline = since + bound
        while time.monotonic() < deadline:
            last = max([since, *self.events.since(since), *(c[0] for c in self.owners.since(since))])
            if time.monotonic() - last >= QUIET:
                return
            time.sleep(0.02)

    def expand(self, editor: Editor, typed: str, chord: str, after: str = "", prepare=None):
        """One expansion; (ms to the last text change or None, the text, ms held or None, text back).
        A run whose keys opened a dialog in the editor (seen once: AutoKey typing while the chord's
        Ctrl+Alt were still down) is a wrong run; Escape closes the dialog."""
        try:
            return self._expand(editor, typed, chord, after, prepare)
        except HarnessError as error:
            self.s.key("Escape")
            time.sleep(0.5)
            self.s.set_clipboard(SAVED)
            return None, f"(no text: {str(error)[:60]})", None, False

    def _expand(self, editor: Editor, typed: str, chord: str, after: str, prepare):
        editor.activate()
        editor.clear()
        editor.type(typed)
        if prepare:
            prepare()
        self.settle(time.monotonic() - QUIET)
        start = time.monotonic()
        sent = self.xdotool("key", "--clearmodifiers", chord)
        if after:
            self.xdotool("type", after)
        self.settle(start)
        changes = self.events.since(start)   # AutoKey may finish before xdotool has exited
        owners = self.owners.since(start)
        text = editor.read_text()
        back = self.s.get_clipboard() == SAVED
        if not back:
            self.s.set_clipboard(SAVED)
        held = owners[-1][1] - owners[0][1] if owners else None
        return ((changes[-1] - sent) * 1000 if changes else None), text, held, back


def bench_editor(b: Bench, table: Table, editor: Editor, runs: int, autokey: bool) -> None:
    tools = [("Quillbox", "x " + SHORTCUT, QB_CHORD), (PASTE_ALONE, "x ", "ctrl+v")]
    if autokey:
        tools += [("AutoKey typed", "x ", AK_CHORD), ("AutoKey pasted", "x ", AK_PASTE_CHORD)]
    times = {name: [] for name, _, _ in tools}
    held = {name: [] for name, _, _ in tools}
    wrong = {name: [] for name, _, _ in tools}
    b.s.set_clipboard(SAVED)
    for _ in range(runs):
        for name, typed, chord in tools:
            prepare = (lambda: b.s.set_clipboard(TEXT)) if name == PASTE_ALONE else None
            ms, text, held_ms, back = b.expand(editor, typed, chord, prepare=prepare)
            if text == "x " + TEXT and ms is not None:
                times[name].append(ms)
                if back and held_ms is not None:
                    held[name].append(held_ms)
            else:
                wrong[name].append(text)
    peer = times.get("AutoKey typed")
    for name, _, _ in tools:
        who = name + (f" ({len(wrong[name])} wrong, e.g. {wrong[name][0]!r})" if wrong[name] else "")
        ours = name == "Quillbox"
        table.add(f"expansion, {editor.kind}: chord sent -> last text change", who, times[name],
                  GOALS["expand"] if ours else "", peer if ours else None)
    for name, _, _ in tools:
        if name not in ("AutoKey typed", PASTE_ALONE):
            ours = name == "Quillbox"
            table.add(f"clipboard held, {editor.kind}", name, held[name], GOALS["held"] if ours else "",
                      held.get("AutoKey pasted") if ours else None)


def bench_type_ahead(b: Bench, table: Table, editor: Editor, runs: int, autokey_runs: int) -> None:
    expected = "x " + TEXT + TYPED_AHEAD
    b.s.set_clipboard(SAVED)
    for name, typed, chord, n in (("Quillbox", "x " + SHORTCUT, QB_CHORD, runs),
                                  ("AutoKey typed", "x ", AK_CHORD, autokey_runs)):
        if not n:
            continue
        results = [b.expand(editor, typed, chord, after=TYPED_AHEAD)[1] for _ in range(n)]
        wrong = [t for t in results if t != expected]
        table.note(f"type-ahead, {editor.kind}: {TYPED_AHEAD.strip()!r} typed 0 ms after the chord", name,
                   f"{n - len(wrong)} of {n} right" + (f", e.g. {wrong[0]!r}" if wrong else ""),
                   GOALS["typeahead"] if name == "Quillbox" else "")


def xdotool_lag(b: Bench, table: Table, window: SilentCopier) -> None:
    """How long after the chord's last key event reached the X server `xdotool key` exits: the
    window in front gets a chord of the same shape (Ctrl+Alt+B, which no program here grabs); the
    server's event times are CLOCK_MONOTONIC in whole ms."""
    c = window.conn
    c.x.XSelectInput(c.d, window.window, 3)  # KeyPressMask | KeyReleaseMask
    c.x.XSync(c.d, 0)
    lags = []
    for _ in range(10):
        end = b.xdotool("key", "--clearmodifiers", "ctrl+alt+b")
        times = [ctypes.cast(byref(e), POINTER(_KeyEvent)).contents.time
                 for e in c.events(time.monotonic() + 0.2) if e.type in (2, 3)]
        if times:
            lags.append(end * 1000 % 2 ** 32 - max(times))
    c.x.XSelectInput(c.d, window.window, 1)
    c.x.XSync(c.d, 0)
    table.add("the chord's last key event -> xdotool key exits", "xdotool", lags)


def chord_while_pinging(b: Bench, qb, until):
    """Sends the expand chord while another connection pings the tray without pause; until(start)
    waits for the end and returns a time. (xdotool's exit, until's time, the longest ping answer in
    s, the pings left unanswered.)"""
    pings = PingLoop(b.s.display, qb.tray_window)
    try:
        pings.start()
        time.sleep(0.5)
        start = time.monotonic()
        sent = b.xdotool("key", "--clearmodifiers", QB_CHORD)
        end = until(start)
        pings.running = False
        return sent, end, pings.worst(start, time.monotonic()), pings.unanswered
    finally:
        pings.stop()


def bench_silent_owner(b: Bench, table: Table, qb, editor: Editor) -> None:
    s = b.s
    s.set_clipboard(SAVED)
    copier = SilentCopier(s.display)
    s.activate(copier.window)
    xdotool_lag(b, table, copier)
    copier.start()

    def ended(start):
        """When the clipboard changed owner after the silent copy: the expansion over."""
        def restored():
            return copier.took and any(c[0] > copier.took and c[2] != copier.window for c in b.owners.changes)
        try:
            wait_until(restored, SILENT_BOUND, "the clipboard to change owner after the silent copy", interval=0.01)
            end = next(c[0] for c in b.owners.changes if c[0] > copier.took and c[2] != copier.window)
        except HarnessError:
            end = time.monotonic()
        time.sleep(0.5)
        return end
    try:
        sent, end, worst, unanswered = chord_while_pinging(b, qb, ended)
    finally:
        copier.stop()
    try:
        try:
            read = s.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"], check=False, timeout=3)
            back = read.returncode == 0 and read.stdout.decode("utf-8", "replace") == SAVED
        except subprocess.TimeoutExpired:
            back = False
    except HarnessError:
        back = False
    took = (f"it took the clipboard {(copier.took - sent) * 1000:.0f} ms after xdotool exited, " if copier.took
            else "the copier never got the Ctrl+C, ")
    table.note("silent owner during an expansion", "Quillbox",
               f"longest ping answer {worst * 1000:.0f} ms ({unanswered} unanswered); {took}"
               f"the expansion ended {(end - sent) * 1000:.0f} ms after it exited; user's text "
               f"{'back' if back else 'NOT back'}", GOALS["silent"])
    editor.activate()
    s.set_clipboard(SAVED)


def bench_silent_saved(b: Bench, table: Table, qb, editor: Editor) -> None:
    """The user's clipboard owned by an application that never answers when the chord comes."""
    s = b.s
    copier = SilentCopier(s.display)
    editor.activate()
    editor.clear()
    editor.type("x " + SHORTCUT)
    copier.conn.x.XSetSelectionOwner(copier.conn.d, copier.clipboard, copier.window, 0)
    copier.conn.x.XFlush(copier.conn.d)
    b.settle(time.monotonic() - QUIET)

    def settled(start):
        """The expansion over: the text and the clipboard quiet since the chord."""
        b.settle(start, SILENT_BOUND)
        return start
    try:
        sent, start, worst, unanswered = chord_while_pinging(b, qb, settled)
    finally:
        copier.conn.close()   # never started: it reads no event, so it answers no request
    changes = b.events.since(start)
    text = editor.read_text()
    ended = f"the text complete {(changes[-1] - sent) * 1000:.0f} ms after xdotool exited" if changes else "no text change"
    table.note("silent owner holding the user's clipboard", "Quillbox",
               f"longest ping answer {worst * 1000:.0f} ms ({unanswered} unanswered); "
               f"{'expanded' if text == 'x ' + TEXT else 'NOT expanded: ' + repr(text)}, {ended}",
               "ping <= 500, expanded")
    s.set_clipboard(SAVED)


def bench_capture_quillbox(s: Session, qb, runs: int):
    owner = ClipboardOwner(s.display)
    asks, kept = [], []
    try:
        for i in range(runs):
            mark = qb.log_mark()
            start = owner.copy(f"quillbox capture {i:03d}")
            owner.serve_until(start + CAPTURE_SPACING)
            if owner.requests:
                asks.append((owner.requests[0] - start) * 1000)
            m = KEPT.search(qb.log(), mark)
            if m:
                kept.append((float(m.group(1)) - start) * 1000)
    finally:
        owner.close()
    return asks, kept


def bench_capture_copyq(s: Session, env: dict, runs: int):
    """Per copy: ms to the first request, ms to the end of the first read(0) that returned the text,
    and how long before that the previous read(0) ended without it (the figure's uncertainty)."""
    owner = ClipboardOwner(s.display)
    asks, kept, brackets = [], [], []
    try:
        for i in range(runs):
            text = f"copyq capture {i:03d}"
            script = (f'var t = "{text}"; var before = Date.now(); '
                      'while (true) { var got = str(read(0)); var end = Date.now(); '
                      'if (got == t) { print(before + " " + end); break; } before = end; sleep(1); }')
            poll = subprocess.Popen(["copyq", "eval", script], env=env, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
            time.sleep(0.5)   # the script is up and polling
            wall = time.time()
            start = owner.copy(text)
            owner.serve_until(start + CAPTURE_SPACING)
            if owner.requests:
                asks.append((owner.requests[0] - start) * 1000)
            try:
                out, _ = poll.communicate(timeout=5)
                before, end = (int(v) for v in out.decode().split()[-2:])
                kept.append(end - wall * 1000)
                brackets.append(end - max(before, wall * 1000))
            except (subprocess.TimeoutExpired, ValueError, IndexError):
                poll.kill()
                poll.wait()
    finally:
        owner.close()
    return asks, kept, brackets


def bench_idle(pids: dict, seconds: float, table: Table) -> None:
    time.sleep(3)
    before = {name: process_counters(pid) for name, pid in pids.items()}
    t0 = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - t0
    for name, pid in pids.items():
        switches, cpu = process_counters(pid)
        # Per thread: a thread that ended meanwhile takes its count with it, one that began counts whole.
        woken = sum(n - before[name][0].get(task, 0) for task, n in switches.items())
        table.note(f"idle over {elapsed:.0f} s", name,
                   f"{100 * (cpu - before[name][1]) / elapsed:.2f} % CPU, "
                   f"{woken / elapsed:.2f} wake-ups/s", GOALS["idle"] if name == "Quillbox" else "")


def start_quillbox(s: Session):
    return s.start_quillbox(env={"QT_MESSAGE_PATTERN": "%{time boot} %{if-category}%{category}: %{endif}%{message}"})


def main() -> int:
    if len(sys.argv) > 1 and sys.argv[1] == "--text-events":
        listen_text_events()
        return 0
    alone = "--alone" in sys.argv
    args = [a for a in sys.argv[1:] if a != "--alone"]
    if not args:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    os.environ["QB_BINARY"] = os.path.abspath(args[0])
    runs = int(args[1]) if len(args) > 1 else 20
    idle_seconds = float(args[2]) if len(args) > 2 else 60.0
    peers = [p for p in PEERS if not (alone and p in ("autokey-gtk", "copyq"))]
    missing = install(peers) + ([] if peers == list(PEERS) else ["autokey-gtk", "copyq"])
    gedit_missing = install(["gedit"])
    if "python3-pyatspi" in missing:
        print("python3-pyatspi is missing: the editors' text changes cannot be seen", file=sys.stderr)
        return 1
    table = Table()
    began, stolen = time.monotonic(), steal_ms()
    with Session("bench_peers", artifacts_root=os.path.join(os.getcwd(), "bench-artifacts")) as s:
        qb = start_quillbox(s)
        qb.send_signal(signal.SIGTERM)
        qb.wait_exit(10)
        with sqlite3.connect(os.path.join(s.cwd, "qbdat.dbf")) as db:
            db.execute("insert into Shortcuts (s_id, s_shortcut, s_desc, s_text) values (0, ?, '', ?)",
                       (SHORTCUT, TEXT))
        db.close()
        qb = start_quillbox(s)
        bus = start_bus(s)
        with on_bus(s, bus):
            listener = s.spawn("text-events", ["/usr/bin/python3", os.path.abspath(__file__), "--text-events"])
        events = TextEvents(s.log_path_of(listener))
        wait_until(lambda: "listening" in open(events.path).read(), 20, "the accessibility listener")
        owners = OwnerWatch(s.display)
        owners.start()
        try:
            run_all(s, table, qb, bus, events, owners, missing, gedit_missing, runs, idle_seconds, began)
        finally:
            owners.stop()   # before the display goes: Xlib would end this process
    print(f"\nQuillbox {os.environ['QB_BINARY']}, {runs} runs, one display, {time.monotonic() - began:.0f} s; "
          f"the host took {steal_ms() - stolen:.0f} ms of processor time from this machine meanwhile")
    table.print()
    return 0


def run_all(s, table, qb, bus, events, owners, missing, gedit_missing, runs, idle_seconds, began) -> None:
    b = Bench(s, events, owners)
    autokey = None
    if "autokey-gtk" in missing:
        print("no AutoKey figures: autokey-gtk left out (--alone) or not installable")
    else:
        with on_bus(s, bus, accessible=False):
            autokey = start_autokey(s, bus)

    kinds = ["mousepad", "featherpad"] if gedit_missing else ["gedit", "mousepad", "featherpad"]
    if gedit_missing:
        print("gedit could not be installed: the GTK editor is mousepad only")
    mousepad = None
    for kind in kinds:
        with on_bus(s, bus):
            editor = start_gedit(s) if kind == "gedit" else s.start_editor(kind)
        if autokey and kind == kinds[0]:
            # AutoKey is ready once its hotkey types the phrase.
            def typed():
                editor.clear()
                b.xdotool("key", "--clearmodifiers", AK_CHORD)
                time.sleep(0.5)
                return TEXT in editor.read_text() if b.events.since(time.monotonic() - 0.5) else False
            wait_until(typed, 60, "AutoKey's hotkey to type its phrase", interval=1)
        print(f"{kind}: {runs} runs per tool ({time.monotonic() - began:.0f} s)", flush=True)
        bench_editor(b, table, editor, runs, autokey is not None)
        if kind == "mousepad":
            mousepad = editor
        else:
            editor.close()

    print(f"type-ahead ({time.monotonic() - began:.0f} s)", flush=True)
    bench_type_ahead(b, table, mousepad, TYPE_AHEAD_RUNS, runs if autokey else 0)
    print(f"silent owner ({time.monotonic() - began:.0f} s)", flush=True)
    bench_silent_owner(b, table, qb, mousepad)
    bench_silent_saved(b, table, qb, mousepad)
    mousepad.close()
    if autokey:
        s.stop_process(autokey)

    print(f"capture ({time.monotonic() - began:.0f} s)", flush=True)
    qb_asks, qb_kept = bench_capture_quillbox(s, qb, runs)
    qb.send_signal(signal.SIGTERM)
    qb.wait_exit(10)
    cq_asks = cq_kept = brackets = []
    copyq_pid = None
    if "copyq" in missing:
        print("no CopyQ figures: copyq left out (--alone) or not installable")
    else:
        env = copyq_env(s)
        server = s.spawn("copyq", ["copyq"], env={k: env[k] for k in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME")})
        wait_until(lambda: copyq(env, "eval", "print('up')") == "up", 30, "CopyQ's server", interval=0.5)
        copyq(env, "config", "check_selection", "false")
        copyq_pid = server.pid
        cq_asks, cq_kept, brackets = bench_capture_copyq(s, env, runs)
    table.add("capture: copy -> first request for the text", "Quillbox", qb_asks, GOALS["asks"], cq_asks)
    table.add("capture: copy -> first request for the text", "CopyQ", cq_asks)
    table.add("capture: copy -> item in the history", "Quillbox", qb_kept, GOALS["history"], cq_kept)
    table.add("capture: copy -> item in the history", "CopyQ (end of the read(0) that saw it)", cq_kept)
    table.add("capture: copy -> item in the history", "CopyQ (read(0) that saw it: end - previous end)",
              brackets)

    print(f"idle ({time.monotonic() - began:.0f} s)", flush=True)
    qb = start_quillbox(s)
    bench_idle({"Quillbox": qb.pid, **({"CopyQ": copyq_pid} if copyq_pid else {})}, idle_seconds, table)


if __name__ == "__main__":
    sys.exit(main())
