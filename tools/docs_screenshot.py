#!/usr/bin/env python3
"""Takes the README's picture: the settings window with the picker open on bt3 and its "Function key" sub-list,
under Wine in a private Xvfb, cropped to the window and the lists. Writes docs/settings-picker.png.

  python3 tools/docs_screenshot.py        (after bash tools/build.sh win64)"""

import re
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.dont_write_bytecode = True
from harness import SETTINGS_KEY, TITLE, TestRun, WineSession, wait_until  # noqa: E402

OUT = REPO / "docs" / "settings-picker.png"


def main():
    session = WineSession(TestRun.get(), "docs-screenshot")
    try:
        session.reg_import({SETTINGS_KEY: {"bt3": 13, "bt4": 12}})
        session.start()
        session.wait_trace("view-markers")
        window = [w for w in session.windows(title=TITLE)][0]
        left, top, right, bottom = window["rect"]
        line = [l.text for l in session.trace() if l.is_event("view-markers")][-1]
        l, t, r, b = map(int, re.match(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+)", line).groups())
        session.click(left + (l + r) // 2, top + (t + b) // 2)
        shown = session.wait_trace("picker-show")
        px, py = map(int, re.search(r"at=(-?\d+),(-?\d+)", [x.text for x in shown if x.is_event("picker-show")][-1]).groups())
        session.xdotool("mousemove", px + 120, py + 4 + 3 * 36 + 18)  # "Function key"
        time.sleep(0.8)
        session.xdotool("mousemove", px + 420, py + 4 + 3 * 36 + 18 + 36 + 4)  # "Copy" in the sub-list
        time.sleep(0.8)
        shot = session.logs / "docs.png"
        subprocess.run(["import", "-window", "root", str(shot)], env=session.env, check=True)
        lists = [w["rect"] for w in session.windows() if w["visible"] and w["rect"][2] - w["rect"][0] == 300]
        crop_right = max([right] + [r[2] for r in lists]) + 10
        crop_bottom = max([bottom] + [r[3] for r in lists]) + 10
        subprocess.run(["/usr/bin/convert", str(shot), "-crop", "%dx%d+%d+%d" % (crop_right - left + 10,
                        crop_bottom - top + 10, left - 10, top - 10), "+repage", "-strip", str(OUT)], check=True)
        print("wrote", OUT)
    finally:
        session.close()
        TestRun.get().close()


if __name__ == "__main__":
    main()
