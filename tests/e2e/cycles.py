"""Repeated use of the running test build, and what its process holds, read from outside: shared by the leak
test (tests/e2e/test_leaks.py) and the memory benchmark (bench/memory.py).

A cycle opens something and closes it again: the picker from a marker of the settings window (closed with
Escape), the marker's tip, the board, the spotlight (each run twice through the test channel) and an overview
(ended with Escape). The settings window must be shown when the cycles start."""

import os
import re
import time

from harness import TITLE, wait_until

# Catalogue positions on Windows 10.
HIGHLIGHTER, SPOTLIGHT, EXPOSE = 24, 27, 2
PICKER_WIDTH = 300
WS_EX_TRANSPARENT = 0x20
KB = 1024


# ------------------------------------------------------------------------------------------ reading /proc
def prefix_processes(prefix, name):
    """Linux pids of this prefix's processes whose name (its first 15 characters) is the Windows program's."""
    want = name[:15].lower()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as f:
                if f.read().strip().lower() != want:
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if b"WINEPREFIX=" + str(prefix).encode() in f.read().split(b"\0"):
                    found.append(int(entry))
        except OSError:
            pass
    return found


def status_kb(pid, field):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def anonymous_bytes(prefix, name):
    """RssAnon of the program's process. A 32-bit program has a small 64-bit launcher beside it with the same
    name: the program is the one that holds the most."""
    pids = prefix_processes(prefix, name)
    if not pids:
        raise RuntimeError("no process named %s in %s" % (name, prefix))
    return max(status_kb(pid, "RssAnon") for pid in pids) * KB


def thread_count(prefix, name):
    """Threads of the program's process (the one that holds the most, as for anonymous_bytes)."""
    pids = prefix_processes(prefix, name)
    if not pids:
        raise RuntimeError("no process named %s in %s" % (name, prefix))
    pid = max(pids, key=lambda p: status_kb(p, "RssAnon"))
    return status_kb(pid, "Threads")


def settled_anonymous_bytes(prefix, name, seconds=1.5):
    """Read after the process has been left alone a moment; the lowest of three reads (a paint in flight
    holds a surface for a few milliseconds)."""
    time.sleep(seconds)
    reads = []
    for _ in range(3):
        reads.append(anonymous_bytes(prefix, name))
        time.sleep(0.2)
    return min(reads)


# ------------------------------------------------------------------------------------------ the cycles
class UseCycles:

    def __init__(self, session):
        self.session = session
        left, top, _, _ = session.windows(title=TITLE)[0]["rect"]
        self.left, self.top = left, top
        marker = [l.text for l in session.trace() if l.is_event("view-markers")][-1]
        ml, mt, mr, mb = map(int, re.match(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+)", marker).groups())
        self.marker = (left + (ml + mr) // 2, top + (mt + mb) // 2)
        # Inside the window, off both markers: where the pointer goes so that the view sees it leave one.
        self.off_marker = (left + 335, top + 420)
        self.far = (session.run.screen[0] - 5, session.run.screen[1] - 5)

    def channel(self, *args):
        code, answer = self.session.wininfo("channel", *[str(a) for a in args])
        if code != 0:
            raise AssertionError("the test channel did not answer: %r" % (answer,))

    def count(self, event):
        return sum(1 for l in self.session.trace() if l.is_event(event))

    def pickers_shown(self):
        return [w for w in self.session.windows() if w["visible"] and w["title"] != TITLE and
                w["rect"][2] - w["rect"][0] == PICKER_WIDTH and not (w["exstyle"] & WS_EX_TRANSPARENT)]

    def picker(self):
        n = self.count("picker-show")
        # Over the window first, as a hand on the mouse would come: straight from a far corner after an
        # overview, Wine here sometimes delivers neither the move nor the click to the window.
        self.session.xdotool("mousemove", *self.off_marker)
        time.sleep(0.1)
        self.session.click(*self.marker)
        self.session.wait_trace("picker-show", count=n + 1)
        time.sleep(0.1)
        self.session.xdotool("key", "Escape")
        # The list fades out; a click before it has gone would land on it.
        if not wait_until(lambda: not self.pickers_shown(), 5, interval=0.1):
            raise AssertionError("Escape left the picker open")
        time.sleep(0.3)

    def tip(self):
        n = self.count("view-tip")
        self.session.xdotool("mousemove", *self.off_marker)
        time.sleep(0.1)
        self.session.xdotool("mousemove", *self.marker)
        self.session.wait_trace("view-tip", count=n + 1)

    def _board(self, position):
        n_open, n_close = self.count("board-open"), self.count("board-close")
        self.channel("run", position)
        self.session.wait_trace("board-open", timeout=30, count=n_open + 1)
        self.channel("run", position)
        self.session.wait_trace("board-close", timeout=30, count=n_close + 1)

    def board(self):
        self._board(HIGHLIGHTER)

    def spotlight(self):
        self._board(SPOTLIGHT)

    def overview(self):
        n_ready, n_end = self.count("switcher-ready"), self.count("switcher-end")
        self.channel("run", EXPOSE)
        self.session.wait_trace("switcher-ready", timeout=30, count=n_ready + 1)
        self.session.xdotool("key", "Escape")
        self.session.wait_trace("switcher-end", count=n_end + 1)

    def kinds(self):
        return [("picker", self.picker), ("tip", self.tip), ("board", self.board), ("spotlight", self.spotlight),
                ("overview", self.overview)]

    def rest(self):
        """The pointer off the window and time for the tip to fade (it holds 3 s): nothing of ours on screen."""
        self.session.xdotool("mousemove", *self.far)
        time.sleep(3.6)

    def objects(self):
        """The GDI objects and windows the program holds now: {"gdi": N, "user": N, "from": "system"|"table"}."""
        n = self.count("objects")
        self.channel("objects")
        lines = self.session.wait_trace("objects", count=n + 1)
        text = [l.text for l in lines if l.is_event("objects")][-1]
        found = dict(re.findall(r"(\w+)=(\w+)", text))
        return {"gdi": int(found["gdi"]), "user": int(found["user"]), "from": found["from"]}
