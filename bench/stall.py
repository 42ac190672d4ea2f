#!/usr/bin/env python3
"""The main thread's stall budget: replays a scripted minute of use of the test build under Wine (button reports
through the test channel, tilts and wheel notches, the picker opened and closed, the board's tools with pen and
spotlight moves, overviews) and prints the longest time the UI thread's message loop was away handling one
message, the 99th percentile, and the message and window class of the worst turn.

  python3 bench/stall.py [SECONDS]     (after bash tools/build.sh x64; default 60)
"""

import os
import re
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.dont_write_bytecode = True
# The x86_64 test build, as bench/run.sh measures it (the harness's own default is the i686 one).
os.environ.setdefault("ORVEL_E2E_EXE", str(REPO / "build" / "x64" / "test-build" / "OrvelMouseAssistant.exe"))
os.environ.setdefault("ORVEL_E2E_WININFO", str(REPO / "build" / "x64" / "tests" / "e2e" / "orvel_wininfo.exe"))
from harness import SETTINGS_KEY, TITLE, TestRun, WineSession, wait_until  # noqa: E402
from harness import report7 as harness_report7  # noqa: E402

# Catalogue positions on Windows 10.
COPY, HIGHLIGHTER, SPOTLIGHT, EXPOSE = 10, 24, 27, 2
TILT_LEFT, TILT_RIGHT, WHEEL_UP, WHEEL_DOWN = 6, 7, 4, 5


def report7(buttons):
    return ["%02x" % b for b in harness_report7(buttons)]


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
    session = WineSession(TestRun.get(), "stall-budget")
    try:
        session.reg_import({SETTINGS_KEY: {"bt3": COPY, "bt4": 12}})
        session.start()
        session.wait_trace("first-frame")
        left, top, _, _ = [w for w in session.windows(title=TITLE)][0]["rect"]
        line = [l.text for l in session.wait_trace("view-markers") if l.is_event("view-markers")][-1]
        ml, mt, mr, mb = map(int, re.match(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+)", line).groups())
        channel = lambda *a: session.wininfo("channel", *[str(x) for x in a])
        session.wait_trace("warm-up done")  # the start-up's own work, the first uses' work done ahead among it
        session.wininfo("channel", "stalls")  # start counting from here
        steps = [
            ("button", lambda: (channel("report", *report7(0x10)), channel("report", *report7(0x00)))),
            ("tilt", lambda: session.xdotool("click", TILT_RIGHT)),
            ("wheel", lambda: session.xdotool("click", WHEEL_DOWN)),
            ("picker", lambda: (session.click(left + (ml + mr) // 2, top + (mt + mb) // 2),
                                time.sleep(0.3), session.xdotool("key", "Escape"))),
            ("hover", lambda: [session.xdotool("mousemove", left + x, top + 270) for x in range(150, 450, 50)]),
            ("highlighter", lambda: (channel("run", HIGHLIGHTER), session.xdotool("mousemove", 300, 300),
                                     session.xdotool("mousedown", 1),
                                     [session.xdotool("mousemove", 300 + 20 * i, 300 + 10 * i) for i in range(8)],
                                     session.xdotool("mouseup", 1), channel("run", HIGHLIGHTER))),
            ("spotlight", lambda: (channel("run", SPOTLIGHT),
                                   [session.xdotool("mousemove", 200 + 60 * i, 200 + 30 * i) for i in range(8)],
                                   session.xdotool("click", WHEEL_UP), channel("run", SPOTLIGHT))),
            ("overview", lambda: (channel("run", EXPOSE), time.sleep(1.0), session.xdotool("key", "Escape"))),
        ]
        done = {name: 0 for name, _ in steps}
        deadline = time.monotonic() + seconds
        i = 0
        while time.monotonic() < deadline:
            name, step = steps[i % len(steps)]
            step()
            done[name] += 1
            i += 1
        session.wininfo("channel", "stalls")
        lines = [l.text for l in session.wait_trace("loop-stalls", count=2) if l.is_event("loop-stalls")]
        print("stall budget, %.0f s of scripted use (%s): %s" % (
            seconds, ", ".join("%s %d" % kv for kv in done.items()), lines[-1][len("loop-stalls "):]))
        print("  start-up to the warm-up's end: %s" % lines[0][len("loop-stalls "):])
        # Each turn of a frame (16 ms) or more, from start-up on, after the event the program traced just before it.
        before = "start"
        trace = session.trace()
        print("  the warm-up's steps: %s" % ", ".join(l.text[len("warm-up step "):] for l in trace
                                                      if l.is_event("warm-up step")))
        for l in trace:
            if l.is_event("slow-turn"):
                print("  %s   after: %s" % (l.text, before))
            else:
                before = l.text
    finally:
        session.close()
        TestRun.get().close()


if __name__ == "__main__":
    main()
