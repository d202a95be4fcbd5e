"""Two small X clients through libX11 (ctypes), for the benchmarks that need an X client of their
own rather than a command-line tool:

* ClipboardOwner: another application's copies. Each copy takes CLIPBOARD with a new window and
  serves its text (UTF8_STRING, text/plain;charset=utf-8, text/plain), optionally beside the
  password managers' mark x-kde-passwordManagerHint, or offers an image only. Texts longer than
  the chunk size go by the INCR protocol, in chunks, as large copies from real applications do.
* Pinger: asks a window's client for _NET_WM_PING answers (every Qt window answers them on its
  user-interface thread) and times them, which shows how long that thread was busy.

Run as a script, the owner copies each text in turn, gap_ms apart, prints "owning <n>" as it takes
the clipboard the n-th time and serves the last copy until another client takes the clipboard:

    python3 xclient.py own <hint> <gap_ms> <text>...
"""

import ctypes
import select
import sys
import time
from ctypes import Structure, Union, byref, c_char_p, c_int, c_long, c_ulong, c_void_p

SELECTION_CLEAR, SELECTION_REQUEST, SELECTION_NOTIFY, PROPERTY_NOTIFY, CLIENT_MESSAGE = 29, 30, 31, 28, 33
PROPERTY_DELETE = 1
XA_ATOM, XA_INTEGER = 4, 19
PROPERTY_CHANGE_MASK = 1 << 22
STRUCTURE_NOTIFY_MASK = 1 << 17
PNG_1X1 = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                        "1f15c4890000000d49444154789c6360000002000001e221bc330000000049454e44ae426082")


class _Request(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("owner", c_ulong), ("requestor", c_ulong), ("selection", c_ulong), ("target", c_ulong),
                ("property", c_ulong), ("time", c_ulong)]


class _Notify(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("requestor", c_ulong), ("selection", c_ulong), ("target", c_ulong), ("property", c_ulong),
                ("time", c_ulong)]


class _Clear(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("window", c_ulong), ("selection", c_ulong), ("time", c_ulong)]


class _Property(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("window", c_ulong), ("atom", c_ulong), ("time", c_ulong), ("state", c_int)]


class _ClientMessage(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("window", c_ulong), ("message_type", c_ulong), ("format", c_int), ("l", c_long * 5)]


class _Event(Union):
    _fields_ = [("type", c_int), ("request", _Request), ("notify", _Notify), ("clear", _Clear),
                ("property", _Property), ("client", _ClientMessage), ("pad", c_long * 24)]


def _libx11():
    x = ctypes.CDLL("libX11.so.6")
    signatures = {
        "XOpenDisplay": (c_void_p, [c_char_p]),
        "XDefaultRootWindow": (c_ulong, [c_void_p]),
        "XCreateSimpleWindow": (c_ulong, [c_void_p, c_ulong, c_int, c_int, c_int, c_int, c_int, c_ulong, c_ulong]),
        "XInternAtom": (c_ulong, [c_void_p, c_char_p, c_int]),
        "XSetSelectionOwner": (c_int, [c_void_p, c_ulong, c_ulong, c_ulong]),
        "XGetSelectionOwner": (c_ulong, [c_void_p, c_ulong]),
        "XChangeProperty": (c_int, [c_void_p, c_ulong, c_ulong, c_ulong, c_int, c_int, c_void_p, c_int]),
        "XSelectInput": (c_int, [c_void_p, c_ulong, c_long]),
        "XSendEvent": (c_int, [c_void_p, c_ulong, c_int, c_long, c_void_p]),
        "XNextEvent": (c_int, [c_void_p, c_void_p]),
        "XPending": (c_int, [c_void_p]),
        "XFlush": (c_int, [c_void_p]),
        "XSync": (c_int, [c_void_p, c_int]),
        "XConnectionNumber": (c_int, [c_void_p]),
        "XCloseDisplay": (c_int, [c_void_p]),
    }
    for name, (restype, argtypes) in signatures.items():
        getattr(x, name).restype = restype
        getattr(x, name).argtypes = argtypes
    return x


class _Connection:
    def __init__(self, display):
        self.x = _libx11()
        self.d = self.x.XOpenDisplay(display.encode() if display else None)
        if not self.d:
            raise RuntimeError(f"cannot open display {display!r}")
        self.root = self.x.XDefaultRootWindow(self.d)
        self.fd = self.x.XConnectionNumber(self.d)

    def atom(self, name: str) -> int:
        return self.x.XInternAtom(self.d, name.encode(), 0)

    def events(self, deadline):
        """Yields the connection's events until deadline (monotonic; None: for ever)."""
        event = _Event()
        while True:
            while self.x.XPending(self.d):
                self.x.XNextEvent(self.d, byref(event))
                yield event
            remaining = None if deadline is None else deadline - time.monotonic()
            if remaining is not None and remaining <= 0:
                return
            select.select([self.fd], [], [], remaining)

    def close(self) -> None:
        if self.d:
            self.x.XCloseDisplay(self.d)
            self.d = None


class ClipboardOwner(_Connection):
    """Takes CLIPBOARD with a text and serves it; records when each request for the text came."""

    def __init__(self, display=None, hint: bytes = b"", chunk: int = 256 * 1024):
        super().__init__(display)
        self.clipboard, self.targets, self.incr = self.atom("CLIPBOARD"), self.atom("TARGETS"), self.atom("INCR")
        self.text_targets = [self.atom("UTF8_STRING"), self.atom("text/plain;charset=utf-8"), self.atom("text/plain")]
        self.hint_target, self.png = self.atom("x-kde-passwordManagerHint"), self.atom("image/png")
        self.hint = hint
        self.chunk = chunk
        self.offers: dict = {}       # window -> {target: bytes}
        self.window = 0              # the owner of the last copy
        self.requests: list = []     # monotonic times of the requests for the last copy's text
        self.transfers: dict = {}    # (requestor, property) -> [data, offset] of INCR transfers
        self.lost = False            # another client took the clipboard from the last copy

    def copy(self, text=None, image: bool = False) -> float:
        """Takes CLIPBOARD with text (UTF-8) or a small PNG image; the time it did."""
        offers = {self.png: PNG_1X1} if image else {t: text.encode("utf-8") for t in self.text_targets}
        if self.hint and not image:
            offers[self.hint_target] = self.hint
        # Each copy is a new owner; the earlier ones still answer a request that was on its way.
        self.window = self.x.XCreateSimpleWindow(self.d, self.root, 0, 0, 1, 1, 0, 0, 0)
        self.offers[self.window] = offers
        self.requests, self.lost = [], False
        start = time.monotonic()
        self.x.XSetSelectionOwner(self.d, self.clipboard, self.window, 0)
        if self.x.XGetSelectionOwner(self.d, self.clipboard) != self.window:
            raise RuntimeError("could not take CLIPBOARD")
        return start

    def serve_until(self, deadline) -> None:
        """Answers requests until deadline (None: until another client takes the clipboard)."""
        for event in self.events(deadline):
            if event.type == SELECTION_REQUEST:
                self._answer(event.request)
            elif event.type == PROPERTY_NOTIFY and event.property.state == PROPERTY_DELETE:
                self._next_chunk(event.property.window, event.property.atom)
            elif event.type == SELECTION_CLEAR and event.clear.window == self.window:
                self.lost = True
                if deadline is None:
                    return

    def _answer(self, r: _Request) -> None:
        offers = self.offers.get(r.owner, {})
        prop = r.property or r.target
        if r.target == self.targets:
            offered = [self.targets, *offers]
            atoms = (c_ulong * len(offered))(*offered)
            self.x.XChangeProperty(self.d, r.requestor, prop, XA_ATOM, 32, 0, atoms, len(offered))
        elif r.target in offers:
            data = offers[r.target]
            if r.target in self.text_targets:
                self.requests.append(time.monotonic())
            if len(data) > self.chunk:
                self.x.XSelectInput(self.d, r.requestor, PROPERTY_CHANGE_MASK)
                size = (c_ulong * 1)(len(data))
                self.x.XChangeProperty(self.d, r.requestor, prop, self.incr, 32, 0, size, 1)
                self.transfers[(r.requestor, prop)] = [data, 0, r.target]
            else:
                self.x.XChangeProperty(self.d, r.requestor, prop, r.target, 8, 0, data, len(data))
        else:
            prop = 0
        reply = _Event()
        reply.notify = _Notify(SELECTION_NOTIFY, 0, 1, self.d, r.requestor, r.selection, r.target, prop, r.time)
        self.x.XSendEvent(self.d, r.requestor, 0, 0, byref(reply))
        self.x.XFlush(self.d)

    def _next_chunk(self, window: int, prop: int) -> None:
        transfer = self.transfers.get((window, prop))
        if not transfer:
            return
        data, offset, target = transfer
        piece = data[offset:offset + self.chunk]
        self.x.XChangeProperty(self.d, window, prop, target, 8, 0, piece, len(piece))
        self.x.XFlush(self.d)
        if piece:
            transfer[1] = offset + len(piece)
        else:
            del self.transfers[(window, prop)]   # the empty chunk ends the transfer


class Pinger(_Connection):
    """Times a window's client answering _NET_WM_PING."""

    def __init__(self, display=None):
        super().__init__(display)
        self.protocols, self.ping_atom = self.atom("WM_PROTOCOLS"), self.atom("_NET_WM_PING")
        self.x.XSelectInput(self.d, self.root, STRUCTURE_NOTIFY_MASK)
        self.x.XSync(self.d, 0)
        self.serial = 0

    def ping(self, window: int, timeout: float = 10.0):
        """Seconds until the answer came; None when none came within timeout."""
        self.serial += 1
        event = _Event()
        event.client = _ClientMessage(CLIENT_MESSAGE, 0, 1, self.d, window, self.protocols, 32,
                                      (c_long * 5)(self.ping_atom, self.serial, window, 0, 0))
        start = time.monotonic()
        self.x.XSendEvent(self.d, window, 0, 0, byref(event))
        self.x.XFlush(self.d)
        for answer in self.events(start + timeout):
            c = answer.client
            if (answer.type == CLIENT_MESSAGE and c.window == self.root and c.message_type == self.protocols
                    and c.l[0] == self.ping_atom and c.l[1] == self.serial):
                return time.monotonic() - start
        return None


def main(argv) -> int:
    if len(argv) < 4 or argv[1] != "own":
        print(__doc__.rsplit("\n\n", 1)[1], file=sys.stderr)
        return 2
    hint, gap, texts = argv[2].encode(), int(argv[3]) / 1000.0, argv[4:]
    owner = ClipboardOwner(hint=hint)
    for n, text in enumerate(texts, 1):
        start = owner.copy(text)
        print("owning", n, flush=True)
        if n < len(texts):
            owner.serve_until(start + gap)
    owner.serve_until(None)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
