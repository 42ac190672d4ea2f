#!/usr/bin/env python3
"""Takes the README's pictures under Wine in a private Xvfb (after bash tools/build.sh x64):

  python3 tools/docs_screenshot.py            the settings window with the picker open on bt3 and its
                                              "Function key" sub-list, cropped: docs/settings-picker.png
  python3 tools/docs_screenshot.py switcher   an overview of the window switcher over 30 windows, one of
                                              them enlarged: docs/switcher-overview.png
  python3 tools/docs_screenshot.py dpi        the settings window alone on desktops at 96, 144 and 192 DPI:
                                              docs/settings-96dpi.png, settings-144dpi.png, settings-192dpi.png
                                              (on a 1920 x 1200 screen of its own: at 192 DPI the window is
                                              1340 x 1000, more than the tests' screen holds)

The switcher's picture comes from the benchmark, whose application windows live in its own process: Wine's
PrintWindow paints another process's window as nothing, so only there do the cells show the windows'
pictures (as without desktop composition) rather than the placeholder."""

import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.dont_write_bytecode = True
# The x86_64 test build, as bench/run.sh measures it (the harness's own default is the i686 one).
os.environ.setdefault("ORVEL_E2E_EXE", str(REPO / "build" / "x64" / "test-build" / "OrvelMouseAssistant.exe"))
os.environ.setdefault("ORVEL_E2E_WININFO", str(REPO / "build" / "x64" / "tests" / "e2e" / "orvel_wininfo.exe"))
from harness import SCREEN, SETTINGS_KEY, TITLE, WINE, TestRun, WineSession, dpi_version, wait_until  # noqa: E402

OUT = REPO / "docs" / "settings-picker.png"
SWITCHER_OUT = REPO / "docs" / "switcher-overview.png"
BENCH = REPO / "build" / "x64" / "bench" / "orvel_bench.exe"


def switcher():
    run = TestRun.get()
    session = WineSession(run, "docs-switcher")
    try:
        bench = run.snapshot(BENCH)
        shutil.copy2(bench, session.program_dir / bench.name)
        env = dict(session.env, ORVEL_BENCH_SWITCHER_HOLD_MS="6000")
        out_path = session.logs / "bench.stdout"
        with open(out_path, "wb") as out:
            # Without the program's path the figures that start it skip themselves.
            proc = subprocess.Popen([WINE, "C:\\orvel\\" + bench.name], env=env, cwd=str(session.program_dir),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)
        try:
            if not wait_until(lambda: b"switcher look:" in out_path.read_bytes(), 600, interval=0.2):
                raise SystemExit("the benchmark never showed its overview: %r" % out_path.read_bytes()[-400:])
            time.sleep(1.5)  # the highlighted window grows to its size
            shot = session.logs / "switcher.png"
            subprocess.run(["import", "-window", "root", str(shot)], env=session.env, check=True)
            subprocess.run(["/usr/bin/convert", str(shot), "-strip", str(SWITCHER_OUT)], check=True)
            print("wrote", SWITCHER_OUT)
        finally:
            proc.terminate()
            proc.wait(30)
    finally:
        session.close()
        run.close()


DPI_SCREEN = (1920, 1200)


def settings_at_dpi():
    run = TestRun(screen=DPI_SCREEN)
    try:
        for dpi in (96, 144, 192):
            session = WineSession(run, "docs-settings-%ddpi" % dpi, dpi_version(dpi))
            try:
                session.reg_import({SETTINGS_KEY: {"bt3": 13, "bt4": 12}})
                session.start()
                session.wait_trace("first-frame")
                session.xdotool("mousemove", 5, DPI_SCREEN[1] - 5)
                time.sleep(1.0)
                left, top, right, bottom = session.windows(title=TITLE)[0]["rect"]
                shot = session.logs / "docs.png"
                subprocess.run(["import", "-window", "root", str(shot)], env=session.env, check=True)
                x0, y0 = max(0, left - 10), max(0, top - 10)
                x1, y1 = min(DPI_SCREEN[0], right + 10), min(DPI_SCREEN[1], bottom + 10)
                out = REPO / "docs" / ("settings-%ddpi.png" % dpi)
                subprocess.run(["/usr/bin/convert", str(shot), "-crop", "%dx%d+%d+%d" % (x1 - x0, y1 - y0, x0, y0),
                                "+repage", "-strip", str(out)], check=True)
                print("wrote", out)
            finally:
                session.close()
    finally:
        run.close()


def main():
    if sys.argv[1:] == ["switcher"]:
        return switcher()
    if sys.argv[1:] == ["dpi"]:
        return settings_at_dpi()
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
