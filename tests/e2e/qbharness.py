"""End-to-end harness: the real quillbox binary on a virtual X display of its own.

A Session starts Xvfb, openbox and trayer (the XEmbed tray host), makes a private HOME with its XDG
folders and a current folder, and stops everything it started when the ``with`` block ends,
whatever the outcome. On a failure it saves a screenshot and the tails of every log into
``$QB_E2E_ARTIFACTS/<test>/`` (CTest points that into the build tree) and prints where.

    with Session(self) as s:                      # self: the unittest.TestCase, names the artifacts
        qb = s.start_quillbox()                   # returns once the tray icon is embedded
        qb.click_tray(1)
        qb.wait_for_log(r"tray icon 141 ")
        editor = s.start_editor("mousepad")
        editor.type("hello")
        self.assertEqual(editor.read_text(), "hello")

Only Debian's /usr/bin/python3 and its standard library are used; the X side goes through the
command-line tools the project installs (xdotool, xclip, xprop, xwininfo, xdpyinfo, xmodmap,
ImageMagick's import).

Choices worth knowing when writing a test:

* No session D-Bus at all, for Quillbox and for the editors. Without one Qt uses the XEmbed tray
  (which xdotool can click), and both editors start as plain, independent processes: mousepad
  (GTK) cannot register as a unique application and simply runs on its own, featherpad likewise.
  The only thing mousepad wanted from a bus was dconf; it gets GSettings' keyfile backend instead
  (GSETTINGS_BACKEND=keyfile, a file in the private XDG_CONFIG_HOME), which is also where its session
  restore and autosave are switched off. One bus per session or dbus-run-session around the
  editors was not needed, so the program under test runs the way it does on a desktop without
  a bus, and no bus daemon has to be started and stopped.
* Editor text is read back through the PRIMARY selection: the harness offers a sentinel on
  PRIMARY, selects the whole document with Ctrl+Home, Ctrl+Shift+End (keyboard selection; both
  editors then claim PRIMARY), waits until PRIMARY is no longer the sentinel and reads it, then
  collapses the selection with Ctrl+End. Keys reach the editor in order, so what is read includes
  everything typed before. The CLIPBOARD is never touched, so Quillbox's clipboard history and any
  clipboard a test is checking stay as they were.
* Characters outside the US keymap are bound to spare keycodes (xmodmap) before xdotool types
  them: xdotool's own temporary remapping races with Qt's keymap reload and loses characters in
  Qt editors.
* The tray icon is the program's window (by _NET_WM_PID) mapped inside trayer's panel. Qt 6.4 gives
  it the program's own WM_CLASS ("quillbox", "Quillbox"), not "tray"; a window of class "tray" is
  accepted too.
* The tray menu is driven by keyboard: menu("q") chooses &Quit, menu("h", "a") &Help > &About
  Quillbox (QMenu takes the underlined letter alone); navigate_menu() presses arrows and Return.
  Message boxes take their buttons' letters alone too: answer("y"), answer("n").
"""

from __future__ import annotations

import configparser
import fcntl
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest
from dataclasses import dataclass
from typing import Callable, Mapping, Optional, Sequence, TypeVar, Union

T = TypeVar("T")

SCREEN = "1280x800x24"
DISPLAY_NUMBERS = range(110, 200)
TRAYER_ARGS = ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "200",
               "--heighttype", "pixel", "--height", "32", "--SetDockType", "true", "--SetPartialStrut", "true",
               "--transparent", "false"]
POLL = 0.05            # interval of every bounded wait loop
SLOW_WAIT = 3.0        # a wait longer than this is reported on stderr
STOP_GRACE = 5.0       # seconds between SIGTERM and SIGKILL when a session ends
TOOL_TIMEOUT = 10.0    # bound on any single X tool invocation
LOG_TAIL_LINES = 300
# Quillbox publishes the keyboard helper's block under one machine-wide shared-memory name, so two
# sessions on this machine (other checkouts, CI) must not run at once; they queue on this lock.
MACHINE_LOCK = "/tmp/quillbox-e2e.lock"
MACHINE_LOCK_WAIT = 180.0

# Variables a test's processes must never inherit: another display, bus or desktop session.
_SCRUBBED = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER",
             "XDG_SESSION_ID", "XDG_SESSION_TYPE", "XDG_SESSION_DESKTOP", "XDG_CURRENT_DESKTOP",
             "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION", "QT_QPA_PLATFORMTHEME",
             "AT_SPI_BUS_ADDRESS", "GSETTINGS_BACKEND", "QT_QPA_PLATFORM", "QT_LOGGING_RULES")


class HarnessError(AssertionError):
    """A bounded wait ran out or the desktop did not behave: reported as a test failure."""


# ---------------------------------------------------------------------------------------------
# small helpers

def wait_until(predicate: Callable[[], T], timeout: float, what: str, interval: float = POLL) -> T:
    """Polls predicate until it returns something true and returns that; HarnessError after timeout s."""
    start = time.monotonic()
    deadline = start + timeout
    while True:
        value = predicate()
        if value:
            waited = time.monotonic() - start
            if waited > SLOW_WAIT:  # a slow machine shows here before a bound runs out
                print(f"e2e: waited {waited:.1f} s for {what}", file=sys.stderr)
            return value
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def quillbox_binary() -> str:
    """The program under test: $QB_BINARY (CTest sets it to the built target)."""
    path = os.environ.get("QB_BINARY", "")
    if not path or not os.access(path, os.X_OK):
        raise HarnessError(f"QB_BINARY does not name an executable quillbox (got {path!r})")
    return path


def clean_environment() -> dict:
    """This process's environment less every variable that ties a program to a desktop session."""
    env = dict(os.environ)
    for name in _SCRUBBED:
        env.pop(name, None)
    return env


def run_cli(args: Sequence[str], timeout: float = 10.0, env: Optional[Mapping[str, str]] = None
            ) -> subprocess.CompletedProcess:
    """Runs quillbox with args and no display at all; returns the completed process (text output)."""
    return subprocess.run([quillbox_binary(), *args], env=dict(env) if env is not None else clean_environment(),
                          stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=timeout)


def _tail(path: str, lines: int = LOG_TAIL_LINES) -> str:
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return ""
    return "\n".join(data.decode("utf-8", "replace").splitlines()[-lines:])


def _safe_name(name: str) -> str:
    return re.sub(r"[^A-Za-z0-9_.-]+", "_", name).strip("_") or "session"


@dataclass
class WindowInfo:
    id: int
    x: int               # absolute, on the root window
    y: int
    width: int
    height: int
    viewable: bool
    override_redirect: bool

    def contains(self, other: "WindowInfo") -> bool:
        return (self.x <= other.x and self.y <= other.y and other.x + other.width <= self.x + self.width
                and other.y + other.height <= self.y + self.height)

    @property
    def center(self) -> tuple:
        return (self.x + self.width // 2, self.y + self.height // 2)


@dataclass
class _Proc:
    name: str
    popen: subprocess.Popen
    log_path: str


# ---------------------------------------------------------------------------------------------

class Session:
    """A private X display with a window manager and a tray, a private HOME, and cleanup.

    name: a unittest.TestCase (its id() names the artifacts folder) or a plain string.
    """

    def __init__(self, name: Union[str, object] = "session", artifacts_root: Optional[str] = None,
                 screen: str = SCREEN):
        test_id = name.id() if hasattr(name, "id") and callable(getattr(name, "id")) else str(name)
        if test_id.startswith("__main__."):  # a test file run as a script: name it after the file
            script = os.path.splitext(os.path.basename(sys.argv[0] or "test"))[0]
            test_id = script + test_id[len("__main__"):]
        self.name = _safe_name(test_id)
        root = artifacts_root or os.environ.get("QB_E2E_ARTIFACTS") or os.path.join(os.getcwd(), "e2e-artifacts")
        self.artifacts_dir = os.path.join(root, self.name)
        self.screen = screen
        self.display: Optional[str] = None
        self.env: dict = {}
        self.root = self.home = self.cwd = self.config_home = self.data_home = ""
        self.cache_home = self.runtime_dir = self.log_dir = ""
        self.panel: Optional[WindowInfo] = None
        self._procs: list = []
        self._lock_fd: Optional[int] = None
        self._bound_chars: dict = {}
        self._spare_keycodes: list = []
        self._sentinels = 0
        self.quillbox: Optional["Quillbox"] = None

    # -- context manager -----------------------------------------------------------------------

    def __enter__(self) -> "Session":
        try:
            self._start()
        except BaseException:
            self._finish(failed=True)
            raise
        return self

    def __exit__(self, exc_type, exc, tb) -> bool:
        failed = exc_type is not None and not issubclass(exc_type, unittest.SkipTest)
        self._finish(failed=failed)
        return False

    def _start(self) -> None:
        if os.path.isdir(self.artifacts_dir):
            shutil.rmtree(self.artifacts_dir, ignore_errors=True)
        self._take_machine_lock()
        self.root = tempfile.mkdtemp(prefix="qb-e2e-")
        self.home = os.path.join(self.root, "home")
        self.config_home = os.path.join(self.home, ".config")
        self.data_home = os.path.join(self.home, ".local", "share")
        self.cache_home = os.path.join(self.home, ".cache")
        self.runtime_dir = os.path.join(self.root, "runtime")
        self.cwd = os.path.join(self.root, "work")
        self.log_dir = os.path.join(self.root, "logs")
        for folder in (self.config_home, self.data_home, self.cache_home, self.cwd, self.log_dir):
            os.makedirs(folder, exist_ok=True)
        os.makedirs(self.runtime_dir, mode=0o700)
        os.chmod(self.runtime_dir, 0o700)
        self._write_editor_settings()

        env = clean_environment()
        env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config_home,
            "XDG_DATA_HOME": self.data_home,
            "XDG_CACHE_HOME": self.cache_home,
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LOGGING_RULES": "quillbox.*.debug=true",
            "NO_AT_BRIDGE": "1",          # GTK: no accessibility bus to look for
            "LANG": "C.UTF-8",            # the same UTF-8 locale whatever the caller has
            "LC_ALL": "C.UTF-8",
        })
        self.env = env
        self._start_display()
        self._start_window_manager()
        self._start_tray()

    def _finish(self, failed: bool) -> None:
        if failed:
            try:
                self.save_artifacts()
            except Exception as error:  # never hide the test's own failure
                print(f"e2e: could not save artifacts: {error}", file=sys.stderr)
        for proc in reversed(self._procs):
            self._stop(proc)
        self._procs.clear()
        if self.root:
            shutil.rmtree(self.root, ignore_errors=True)
        if self._lock_fd is not None:
            os.close(self._lock_fd)
            self._lock_fd = None

    def _take_machine_lock(self) -> None:
        fd = os.open(MACHINE_LOCK, os.O_RDWR | os.O_CREAT, 0o666)
        start = time.monotonic()
        deadline = start + MACHINE_LOCK_WAIT
        while True:
            try:
                fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
                self._lock_fd = fd
                if time.monotonic() - start > SLOW_WAIT:
                    print(f"e2e: waited {time.monotonic() - start:.1f} s for another session to end",
                          file=sys.stderr)
                return
            except BlockingIOError:
                if time.monotonic() >= deadline:
                    os.close(fd)
                    raise HarnessError(f"another end-to-end session held {MACHINE_LOCK} for "
                                       f"{MACHINE_LOCK_WAIT:g} s")
                time.sleep(0.2)

    # -- processes ---------------------------------------------------------------------------

    def spawn(self, name: str, args: Sequence[str], env: Optional[Mapping[str, str]] = None,
              cwd: Optional[str] = None, stdin: Optional[bytes] = None) -> subprocess.Popen:
        """Starts args with the session's environment (plus env), output to logs/<name>.log; recorded
        so that the session stops it (TERM, then KILL) when it ends."""
        log_path = os.path.join(self.log_dir, f"{_safe_name(name)}.log")
        n = 1
        while os.path.exists(log_path):
            n += 1
            log_path = os.path.join(self.log_dir, f"{_safe_name(name)}-{n}.log")
        full_env = dict(self.env)
        if env:
            full_env.update(env)
        log = open(log_path, "wb")
        try:
            popen = subprocess.Popen(list(args), env=full_env, cwd=cwd or self.cwd, stdout=log,
                                     stderr=subprocess.STDOUT,
                                     stdin=subprocess.PIPE if stdin is not None else subprocess.DEVNULL,
                                     start_new_session=True)
        finally:
            log.close()
        if stdin is not None:
            try:
                popen.stdin.write(stdin)
                popen.stdin.close()
            except BrokenPipeError:
                pass
        self._procs.append(_Proc(name, popen, log_path))
        return popen

    def _stop(self, proc: _Proc, grace: float = STOP_GRACE) -> None:
        popen = proc.popen
        if popen.poll() is None:
            # Each child leads its own process group (start_new_session): the group is the child
            # and whatever it started, nothing else.
            try:
                os.killpg(popen.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                popen.wait(timeout=grace)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(popen.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                popen.wait(timeout=grace)

    def stop_process(self, popen: subprocess.Popen, grace: float = STOP_GRACE) -> None:
        """Stops one process this session started (TERM, KILL after grace s)."""
        for proc in self._procs:
            if proc.popen is popen:
                self._stop(proc, grace)
                return
        raise HarnessError(f"process {popen.pid} was not started by this session")

    def log_path_of(self, popen: subprocess.Popen) -> str:
        for proc in self._procs:
            if proc.popen is popen:
                return proc.log_path
        raise HarnessError(f"process {popen.pid} was not started by this session")

    def run(self, args: Sequence[str], timeout: float = TOOL_TIMEOUT, check: bool = True,
            input: Optional[bytes] = None) -> subprocess.CompletedProcess:
        """Runs a short-lived tool on the session's display; bytes output."""
        try:
            result = subprocess.run(list(args), env=self.env, cwd=self.cwd, input=input,
                                    stdin=None if input is not None else subprocess.DEVNULL,
                                    capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"{args[0]} did not finish within {timeout:g} s: {' '.join(args)}") from None
        if check and result.returncode != 0:
            raise HarnessError(f"{' '.join(args)} failed ({result.returncode}): "
                               f"{result.stderr.decode('utf-8', 'replace').strip()}")
        return result

    def _out(self, args: Sequence[str], timeout: float = TOOL_TIMEOUT) -> str:
        return self.run(args, timeout=timeout).stdout.decode("utf-8", "replace")

    # -- the desktop -------------------------------------------------------------------------

    def _start_display(self) -> None:
        problems = []
        for n in DISPLAY_NUMBERS:
            if os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
                continue
            # -noreset: by default Xvfb resets when its last client leaves, and refuses connections while
            # it does; the probe below is such a last client, and openbox would come during the reset.
            popen = self.spawn(f"Xvfb-{n}", ["Xvfb", f":{n}", "-screen", "0", self.screen, "-nolisten", "tcp",
                                             "-noreset"])
            self.display = f":{n}"
            self.env["DISPLAY"] = self.display
            started = self._wait_display_ours(n, popen)
            if started:
                return
            problems.append(f":{n}")
            self._procs = [p for p in self._procs if p.popen is not popen]
            self._stop(_Proc("Xvfb", popen, ""))
        raise HarnessError(f"no display could be started in :{DISPLAY_NUMBERS[0]}..:{DISPLAY_NUMBERS[-1]} "
                           f"(lost the race for {', '.join(problems) or 'none'})")

    def _wait_display_ours(self, n: int, popen: subprocess.Popen) -> bool:
        """True once display n answers and its lock file names our Xvfb; False if Xvfb gave up
        (another server took the number first)."""
        deadline = time.monotonic() + 15.0
        while time.monotonic() < deadline:
            if popen.poll() is not None:
                return False
            try:
                with open(f"/tmp/.X{n}-lock") as f:
                    owner = int(f.read().strip() or 0)
            except (OSError, ValueError):
                owner = 0
            if owner == popen.pid and self.run(["xdpyinfo"], check=False, timeout=5).returncode == 0:
                return True
            time.sleep(POLL)
        raise HarnessError(f"Xvfb on :{n} did not answer within 15 s")

    def _start_window_manager(self) -> None:
        popen = self.spawn("openbox", ["openbox"])

        def managing() -> bool:
            if popen.poll() is not None:
                raise HarnessError(f"openbox ended at start:\n{_tail(self.log_path_of(popen), 20)}")
            out = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK", "_NET_WORKAREA"],
                           check=False).stdout.decode()
            # The check window comes first in openbox's start; the work area once the screen is set up.
            return "window id" in out and re.search(r"_NET_WORKAREA\(CARDINAL\) = \d", out) is not None

        wait_until(managing, 15, "openbox to manage the display")

    def _start_tray(self, attempts: int = 2) -> None:
        for attempt in range(1, attempts + 1):
            popen = self.spawn("trayer", TRAYER_ARGS)

            def mapped() -> Optional[WindowInfo]:
                if popen.poll() is not None:
                    raise HarnessError(f"trayer ended at start:\n{_tail(self.log_path_of(popen), 20)}")
                for wid in self.search("--onlyvisible", "--pid", str(popen.pid)):
                    info = self.window_info(wid)
                    if info and info.viewable and info.width >= 100 and info.height >= 16:
                        return info
                return None
            try:
                self.panel = wait_until(mapped, 10, "trayer's panel to be mapped")
                return
            except HarnessError:
                if attempt == attempts:
                    raise
            # Seen rarely when openbox had only just started: the panel stays unmapped. A second
            # trayer is a new client for the window manager; the test has not started yet.
            print("e2e: trayer's panel was not mapped; starting trayer again", file=sys.stderr)
            self.stop_process(popen)
            self._procs = [p for p in self._procs if p.popen is not popen]

    def alive(self) -> bool:
        """Whether the display server still runs."""
        return bool(self._procs) and self._procs[0].popen.poll() is None

    def kill_display(self, timeout: float = 10.0) -> None:
        """Ends the X server at once (SIGKILL), as a crashed or closed desktop session would."""
        server = self._procs[0].popen
        os.kill(server.pid, signal.SIGKILL)
        server.wait(timeout)

    # -- windows -----------------------------------------------------------------------------

    def search(self, *args: str) -> list:
        """xdotool search with args; the window ids found (none is not an error)."""
        result = self.run(["xdotool", "search", *args], check=False)
        return [int(line) for line in result.stdout.decode().split() if line.isdigit()]

    def window_info(self, wid: int) -> Optional[WindowInfo]:
        """Geometry and state of a window (xwininfo); None when the window is gone."""
        result = self.run(["xwininfo", "-id", str(wid)], check=False)
        if result.returncode != 0:
            return None
        text = result.stdout.decode("utf-8", "replace")

        def field(label: str) -> str:
            m = re.search(rf"^\s*{label}:\s*(.*)$", text, re.M)
            return m.group(1).strip() if m else ""
        try:
            return WindowInfo(wid, int(field("Absolute upper-left X")), int(field("Absolute upper-left Y")),
                              int(field("Width")), int(field("Height")), field("Map State") == "IsViewable",
                              field("Override Redirect State") == "yes")
        except ValueError:
            return None

    def window_props(self, wid: int, *names: str) -> dict:
        """The named properties of a window as xprop prints their values; missing ones absent."""
        result = self.run(["xprop", "-id", str(wid), *names], check=False)
        props = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            m = re.match(r"^([A-Za-z0-9_]+)(?:\([^)]*\))?\s*(?:=|:)\s*(.*)$", line)
            if m and "not found" not in m.group(2) and "no such atom" not in m.group(2):
                props[m.group(1)] = m.group(2).strip()
        return props

    def window_name(self, wid: int) -> str:
        result = self.run(["xdotool", "getwindowname", str(wid)], check=False)
        return result.stdout.decode("utf-8", "replace").rstrip("\n")

    def client_list(self) -> list:
        """Top-level windows the window manager manages (_NET_CLIENT_LIST)."""
        out = self.run(["xprop", "-root", "_NET_CLIENT_LIST"], check=False).stdout.decode()
        return [int(x, 16) for x in re.findall(r"0x[0-9a-fA-F]+", out)]

    def active_window(self) -> Optional[int]:
        """The active window (xdotool getactivewindow), None when there is none."""
        result = self.run(["xdotool", "getactivewindow"], check=False)
        text = result.stdout.decode().strip()
        return int(text) if result.returncode == 0 and text.isdigit() else None

    def activate(self, wid: int, timeout: float = 10.0) -> None:
        """Asks the window manager to activate wid and waits until it is the active window."""
        self.run(["xdotool", "windowactivate", str(wid)], check=False)
        wait_until(lambda: self.active_window() == wid, timeout, f"window {wid:#x} to become active")

    def wait_window(self, predicate: Callable[[int], bool], search_args: Sequence[str], timeout: float,
                    what: str) -> int:
        """The first window found by `xdotool search *search_args` for which predicate holds."""
        def found() -> Optional[int]:
            for wid in self.search(*search_args):
                if predicate(wid):
                    return wid
            return None
        return wait_until(found, timeout, what)

    def screenshot(self, path: str, window: Optional[int] = None) -> str:
        """Saves a PNG of the whole screen (or of one window) with ImageMagick's import."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        self.run(["import", "-window", str(window) if window else "root", path], timeout=30)
        return path

    # -- keyboard and mouse ------------------------------------------------------------------

    def key(self, *keys: str, clearmodifiers: bool = False, delay_ms: Optional[int] = None) -> None:
        """Presses and releases each key in turn (xdotool key names: "ctrl+s", "Return", "q")."""
        args = ["xdotool", "key"]
        if clearmodifiers:
            args.append("--clearmodifiers")
        if delay_ms is not None:
            args += ["--delay", str(delay_ms)]
        self.run(args + list(keys))

    def chord(self, chord: str) -> None:
        """A key chord through XTest with any held modifiers cleared first, e.g. "ctrl+alt+space".
        Quillbox's keyboard helper grabs its chords and posts its message when the chord is released."""
        self.key(chord, clearmodifiers=True)

    def type_text(self, text: str, delay_ms: int = 20) -> None:
        """Types text into the focused window ("\\n" is Return)."""
        self._bind_characters(text)
        # The text goes through stdin (no option parsing of a leading "-"); xdotool drops line ends
        # read that way, so each one is pressed as Return.
        for i, line in enumerate(text.split("\n")):
            if i:
                self.key("Return")
            if line:
                self.run(["xdotool", "type", "--delay", str(delay_ms), "--file", "-"], input=line.encode("utf-8"),
                         timeout=TOOL_TIMEOUT + len(line) * delay_ms / 1000.0 * 2)

    def _bind_characters(self, text: str) -> None:
        wanted = [c for c in dict.fromkeys(text) if ord(c) > 0x7e and c not in self._bound_chars]
        if not wanted:
            return
        if not self._spare_keycodes and not self._bound_chars:
            out = self._out(["xmodmap", "-pke"])
            self._spare_keycodes = [int(m.group(1)) for m in re.finditer(r"^keycode\s+(\d+)\s*=\s*$", out, re.M)]
        expressions = []
        for char in wanted:
            if not self._spare_keycodes:
                # Reuse the keycodes of characters bound earlier in the session: typing is over for them.
                for old, code in list(self._bound_chars.items()):
                    if old not in wanted:
                        del self._bound_chars[old]
                        self._spare_keycodes.append(code)
                if not self._spare_keycodes:
                    raise HarnessError("too many different non-ASCII characters in one text")
            code = self._spare_keycodes.pop(0)
            sym = f"U{ord(char):04X}"
            expressions += ["-e", f"keycode {code} = {sym} {sym}"]
            self._bound_chars[char] = code
        self.run(["xmodmap", *expressions])

    def mouse_position(self) -> tuple:
        out = self._out(["xdotool", "getmouselocation", "--shell"])
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values.get("X", -1)), int(values.get("Y", -1)))

    def move_mouse(self, x: int, y: int, timeout: float = 5.0) -> None:
        """Moves the pointer and waits until it is there (xdotool's own --sync never returns when
        the pointer is already in place)."""
        self.run(["xdotool", "mousemove", str(x), str(y)])
        wait_until(lambda: self.mouse_position() == (x, y), timeout, f"the pointer at {x},{y}")

    def click_at(self, x: int, y: int, button: int = 1) -> None:
        """Moves the pointer to (x, y) (a hover, so Qt sees the motion first) and clicks there."""
        self.move_mouse(x, y)
        self.run(["xdotool", "click", str(button)])

    # -- clipboard ---------------------------------------------------------------------------

    def get_clipboard(self, selection: str = "clipboard", timeout: float = 5.0) -> Optional[str]:
        """The selection's text (UTF-8), None when no client owns it or it has no text."""
        result = self.run(["xclip", "-o", "-selection", selection, "-t", "UTF8_STRING"], check=False,
                          timeout=timeout)
        if result.returncode != 0:
            result = self.run(["xclip", "-o", "-selection", selection], check=False, timeout=timeout)
            if result.returncode != 0:
                return None
        return result.stdout.decode("utf-8", "replace")

    def set_clipboard(self, text: str, selection: str = "clipboard", timeout: float = 5.0) -> None:
        """Offers text on the selection (an xclip that serves it until another client takes the
        selection) and waits until the selection reads back as text."""
        popen = self.spawn(f"xclip-{selection}", ["xclip", "-quiet", "-i", "-selection", selection],
                           stdin=text.encode("utf-8"))
        log_path = self.log_path_of(popen)

        def owns() -> bool:
            # xclip says it waits for requests once it has made itself the owner; the read-back then
            # comes from this xclip even when the previous owner offered the same text.
            if "Waiting for selection request" in _tail(log_path, 5):
                return True
            if popen.poll() is not None:
                raise HarnessError(f"xclip ended: {_tail(log_path, 5)}")
            return False
        wait_until(owns, timeout, f"xclip to take {selection}")
        wait_until(lambda: self.get_clipboard(selection) == text, timeout, f"xclip to serve {selection}")

    def wait_clipboard(self, expected: Union[str, Callable[[Optional[str]], bool]], selection: str = "clipboard",
                       timeout: float = 5.0) -> Optional[str]:
        """Waits until the selection equals expected (or expected(text) holds); returns the text."""
        check = expected if callable(expected) else (lambda text: text == expected)
        holder: list = []

        def ok() -> bool:
            holder[:] = [self.get_clipboard(selection)]
            return check(holder[0])
        try:
            wait_until(ok, timeout, f"{selection} to read {expected!r}")
        except HarnessError as error:
            raise HarnessError(f"{error}; it reads {holder[0]!r}" if holder else str(error)) from None
        return holder[0]

    def next_sentinel(self) -> str:
        self._sentinels += 1
        return f"qb-e2e-sentinel-{os.getpid()}-{self._sentinels}"

    # -- the program and the editors ---------------------------------------------------------

    def settings_path(self) -> str:
        """~/.config/Quillbox/Quillbox.conf in the session's HOME."""
        return os.path.join(self.config_home, "Quillbox", "Quillbox.conf")

    def read_settings(self) -> configparser.ConfigParser:
        """The settings file, parsed (groups and keys as written; raw values)."""
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str
        with open(self.settings_path(), encoding="utf-8") as f:
            parser.read_file(f)
        return parser

    def write_settings(self, settings: Union[str, Mapping[str, Mapping[str, object]]]) -> None:
        """Writes the settings file: raw text, or {group: {key: value}}."""
        if not isinstance(settings, str):
            lines = []
            for group, values in settings.items():
                lines.append(f"[{group}]")
                lines += [f"{key}={value}" for key, value in values.items()]
                lines.append("")
            settings = "\n".join(lines)
        os.makedirs(os.path.dirname(self.settings_path()), exist_ok=True)
        with open(self.settings_path(), "w", encoding="utf-8") as f:
            f.write(settings)

    def write_files(self, files: Mapping[str, Union[str, bytes]]) -> None:
        """Writes files (relative paths: in the current folder) before a start."""
        for rel, content in files.items():
            path = os.path.join(self.cwd, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content.encode("utf-8") if isinstance(content, str) else content)

    def start_quillbox(self, args: Sequence[str] = (), settings=None, files=None,
                       env: Optional[Mapping[str, str]] = None, wait_tray: bool = True,
                       timeout: float = 20.0) -> "Quillbox":
        """Starts the binary in the session's current folder, stdout and stderr to its log. With
        wait_tray (the default) returns once its tray icon is embedded in trayer's panel."""
        if settings is not None:
            self.write_settings(settings)
        if files:
            self.write_files(files)
        popen = self.spawn("quillbox", [quillbox_binary(), *args], env=env)
        qb = Quillbox(self, popen, self.log_path_of(popen))
        self.quillbox = qb
        if wait_tray:
            qb.wait_tray(timeout)
        return qb

    def start_editor(self, kind: str = "mousepad", filename: Optional[str] = None, timeout: float = 20.0,
                     probe: bool = True) -> "Editor":
        """Starts mousepad or featherpad on a new file of the current folder, waits for its window,
        activates it and (probe) checks that typed keys arrive before returning."""
        if kind not in ("mousepad", "featherpad"):
            raise HarnessError(f"unknown editor {kind!r}")
        if filename is None:
            n = 1
            while os.path.exists(os.path.join(self.cwd, f"{kind}-{n}.txt")):
                n += 1
            filename = f"{kind}-{n}.txt"
        path = os.path.join(self.cwd, filename)
        env = {"GSETTINGS_BACKEND": "keyfile"} if kind == "mousepad" else {}
        popen = self.spawn(kind, [kind, path], env=env)

        def ready(wid: int) -> bool:
            info = self.window_info(wid)
            return bool(info and info.viewable and info.width > 50 and wid in self.client_list())

        def window() -> Optional[int]:
            if popen.poll() is not None:
                raise HarnessError(f"{kind} ended at start:\n{_tail(self.log_path_of(popen), 30)}")
            for wid in self.search("--onlyvisible", "--pid", str(popen.pid), "--classname", f"^{kind}$"):
                if ready(wid):
                    return wid
            return None

        wid = wait_until(window, timeout, f"{kind}'s window")
        editor = Editor(self, kind, popen, path, wid)
        editor.activate()
        if probe:
            editor.type("x")
            editor.wait_text("x", timeout=timeout)
            editor.key("BackSpace")   # the cursor is after the probe: remove it
        return editor

    def _write_editor_settings(self) -> None:
        # mousepad: GSettings keyfile backend; no session restore, no autosave files.
        keyfile = os.path.join(self.config_home, "glib-2.0", "settings", "keyfile")
        os.makedirs(os.path.dirname(keyfile), exist_ok=True)
        with open(keyfile, "w", encoding="utf-8") as f:
            f.write("[org/xfce/mousepad/preferences/file]\nsession-restore='never'\nautosave-timer=uint32 0\n"
                    "add-last-end-of-line=false\n\n"
                    "[org/xfce/mousepad/preferences/view]\nauto-indent=false\nmatch-braces=false\n\n"
                    "[org/xfce/mousepad/preferences/window]\nremember-size=false\nremember-state=false\n")
        # featherpad: no indentation, brackets, replacement, autosave or added empty line.
        fp = os.path.join(self.config_home, "featherpad", "fp.conf")
        os.makedirs(os.path.dirname(fp), exist_ok=True)
        with open(fp, "w", encoding="utf-8") as f:
            f.write("[text]\nappendEmptyLine=false\nautoBracket=false\nautoReplace=false\nautoSave=false\n"
                    "noIndent=true\nremoveTrailingSpaces=false\nsaveLastFilesList=false\nrecentOpened=false\n"
                    "spellCheckFromStart=false\n\n[window]\nsize=@Size(700 500)\nstartSize=@Size(700 500)\n"
                    "position=none\nopenInWindows=false\n")

    # -- failure evidence --------------------------------------------------------------------

    def save_artifacts(self) -> str:
        """Saves a screenshot and the tail of every log into the artifacts folder; prints where."""
        os.makedirs(self.artifacts_dir, exist_ok=True)
        if self.display and self.alive():
            try:
                self.screenshot(os.path.join(self.artifacts_dir, "screen.png"))
            except Exception as error:
                print(f"e2e: no screenshot: {error}", file=sys.stderr)
        for proc in self._procs:
            base = os.path.basename(proc.log_path)
            state = proc.popen.poll()
            tail = _tail(proc.log_path)
            with open(os.path.join(self.artifacts_dir, base), "w", encoding="utf-8") as f:
                f.write(f"# {' '.join(map(str, proc.popen.args))}\n# pid {proc.popen.pid}, "
                        f"{'running' if state is None else f'exit code {state}'}\n{tail}\n")
        if self.quillbox:
            print("---- quillbox log (tail) ----\n" + _tail(self.quillbox.log_path, 60) + "\n----", file=sys.stderr)
        print(f"e2e artifacts: {self.artifacts_dir}", file=sys.stderr)
        return self.artifacts_dir


# ---------------------------------------------------------------------------------------------

class Quillbox:
    """The running program: its process, log, tray icon, menu and message boxes."""

    def __init__(self, session: Session, popen: subprocess.Popen, log_path: str):
        self.session = session
        self.popen = popen
        self.pid = popen.pid
        self.log_path = log_path
        self.tray_window: Optional[int] = None
        self._tray_clicks = 0

    # -- process and log ---------------------------------------------------------------------

    def log(self) -> str:
        """Everything the program wrote to stdout and stderr so far."""
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def log_mark(self) -> int:
        """A position in the log; pass it as `after` to look only at what comes later."""
        return len(self.log())

    def wait_for_log(self, pattern: str, timeout: float = 10.0, after: int = 0) -> "re.Match":
        """Waits until the log (from position after) matches the regular expression."""
        regex = re.compile(pattern, re.M)

        def found():
            running = self.alive()
            m = regex.search(self.log(), after)  # read after the check: a last line is not missed
            if not m and not running:
                raise HarnessError(f"quillbox ended (exit code {self.popen.returncode}) before "
                                   f"logging /{pattern}/:\n{_tail(self.log_path, 30)}")
            return m
        try:
            return wait_until(found, timeout, f"/{pattern}/ in quillbox's log")
        except HarnessError as error:
            if "timed out" in str(error):
                raise HarnessError(f"{error}; log since then:\n{self.log()[after:][-3000:]}") from None
            raise

    def alive(self) -> bool:
        return self.popen.poll() is None

    def wait_exit(self, timeout: float = 10.0) -> int:
        """Waits until the process ends; its exit code (negative: the signal that ended it)."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"quillbox still runs after {timeout:g} s:\n{_tail(self.log_path, 30)}") from None

    def send_signal(self, sig: int = signal.SIGTERM) -> None:
        self.popen.send_signal(sig)

    # -- windows -----------------------------------------------------------------------------

    def windows(self, visible: bool = True) -> list:
        """The program's windows (by _NET_WM_PID), the viewable ones by default."""
        args = ["--onlyvisible"] if visible else []
        return self.session.search(*args, "--pid", str(self.pid))

    def _tray_icon(self) -> Optional[WindowInfo]:
        panel = self.session.panel
        candidates = self.session.search("--classname", "^tray$", "--pid", str(self.pid)) + self.windows()
        for wid in dict.fromkeys(candidates):
            info = self.session.window_info(wid)
            if info and info.viewable and panel and panel.contains(info):
                return info
        return None

    def wait_tray(self, timeout: float = 20.0) -> int:
        """Waits until the tray icon is mapped inside trayer's panel; its window id."""
        def embedded() -> Optional[WindowInfo]:
            if not self.alive():
                raise HarnessError(f"quillbox ended (exit code {self.popen.returncode}) before its tray icon "
                                   f"appeared:\n{_tail(self.log_path, 30)}")
            return self._tray_icon()
        self.tray_window = wait_until(embedded, timeout, "quillbox's tray icon in the tray").id
        return self.tray_window

    def tray_info(self) -> WindowInfo:
        info = self.session.window_info(self.tray_window) if self.tray_window else None
        if not info or not info.viewable:
            raise HarnessError("the tray icon is not mapped")
        return info

    def click_tray(self, button: int = 1) -> None:
        """Moves the pointer onto the tray icon and clicks it (1 left, 3 right).

        Successive clicks land on two points of the icon 10 pixels apart, so that Qt never takes
        two of them for a double click (it does within 400 ms and 5 pixels, and its tray icon
        drops the second press of a right double click)."""
        info = self.tray_info()
        x, y = info.center
        self._tray_clicks += 1
        offset = min(5, max(0, info.height // 2 - 2))
        y += offset if self._tray_clicks % 2 else -offset
        self.session.click_at(x, y, button)

    def popups(self) -> list:
        """The program's viewable override-redirect windows other than tooltips: open menus."""
        found = []
        for wid in self.windows():
            info = self.session.window_info(wid)
            if not info or not info.viewable or not info.override_redirect:
                continue
            if wid == self.tray_window or (self.session.panel and self.session.panel.contains(info)):
                continue
            kind = self.session.window_props(wid, "_NET_WM_WINDOW_TYPE").get("_NET_WM_WINDOW_TYPE", "")
            if "TOOLTIP" in kind or "SPLASH" in kind or "NOTIFICATION" in kind:
                continue
            found.append(wid)
        return found

    def open_menu(self, timeout: float = 10.0) -> int:
        """Right-clicks the tray icon and waits for the menu; its window id."""
        before = set(self.popups())
        self.click_tray(3)
        return wait_until(lambda: next((w for w in self.popups() if w not in before), None), timeout,
                          "the tray menu to open")

    def menu(self, *keys: str, timeout: float = 10.0) -> None:
        """Chooses a tray menu command by its mnemonics: menu("q") for &Quit, menu("h", "a") for
        &Help > &About Quillbox. Each key but the last opens a submenu, waited for; after the last
        the menu must close."""
        self.open_menu(timeout)
        for i, key in enumerate(keys):
            before = set(self.popups())
            self.session.key(key)
            if i < len(keys) - 1:
                wait_until(lambda: next((w for w in self.popups() if w not in before), None), timeout,
                           f"the submenu of {key!r}")
        wait_until(lambda: not self.popups(), timeout, "the tray menu to close")

    def navigate_menu(self, *keys: str, timeout: float = 10.0) -> None:
        """Opens the tray menu, presses keys as they are ("Down", "Down", "Right", "Return") and waits
        for the menu to close: for an item without a mnemonic."""
        self.open_menu(timeout)
        self.session.key(*keys)
        wait_until(lambda: not self.popups(), timeout, "the tray menu to close")

    def find_window(self, title: str, timeout: float = 10.0, window_type: Optional[str] = None) -> int:
        """Waits for a viewable window of the program that the window manager manages, whose title
        matches the regular expression title (and whose _NET_WM_WINDOW_TYPE names window_type, e.g.
        "DIALOG"); its id. The splash screen is never one: it shares the caption "Quillbox"."""
        regex = re.compile(title)

        def match() -> Optional[int]:
            managed = set(self.session.client_list())
            for wid in self.windows():
                if wid not in managed or not regex.search(self.session.window_name(wid)):
                    continue
                kind = self.session.window_props(wid, "_NET_WM_WINDOW_TYPE").get("_NET_WM_WINDOW_TYPE", "")
                if "SPLASH" in kind or (window_type and window_type not in kind):
                    continue
                return wid
            return None
        return wait_until(match, timeout, f"a quillbox window titled /{title}/")

    def wait_window_gone(self, wid: int, timeout: float = 10.0) -> None:
        def gone() -> bool:
            info = self.session.window_info(wid)
            return info is None or not info.viewable
        wait_until(gone, timeout, f"window {wid:#x} to close")

    def saved_history(self, timeout: float = 10.0) -> list:
        """The clipboard history as (c_id, c_text) rows, oldest first, as the program's own Save
        clipboard writes it: the Clipboard manager is opened from the tray menu (the manager keys
        open nothing while ClipboardActive=0), Tab goes from the list along Insert text, Delete
        clipboard item, Remove all clipboard items and Load clipboard to Save clipboard, and Space
        presses it. A marker row put into the table first tells when Save has rewritten it (it
        replaces the whole table in one transaction). The window active before is active again
        afterwards."""
        path = os.path.join(self.session.cwd, "qbdat.dbf")
        marker = "qb-e2e-history-not-saved-yet"
        with sqlite3.connect(path) as db:
            db.execute("delete from Clipboard")
            db.execute("insert into Clipboard (c_id, c_text) values (-1, ?)", (marker,))
        db.close()
        before = self.session.active_window()
        self.menu("c")
        sheet = self.find_window(r"^Clipboard( — Quillbox)?$", window_type="DIALOG")
        self.session.activate(sheet)
        self.session.key("Tab", "Tab", "Tab", "Tab", "Tab", "space")

        def saved():
            with sqlite3.connect(path) as db:
                rows = db.execute("select c_id, c_text from Clipboard order by c_id").fetchall()
            db.close()
            return None if (-1, marker) in rows else [rows]
        rows = wait_until(saved, timeout, "Save clipboard to rewrite the Clipboard table")[0]
        self.session.key("Escape")
        self.wait_window_gone(sheet)
        if before:
            self.session.activate(before)
        return rows

    def message_box(self, timeout: float = 10.0) -> int:
        """Waits for a message box (a window titled exactly "Quillbox"); its id."""
        return self.find_window(r"^Quillbox$", timeout, window_type="DIALOG")

    def answer(self, key: str, timeout: float = 10.0) -> int:
        """Answers the message box with a key and waits until it closes. QMessageBox takes a button's
        mnemonic letter alone: "y" for Yes, "n" for No; "Return" presses the default button,
        "Escape" the escape button. Returns the box's id."""
        box = self.message_box(timeout)
        self.session.activate(box, timeout)
        self.session.key(key)
        self.wait_window_gone(box, timeout)
        return box


# ---------------------------------------------------------------------------------------------

class Editor:
    """mousepad or featherpad on a file of the session's current folder."""

    def __init__(self, session: Session, kind: str, popen: subprocess.Popen, path: str, window: int):
        self.session = session
        self.kind = kind
        self.popen = popen
        self.pid = popen.pid
        self.path = path
        self.window = window

    def activate(self, timeout: float = 10.0) -> None:
        """Gives the editor the focus (the window manager makes it the active window)."""
        self.session.activate(self.window, timeout)

    def is_active(self) -> bool:
        return self.session.active_window() == self.window

    def type(self, text: str, delay_ms: int = 20) -> None:
        """Types text at the cursor (the editor must have the focus)."""
        self.session.type_text(text, delay_ms)

    def key(self, *keys: str) -> None:
        self.session.key(*keys)

    def read_text(self, timeout: float = 10.0, activate: bool = True) -> str:
        """The whole document, read through the PRIMARY selection (see the module's notes). The
        document must not be empty (an empty selection is never offered); the cursor ends at its end."""
        if activate:
            self.activate(timeout)
        sentinel = self.session.next_sentinel()
        self.session.set_clipboard(sentinel, selection="primary", timeout=timeout)
        self.session.key("ctrl+Home", "ctrl+shift+End")
        text = self.session.wait_clipboard(lambda t: t is not None and t != sentinel, selection="primary",
                                           timeout=timeout)
        self.session.key("ctrl+End")
        return text

    def wait_text(self, expected: Union[str, Callable[[str], bool]], timeout: float = 10.0) -> str:
        """Reads the document until it equals expected (or expected(text) holds); the text."""
        check = expected if callable(expected) else (lambda t: t == expected)
        last: list = []

        def ok() -> bool:
            last[:] = [self.read_text(timeout=timeout)]
            return check(last[0])
        try:
            wait_until(ok, timeout, f"{self.kind}'s text to be {expected!r}", interval=0.2)
        except HarnessError as error:
            raise HarnessError(f"{error}; it reads {last[0]!r}" if last else str(error)) from None
        return last[0]

    def clear(self) -> None:
        """Empties the document."""
        self.session.key("ctrl+a", "Delete")

    def close(self) -> None:
        """Ends the editor (TERM; the session would do it anyway)."""
        self.session.stop_process(self.popen)
