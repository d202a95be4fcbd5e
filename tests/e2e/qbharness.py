"""End-to-end harness: the real quillbox binary on a virtual X display of its own.

A Session starts Xvfb, openbox and trayer (the XEmbed tray host: no session bus) with a private HOME,
XDG folders and current folder, and stops them when its ``with`` block ends; on a failure it saves a
screenshot and every log into ``$QB_E2E_ARTIFACTS/<test>/``. Editor text is read back through PRIMARY;
characters outside the US keymap are bound to spare keycodes before xdotool types them. Menus and
message boxes take their mnemonic letters alone: qb.menu("h", "a"), qb.answer("y").
"""

import configparser
import ctypes
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
from collections import namedtuple

TRAYER = ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "200",
          "--heighttype", "pixel", "--height", "32", "--SetDockType", "true", "--SetPartialStrut", "true"]
SCRUBBED = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER",
            "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "QT_QPA_PLATFORMTHEME",
            "AT_SPI_BUS_ADDRESS", "GSETTINGS_BACKEND", "QT_QPA_PLATFORM", "QT_LOGGING_RULES")


class HarnessError(AssertionError):
    pass


def wait_until(predicate, timeout, what, interval=0.05):
    """predicate's first true value, polled for timeout s."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def clean_environment():
    return {k: v for k, v in os.environ.items() if k not in SCRUBBED}


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


WindowInfo = namedtuple("WindowInfo", "id x y width height viewable override_redirect")


def _inside(outer, inner):
    return (outer.x <= inner.x and outer.y <= inner.y and inner.x + inner.width <= outer.x + outer.width
            and inner.y + inner.height <= outer.y + outer.height)


# Writes its working directory and arguments, one a line, to a new file beside `out` (written aside
# and renamed, so that no half record is read).
RECORDER = """#!/bin/sh
{{ printf 'cwd=%s\\n' "$(pwd -P)"; for a in "$@"; do printf 'arg=%s\\n' "$a"; done; }} > '{out}.part'
mv '{out}.part' '{out}.'"$(date +%s%N)"
"""


def write_recorder(path, out):
    """A program at path that records each start of it beside out."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(RECORDER.format(out=out))
    os.chmod(path, 0o700)


def records(out):
    """The records of one recorder, oldest first: each a list of its lines."""
    folder, stem = os.path.split(out)
    if not os.path.isdir(folder):
        return []
    names = sorted((n for n in os.listdir(folder) if n.startswith(stem + ".") and not n.endswith(".part")),
                   key=lambda n: int(n.rsplit(".", 1)[1]))

    def lines(name):
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            return f.read().splitlines()
    return [lines(n) for n in names]


class Session:
    """A private X display with a window manager and a tray, a private HOME, and cleanup."""

    def __init__(self, name="session", artifacts_root=None, tray=True):
        test_id = name.id() if hasattr(name, "id") else str(name)
        test_id = test_id.replace("__main__", os.path.splitext(os.path.basename(sys.argv[0]))[0])
        root = artifacts_root or os.environ.get("QB_E2E_ARTIFACTS") or os.path.join(os.getcwd(), "e2e-artifacts")
        self.artifacts_dir = os.path.join(root, re.sub(r"[^A-Za-z0-9_.-]+", "_", test_id))
        self.display, self.env, self.panel, self.quillbox = None, {}, None, None
        self._procs, self._bound, self._spare, self._sentinels = [], {}, None, 0
        self._tray = tray  # False: no tray host (a second display of a test)

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self._finish(failed=True)
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        self._finish(failed=exc_type is not None and not issubclass(exc_type, unittest.SkipTest))
        return False

    def _start(self):
        self.root = tempfile.mkdtemp(prefix="qb-e2e-")
        self.home, self.cwd, self.log_dir = (os.path.join(self.root, d) for d in ("home", "work", "logs"))
        self.config_home = os.path.join(self.home, ".config")
        self.data_home = os.path.join(self.home, ".local", "share")
        runtime = os.path.join(self.root, "runtime")
        for folder in (self.config_home, self.data_home, self.cwd, self.log_dir):
            os.makedirs(folder)
        os.makedirs(runtime, mode=0o700)
        self._write_editor_settings()
        self.env = dict(clean_environment(), HOME=self.home, XDG_CONFIG_HOME=self.config_home,
                        XDG_DATA_HOME=self.data_home, XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                        XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", QT_LOGGING_RULES="quillbox.*.debug=true",
                        NO_AT_BRIDGE="1", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        for n in range(110, 200):
            if os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
                continue
            # -noreset: a server that resets when its last client leaves refuses the next one meanwhile.
            xvfb = self.spawn("Xvfb", ["Xvfb", f":{n}", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"])
            self.display = self.env["DISPLAY"] = f":{n}"
            answers = lambda: self.run(["xdpyinfo"], check=False, timeout=5).returncode == 0  # noqa: E731
            if wait_until(lambda: xvfb.poll() is not None or answers(), 15, f"Xvfb on :{n}") and xvfb.poll() is None:
                break
            self._procs.pop()  # lost the race for the number
        else:
            raise HarnessError("no free display from :110 to :199")
        openbox = self.spawn("openbox", ["openbox"])
        wait_until(lambda: openbox.poll() is not None or re.search(
            r"_NET_WORKAREA\(CARDINAL\) = \d", self.run(["xprop", "-root", "_NET_WORKAREA"], check=False).stdout.decode()),
            15, "openbox to manage the display")
        if not self._tray:
            return
        # trayer, loaded, now and then starts without ever mapping its panel (or dies early): it gets
        # a second and a third start before the session gives up.
        for attempt in range(3):
            trayer = self.spawn("trayer", TRAYER)

            def panel():
                if trayer.poll() is not None:
                    return "died"
                for wid in self.search("--onlyvisible", "--pid", str(trayer.pid)):
                    info = self.window_info(wid)
                    if info and info.viewable and info.width >= 100:
                        return info
            try:
                found = wait_until(panel, 10, "trayer's panel")
            except HarnessError:
                found = None
            if found not in (None, "died"):
                self.panel = found
                return
            self.stop_process(trayer)  # its log stays among the session's artifacts
        raise HarnessError("trayer's panel did not appear after three starts")

    def _finish(self, failed):
        if failed:
            try:
                os.makedirs(self.artifacts_dir, exist_ok=True)
                if self.alive():
                    self.run(["import", "-window", "root", os.path.join(self.artifacts_dir, "screen.png")], timeout=30)
                for _, path in self._procs:
                    shutil.copy(path, self.artifacts_dir)
                print(f"e2e artifacts: {self.artifacts_dir}", file=sys.stderr)
            except Exception as error:  # never hide the test's own failure
                print(f"e2e: artifacts not saved: {error}", file=sys.stderr)
        for popen, _ in reversed(self._procs):
            self.stop_process(popen)
        if getattr(self, "root", None):
            shutil.rmtree(self.root, ignore_errors=True)

    # -- processes ---------------------------------------------------------------------------

    def spawn(self, name, args, env=None, stdin=None):
        """Starts args in the session (its own process group), output to logs/<name>-<n>.log."""
        log_path = os.path.join(self.log_dir, f"{name}-{len(self._procs)}.log")
        with open(log_path, "wb") as log:
            popen = subprocess.Popen(list(args), env=dict(self.env, **(env or {})), cwd=self.cwd, stdout=log,
                                     stderr=subprocess.STDOUT, start_new_session=True,
                                     stdin=subprocess.PIPE if stdin is not None else subprocess.DEVNULL)
        if stdin is not None:
            try:
                popen.stdin.write(stdin)
                popen.stdin.close()
            except BrokenPipeError:
                pass
        self._procs.append((popen, log_path))
        return popen

    def log_path_of(self, popen):
        return next(path for p, path in self._procs if p is popen)

    @staticmethod
    def stop_process(popen, grace=5.0):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            if popen.poll() is not None:
                return
            try:
                os.killpg(popen.pid, sig)
                popen.wait(timeout=grace)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass

    def run(self, args, check=True, timeout=10.0, input=None):
        """Runs a short-lived tool on the session's display; bytes output."""
        result = subprocess.run(list(args), env=self.env, cwd=self.cwd, input=input, capture_output=True,
                                timeout=timeout, stdin=None if input is not None else subprocess.DEVNULL)
        if check and result.returncode != 0:
            raise HarnessError(f"{' '.join(args)} failed: {result.stderr.decode('utf-8', 'replace').strip()}")
        return result

    def alive(self):
        return bool(self._procs) and self._procs[0][0].poll() is None

    # -- windows -----------------------------------------------------------------------------

    def search(self, *args):
        # xdotool walks the window tree and ends on the first window that vanishes under it (BadWindow),
        # printing nothing: a window a program creates and destroys meanwhile is no answer, so ask again.
        for _ in range(50):
            result = self.run(["xdotool", "search", *args], check=False)
            if result.returncode == 0 or b"BadWindow" not in result.stderr:
                break
        return [int(w) for w in result.stdout.decode().split() if w.isdigit()]

    def window_info(self, wid):
        """Geometry and state of a window; None when it is gone."""
        result = self.run(["xwininfo", "-id", str(wid)], check=False)
        text = result.stdout.decode("utf-8", "replace")
        field = lambda label: (re.search(rf"^\s*{label}:\s*(.*)$", text, re.M) or [None, ""])[1].strip()  # noqa: E731
        try:
            return WindowInfo(wid, int(field("Absolute upper-left X")), int(field("Absolute upper-left Y")),
                              int(field("Width")), int(field("Height")), field("Map State") == "IsViewable",
                              field("Override Redirect State") == "yes")
        except ValueError:
            return None

    def window_type(self, wid):
        return self.run(["xprop", "-id", str(wid), "_NET_WM_WINDOW_TYPE"], check=False).stdout.decode()

    def window_name(self, wid):
        return self.run(["xdotool", "getwindowname", str(wid)], check=False).stdout.decode("utf-8", "replace").strip()

    def client_list(self):
        out = self.run(["xprop", "-root", "_NET_CLIENT_LIST"], check=False).stdout.decode()
        return [int(x, 16) for x in re.findall(r"0x[0-9a-fA-F]+", out)]

    def active_window(self):
        out = self.run(["xdotool", "getactivewindow"], check=False).stdout.decode().strip()
        return int(out) if out.isdigit() else None

    def activate(self, wid, timeout=10.0):
        self.run(["xdotool", "windowactivate", str(wid)], check=False)
        wait_until(lambda: self.active_window() == wid, timeout, f"window {wid:#x} to become active")

    # -- keyboard, mouse, clipboard ----------------------------------------------------------

    def key(self, *keys):
        """Presses and releases each key in turn (xdotool names: "ctrl+s", "Return", "q")."""
        self.run(["xdotool", "key", *keys])

    def chord(self, chord):
        """A chord with any held modifiers cleared first, e.g. "ctrl+alt+space"."""
        self.run(["xdotool", "key", "--clearmodifiers", chord])

    def type_text(self, text, delay_ms=20):
        """Types text into the focused window ("\\n" is Return)."""
        wanted = [c for c in dict.fromkeys(text) if ord(c) > 0x7e and c not in self._bound]
        if wanted:
            if self._spare is None:
                out = self.run(["xmodmap", "-pke"]).stdout.decode()
                self._spare = [int(m) for m in re.findall(r"^keycode\s+(\d+)\s*=\s*$", out, re.M)]
            expressions = []
            for char in wanted:
                code = self._spare.pop(0) if self._spare else self._bound.pop(next(iter(self._bound)))
                self._bound[char] = code
                expressions += ["-e", f"keycode {code} = U{ord(char):04X} U{ord(char):04X}"]
            self.run(["xmodmap", *expressions])
        for i, line in enumerate(text.split("\n")):
            if i:
                self.key("Return")
            if line:  # through stdin: no option parsing of a leading "-"
                self.run(["xdotool", "type", "--delay", str(delay_ms), "--file", "-"], input=line.encode(),
                         timeout=10 + len(line) * delay_ms / 500)

    def move_mouse(self, x, y):
        self.run(["xdotool", "mousemove", str(x), str(y)])

        def there():
            out = self.run(["xdotool", "getmouselocation", "--shell"]).stdout.decode()
            return f"X={x}\n" in out and f"Y={y}\n" in out
        wait_until(there, 5, f"the pointer at {x},{y}")

    def click_at(self, x, y, button=1):
        self.move_mouse(x, y)
        self.run(["xdotool", "click", str(button)])

    def get_clipboard(self, selection="clipboard"):
        """The selection's text, None when no client owns it or it has no text."""
        for target in (["-t", "UTF8_STRING"], []):
            result = self.run(["xclip", "-o", "-selection", selection, *target], check=False)
            if result.returncode == 0:
                return result.stdout.decode("utf-8", "replace")
        return None

    def set_clipboard(self, text, selection="clipboard"):
        """Offers text on the selection with an xclip and waits until it reads back."""
        popen = self.spawn("xclip", ["xclip", "-quiet", "-i", "-selection", selection], stdin=text.encode())
        wait_until(lambda: popen.poll() is not None or "Waiting for selection" in _read(self.log_path_of(popen)),
                   5, "xclip to take the selection")
        self.wait_clipboard(text, selection)

    def wait_clipboard(self, expected, selection="clipboard", timeout=5.0):
        """Waits until the selection equals expected (or expected(text) holds); the text."""
        check = expected if callable(expected) else (lambda text: text == expected)
        seen = []
        try:
            wait_until(lambda: check(seen.append(self.get_clipboard(selection)) or seen[-1]), timeout,
                       f"{selection} to read {expected!r}")
        except HarnessError as error:
            raise HarnessError(f"{error}; it reads {seen[-1]!r}") from None
        return seen[-1]

    def clipboard_owner(self):
        """The CLIPBOARD's owner, asked on a short connection (one left open would outlive the display)."""
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype, x.XOpenDisplay.argtypes = ctypes.c_void_p, [ctypes.c_char_p]
        x.XInternAtom.restype, x.XInternAtom.argtypes = ctypes.c_ulong, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetSelectionOwner.restype, x.XGetSelectionOwner.argtypes = ctypes.c_ulong, [ctypes.c_void_p, ctypes.c_ulong]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = x.XOpenDisplay(self.display.encode())
        try:
            return x.XGetSelectionOwner(display, x.XInternAtom(display, b"CLIPBOARD", 0))
        finally:
            x.XCloseDisplay(display)

    # -- files, the program, the editors -----------------------------------------------------

    def settings_path(self):
        return os.path.join(self.config_home, "Quillbox", "Quillbox.conf")

    def read_settings(self):
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str
        parser.read(self.settings_path(), encoding="utf-8")
        return parser

    def write_files(self, files):
        for rel, content in files.items():
            path = os.path.join(self.cwd, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(content)

    def database(self, *statements):
        """Runs statements (sql, parameters) on the data file of the current folder; the last one's rows."""
        with sqlite3.connect(os.path.join(self.cwd, "qbdat.dbf")) as db:
            rows = [db.execute(*statement).fetchall() for statement in statements]
        db.close()
        return rows[-1] if rows else []

    def start_quillbox(self, settings=None, env=None, wait_tray=True, timeout=20.0, files=None):
        """Starts the binary in the current folder with settings {group: {key: value}} and files
        (name: bytes); with wait_tray, returns once its icon is in the tray."""
        binary = os.environ.get("QB_BINARY", "")
        if not os.access(binary, os.X_OK):
            raise HarnessError(f"QB_BINARY does not name an executable quillbox (got {binary!r})")
        if settings is not None:
            os.makedirs(os.path.dirname(self.settings_path()), exist_ok=True)
            with open(self.settings_path(), "w", encoding="utf-8") as f:
                f.write("".join(f"[{g}]\n" + "".join(f"{k}={v}\n" for k, v in values.items())
                                for g, values in settings.items()))
        for name, content in (files or {}).items():
            with open(os.path.join(self.cwd, name), "wb") as f:
                f.write(content)
        popen = self.spawn("quillbox", [binary], env=env)
        self.quillbox = Quillbox(self, popen, self.log_path_of(popen))
        if wait_tray:
            self.quillbox.wait_tray(timeout)
        return self.quillbox

    def restart_quillbox(self, meanwhile=None, **kwargs):
        """Ends quillbox with SIGTERM (it must end cleanly), calls meanwhile() and starts it again."""
        self.quillbox.send_signal(signal.SIGTERM)
        if self.quillbox.wait_exit(10) != 0:
            raise HarnessError("quillbox did not end cleanly")
        if meanwhile:
            meanwhile()
        return self.start_quillbox(**kwargs)

    def _main_window(self, kind, popen, timeout):
        def window():
            if popen.poll() is not None:
                raise HarnessError(f"{kind} ended at start:\n{_read(self.log_path_of(popen))}")
            for wid in self.search("--onlyvisible", "--pid", str(popen.pid), "--classname", f"^{kind}$"):
                info = self.window_info(wid)
                if info and info.viewable and info.width > 50 and wid in self.client_list():
                    return wid
        return wait_until(window, timeout, f"{kind}'s window")

    def start_editor(self, kind="mousepad", timeout=20.0):
        """Starts mousepad, featherpad or gedit on a new file, waits until typed keys arrive; the editor."""
        path = os.path.join(self.cwd, f"{kind}-{len(self._procs)}.txt")
        popen = self.spawn(kind, [kind, path], env={"GSETTINGS_BACKEND": "keyfile"})
        editor = Editor(self, kind, popen, self._main_window(kind, popen, timeout))
        editor.activate()
        editor.type("x")
        editor.wait_text("x", timeout)
        editor.key("BackSpace")
        return editor

    def start_terminal(self, kind="xterm", timeout=20.0):
        """Starts xterm, lxterminal or xfce4-terminal running cat into a file; returns once typed lines arrive."""
        out = os.path.join(self.cwd, f"{kind}-{len(self._procs)}.out")
        reader = f"exec cat > '{out}'"
        args = {"xterm": ["xterm", "-e", "sh", "-c", reader],
                "lxterminal": ["lxterminal", "--no-remote", "-e", f'sh -c "{reader}"'],
                "xfce4-terminal": ["xfce4-terminal", "--disable-server", "-x", "sh", "-c", reader]}[kind]
        popen = self.spawn(kind, args)
        terminal = Terminal(self, kind, popen, self._main_window(kind, popen, timeout), out)
        terminal.activate()
        terminal.type("ready\n")
        terminal.wait_lines(["ready"], timeout)
        return terminal

    def _write_editor_settings(self):
        for rel, text in (
                ("glib-2.0/settings/keyfile",
                 "[org/xfce/mousepad/preferences/file]\nsession-restore='never'\nautosave-timer=uint32 0\n"
                 "add-last-end-of-line=false\n[org/xfce/mousepad/preferences/view]\nauto-indent=false\n"
                 "match-braces=false\n[org/xfce/mousepad/preferences/window]\nremember-size=false\n"),
                ("featherpad/fp.conf",
                 "[text]\nappendEmptyLine=false\nautoBracket=false\nautoReplace=false\nautoSave=false\n"
                 "noIndent=true\nremoveTrailingSpaces=false\nsaveLastFilesList=false\nrecentOpened=false\n"
                 "[window]\nsize=@Size(700 500)\nstartSize=@Size(700 500)\nposition=none\n")):
            path = os.path.join(self.config_home, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)


class Quillbox:

    def __init__(self, session, popen, log_path):
        self.session, self.popen, self.pid, self.log_path = session, popen, popen.pid, log_path
        self.tray_window, self._clicks = None, 0

    def log(self):
        return _read(self.log_path)

    def log_mark(self):
        """A position in the log; pass it as `after` to look only at what comes later."""
        return len(self.log())

    def wait_for_log(self, pattern, timeout=10.0, after=0):
        """Waits until the log (from position after) matches the regular expression; the match."""
        regex = re.compile(pattern, re.M)

        def found():
            running = self.alive()
            match = regex.search(self.log(), after)
            if not match and not running:
                raise HarnessError(f"quillbox ended ({self.popen.returncode}) before /{pattern}/:\n{self.log()[-3000:]}")
            return match
        try:
            return wait_until(found, timeout, f"/{pattern}/ in quillbox's log")
        except HarnessError as error:
            raise HarnessError(f"{error}; log since then:\n{self.log()[after:][-3000:]}") from None

    def alive(self):
        return self.popen.poll() is None

    def wait_exit(self, timeout=10.0):
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"quillbox still runs after {timeout:g} s") from None

    def send_signal(self, sig=signal.SIGTERM):
        self.popen.send_signal(sig)

    def windows(self):
        return self.session.search("--onlyvisible", "--pid", str(self.pid))

    def wait_tray(self, timeout=20.0):
        """Waits until the tray icon (a window of the program inside trayer's panel) is mapped."""
        def icon():
            if not self.alive():
                raise HarnessError(f"quillbox ended before its tray icon appeared:\n{self.log()[-3000:]}")
            for wid in self.windows():
                info = self.session.window_info(wid)
                if info and info.viewable and _inside(self.session.panel, info):
                    return wid
        self.tray_window = wait_until(icon, timeout, "quillbox's tray icon")
        return self.tray_window

    def click_tray(self, button=1):
        """Clicks the tray icon, each time 10 pixels from the last point: never a double click."""
        info = self.session.window_info(self.tray_window)
        self._clicks += 1
        offset = min(5, info.height // 2 - 2) * (1 if self._clicks % 2 else -1)
        self.session.click_at(info.x + info.width // 2, info.y + info.height // 2 + offset, button)

    def popups(self):
        """The program's open menus: viewable override-redirect windows outside the tray."""
        found = []
        for wid in self.windows():
            info = self.session.window_info(wid)
            if (info and info.override_redirect and not _inside(self.session.panel, info)
                    and not re.search("TOOLTIP|SPLASH", self.session.window_type(wid))):
                found.append(wid)
        return found

    def open_menu(self):
        before = set(self.popups())
        self.click_tray(3)
        return wait_until(lambda: next((w for w in self.popups() if w not in before), None), 10, "the tray menu")

    def menu(self, *keys):
        """Chooses a tray menu command by its mnemonics: menu("q"), menu("h", "a")."""
        self.open_menu()
        for i, key in enumerate(keys):
            before = set(self.popups())
            self.session.key(key)
            if i < len(keys) - 1:
                wait_until(lambda: set(self.popups()) - before, 10, f"the submenu of {key!r}")
        wait_until(lambda: not self.popups(), 10, "the tray menu to close")

    def find_window(self, title, timeout=10.0, window_type=None):
        """A managed window of the program, title matching, of window_type; never the splash."""
        def match():
            managed = set(self.session.client_list())
            for wid in self.windows():
                kind = self.session.window_type(wid)
                if (wid in managed and re.search(title, self.session.window_name(wid)) and "SPLASH" not in kind
                        and (not window_type or window_type in kind)):
                    return wid
        return wait_until(match, timeout, f"a quillbox window titled /{title}/")

    def wait_window_gone(self, wid, timeout=10.0):
        wait_until(lambda: not (self.session.window_info(wid) or WindowInfo(*[0] * 7)).viewable, timeout,
                   f"window {wid:#x} to close")

    def close_with_escape(self, title):
        """Waits for the window, activates it, presses Esc and waits until it is gone."""
        wid = self.find_window(title, window_type="DIALOG")
        self.session.activate(wid)
        self.session.key("Escape")
        self.wait_window_gone(wid)

    def expand_and_wait(self, saved):
        """Presses the expansion chord over a word that is no shortcut, waits until the clipboard holds
        saved again under a new owner; the log position from before."""
        s = self.session
        before, mark = s.clipboard_owner(), self.log_mark()
        s.chord("ctrl+alt+space")
        self.wait_for_log(r"message 0x427 ", after=mark)
        wait_until(lambda: s.clipboard_owner() != before and s.get_clipboard() == saved, 10,
                   "the expansion to give the clipboard back")
        return mark

    def pick(self, editor, *keys, chord="ctrl+shift+Insert"):
        """Opens the clipboard manager over editor, moves with keys and presses Return: pasted."""
        self.session.chord(chord)
        sheet = self.find_window(r"^Clipboard", window_type="DIALOG")
        wait_until(lambda: self.session.active_window() == sheet, 10, "the manager to have the focus")
        self.session.key(*keys, "Return")
        self.wait_window_gone(sheet)
        wait_until(editor.is_active, 10, f"{editor.kind} to have the focus back")

    def message_box(self, timeout=10.0):
        return self.find_window(r"^Quillbox$", timeout, "DIALOG")

    def answer(self, key):
        """Answers the message box with a key ("y", "n", "Return") and waits until it closes."""
        box = self.message_box()
        self.session.activate(box)
        self.session.key(key)
        self.wait_window_gone(box)

    def saved_history(self, timeout=10.0):
        """(c_id, c_text) rows, oldest first, as the clipboard manager's own Save writes them."""
        marker = "qb-e2e-history-not-saved-yet"
        s = self.session
        s.database(("delete from Clipboard",), ("insert into Clipboard values (-1, ?)", (marker,)))
        before = s.active_window()
        self.menu("c")
        sheet = self.find_window(r"^Clipboard", window_type="DIALOG")
        s.activate(sheet)
        s.key("Tab", "Tab", "Tab", "Tab", "Tab", "space")
        rows = wait_until(lambda: (lambda r: None if (-1, marker) in r else [r])(
            s.database(("select c_id, c_text from Clipboard order by c_id",))), timeout, "Save clipboard")[0]
        s.key("Escape")
        self.wait_window_gone(sheet)
        if before:
            s.activate(before)
        return rows


class Editor:

    def __init__(self, session, kind, popen, window):
        self.session, self.kind, self.popen, self.window = session, kind, popen, window

    def activate(self):
        self.session.activate(self.window)

    def is_active(self):
        return self.session.active_window() == self.window

    def type(self, text):
        self.session.type_text(text)

    def key(self, *keys):
        self.session.key(*keys)

    def read_text(self, timeout=10.0, activate=True):
        """The whole document (not empty), read through PRIMARY; the cursor ends at its end."""
        if activate:
            self.activate()
        self.session._sentinels += 1
        sentinel = f"qb-e2e-sentinel-{os.getpid()}-{self.session._sentinels}"
        self.session.set_clipboard(sentinel, "primary")
        self.key("ctrl+Home", "ctrl+shift+End")
        text = self.session.wait_clipboard(lambda t: t is not None and t != sentinel, "primary", timeout)
        self.key("ctrl+End")
        return text

    def wait_text(self, expected, timeout=10.0):
        """Reads the document until it equals expected; the text."""
        seen = []
        try:
            wait_until(lambda: seen.append(self.read_text(timeout)) or seen[-1] == expected, timeout,
                       f"{self.kind}'s text to be {expected!r}", interval=0.2)
        except HarnessError as error:
            raise HarnessError(f"{error}; it reads {seen[-1]!r}" if seen else str(error)) from None
        return seen[-1]

    def clear(self):
        self.key("ctrl+a", "Delete")

    def close(self):
        self.session.stop_process(self.popen)


class Terminal(Editor):

    def __init__(self, session, kind, popen, window, out):
        super().__init__(session, kind, popen, window)
        self.out = out

    def lines(self):
        return _read(self.out).splitlines()

    def wait_lines(self, expected, timeout=10.0):
        """Waits until the lines cat has written equal expected."""
        try:
            wait_until(lambda: self.lines() == expected, timeout, f"{self.kind}'s lines to be {expected!r}")
        except HarnessError as error:
            raise HarnessError(f"{error}; they are {self.lines()!r}") from None
