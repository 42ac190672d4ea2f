#!/usr/bin/env python3
"""What the resident program holds, read from outside: the private (anonymous) resident bytes of its Linux
process under Wine, beside a baseline program (bench/baseline: GDI+ and one 670 x 500 layered window) in the
same state, so that what Wine itself costs drops out. On the i686 test build, the product's architecture.

Figures, each as "<state>: program X MB, baseline Y MB, own Z MB":
  hidden after the warm-up; with the settings window shown; after an overview of 30 windows; the board opened
  and closed on a 1920 x 1080 and a 3840 x 2160 screen; then 200 cycles each of the picker, the tip, the board,
  the spotlight and the overview, with the growth per cycle (after the last cycle against after the first).

  python3 bench/memory.py [--arch x86|x64] [--cycles N] [--sizes 1920x1080,3840x2160]
                                          (after bash tools/build.sh x86 x64; ORVEL_MEMORY_CYCLES sets N too)
"""

import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.dont_write_bytecode = True


def choose_build(arch):
    """Points the harness at the test build of `arch`, stripped of its debug sections as the product is:
    Wine maps those sections into memory (11 MB for the i686 build), which the product never carries."""
    test_build = REPO / "build" / arch / "test-build" / "OrvelMouseAssistant.exe"
    stripped = REPO / "build" / "bench" / arch / "OrvelMouseAssistant.exe"
    stripped.parent.mkdir(parents=True, exist_ok=True)
    tool = ("i686" if arch == "x86" else "x86_64") + "-w64-mingw32-strip"
    subprocess.run([tool, "--strip-debug", "-o", str(stripped), str(test_build)], check=True)
    os.environ["ORVEL_E2E_EXE"] = str(stripped)
    os.environ["ORVEL_E2E_WININFO"] = str(REPO / "build" / arch / "tests" / "e2e" / "orvel_wininfo.exe")
    return REPO / "build" / arch / "bench" / "orvel_baseline.exe"


from cycles import EXPOSE, HIGHLIGHTER, KB, UseCycles, settled_anonymous_bytes, thread_count  # noqa: E402
from harness import EXE_NAME, TITLE, WINE, TestRun, WineSession, switcher_windows_path  # noqa: E402

BASELINE_TITLE = "Orvel baseline"


def mb(value):
    return value / (KB * KB)


# ------------------------------------------------------------------------------------------ the programs
class Bench:

    def __init__(self, session, baseline_exe):
        self.session = session
        self.wine = WINE
        self.exe_name = EXE_NAME
        self.baseline_exe = baseline_exe
        self.baseline = None

    def channel(self, *args):
        code, answer = self.session.wininfo("channel", *[str(a) for a in args])
        if code != 0:
            raise RuntimeError("the test channel did not answer: %r" % (answer,))

    def program(self, seconds=1.5):
        return settled_anonymous_bytes(self.session.prefix, self.exe_name, seconds)

    def start_baseline(self, *args):
        folder = self.session.prefix / "drive_c" / "orvel-probe"
        target = folder / self.baseline_exe.name
        if not target.exists():
            target.write_bytes(self.baseline_exe.read_bytes())
        self.stop_baseline()
        self.baseline = subprocess.Popen([self.wine, "C:\\orvel-probe\\" + self.baseline_exe.name] + list(args),
                                         env=self.session.env, cwd=str(self.session.prefix / "drive_c"),
                                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if self.session.windows(title=BASELINE_TITLE, exe=self.baseline_exe.name):
                return settled_anonymous_bytes(self.session.prefix, self.baseline_exe.name)
            time.sleep(0.2)
        raise RuntimeError("the baseline's window never came")

    def stop_baseline(self):
        if self.baseline is not None:
            subprocess.run([WINE, "taskkill", "/f", "/im", self.baseline_exe.name], env=self.session.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            try:
                self.baseline.wait(10)
            except subprocess.TimeoutExpired:
                self.baseline.kill()
            self.baseline = None


def line(state, program, baseline):
    print("%-44s program %6.1f MB, baseline %5.1f MB, own %6.1f MB" %
          (state + ":", mb(program), mb(baseline), mb(program - baseline)), flush=True)


def warm(session, *args):
    session.start(*args)
    session.wait_trace("warm-up done", timeout=60)


# ------------------------------------------------------------------------------------------ the runs
def states_run(run, baseline_exe):
    """Hidden, shown, after an overview of 30 windows, on the tests' own screen."""
    session = WineSession(run, "memory-states")
    bench = Bench(session, baseline_exe)
    try:
        hidden_base = bench.start_baseline("--hide")
        bench.stop_baseline()
        warm(session, "/hide")
        # Left alone as a resident program is: the threads that end when idle (the animation clocks, the device
        # worker; 3 s with nothing to do) are gone.
        line("hidden after the warm-up", bench.program(seconds=4.0), hidden_base)
        print("    (threads of the hidden program: %d)" % thread_count(session.prefix, bench.exe_name), flush=True)

        shown_base = bench.start_baseline()
        bench.stop_baseline()
        bench_show(session)
        line("settings window shown", bench.program(), shown_base)

        exe = run.snapshot(switcher_windows_path())
        (session.prefix / "drive_c" / "orvel-probe" / exe.name).write_bytes(exe.read_bytes())
        probe = subprocess.Popen([WINE, "C:\\orvel-probe\\" + exe.name, "--many", "25"], env=session.env,
                                 cwd=str(session.prefix / "drive_c"), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        time.sleep(4)
        bench.channel("run", EXPOSE)
        session.wait_trace("switcher-ready", timeout=30)
        session.xdotool("key", "Escape")
        session.wait_trace("switcher-end", timeout=15)
        cells = [l.text for l in session.trace() if l.is_event("switcher-pictures")]
        line("after an overview of 30 windows", bench.program(), shown_base)
        if cells:
            print("    (%s)" % cells[-1], flush=True)
        probe.kill()
        return session, bench, shown_base
    except BaseException:
        bench.stop_baseline()
        session.close()
        raise


def bench_show(session):
    """Shows the settings window of a hidden instance, as a second start does."""
    session.start()
    session.windows(title=TITLE, until="visible", timeout=20)
    time.sleep(1.0)


def cycles_run(session, bench, baseline, cycles):
    """Each kind of use repeated; growth per cycle is (after all - after the first) / (cycles - 1)."""
    use = UseCycles(session)
    for name, cycle in use.kinds():
        started = time.monotonic()
        try:
            cycle()
            use.rest()
            first, first_objects = bench.program(), use.objects()
            for _ in range(cycles - 1):
                cycle()
            use.rest()
            last, last_objects = bench.program(), use.objects()
        except BaseException:
            print("the trace's last lines:\n  " + "\n  ".join(
                open(session.trace_path, encoding="utf-8", errors="replace").read().splitlines()[-30:]))
            raise
        per = (last - first) / max(1, cycles - 1)
        print("%-44s own after one %6.1f MB, after %d %6.1f MB, growth %+7.1f KB per cycle; GDI %d -> %d, "
              "windows %d -> %d (%.0f s)" %
              (name + " cycles:", mb(first - baseline), cycles, mb(last - baseline), per / KB,
               first_objects["gdi"], last_objects["gdi"], first_objects["user"], last_objects["user"],
               time.monotonic() - started), flush=True)


def board_run(size, baseline_exe):
    run = TestRun(screen=size)
    try:
        session = WineSession(run, "memory-board-%dx%d" % size)
        bench = Bench(session, baseline_exe)
        try:
            base = bench.start_baseline("--hide")
            bench.stop_baseline()
            warm(session, "/hide")
            before = bench.program()
            bench.channel("run", HIGHLIGHTER)
            session.wait_trace("board-open", timeout=30)
            opened = bench.program()
            bench.channel("run", HIGHLIGHTER)
            session.wait_trace("board-close", timeout=30)
            closed = bench.program()
            label = "%d x %d" % size
            line("hidden, before the board (%s)" % label, before, base)
            line("board open (%s)" % label, opened, base)
            line("board closed again (%s)" % label, closed, base)
        finally:
            bench.stop_baseline()
            session.close()
    finally:
        run.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", default="x86", choices=("x86", "x64"))
    parser.add_argument("--cycles", type=int, default=int(os.environ.get("ORVEL_MEMORY_CYCLES", "200")))
    parser.add_argument("--sizes", default="1920x1080,3840x2160")
    options = parser.parse_args()
    baseline_exe = choose_build(options.arch)
    print("memory (%s test build; RssAnon of the program's process, baseline: GDI+ and one layered window)" %
          options.arch, flush=True)
    run = TestRun.get()
    session, bench, baseline = states_run(run, baseline_exe)
    try:
        if options.cycles > 0:
            cycles_run(session, bench, baseline, options.cycles)
    finally:
        bench.stop_baseline()
        session.close()
    for size in filter(None, options.sizes.split(",")):
        board_run(tuple(int(x) for x in size.split("x")), baseline_exe)


if __name__ == "__main__":
    main()
