#!/usr/bin/env python3
"""The idle figure: CPU time and thread wake-ups per second of a program left alone under Wine.

Starts each given Windows program (with its arguments) in the current Wine prefix, lets it settle, then reads
/proc over a window of N seconds: utime + stime of the program's Linux process (the Wine loader running it),
and the context switches of all its threads (voluntary + involuntary: every wake-up of a thread that slept is
one switch). The wineserver of the prefix is counted apart, since every cross-thread window call wakes it too.
Prints one line per program, so the figures stand side by side in one run.

  bench/idle.py SECONDS LABEL=COMMAND [LABEL=COMMAND ...]     (COMMAND: Windows path and arguments;
                                                              an empty one measures Wine alone)
"""

import os
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
SETTLE_SECONDS = 6
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def ours(pid):
    """True for a process of this prefix (other Wine sessions may run on the machine at the same time)."""
    prefix = os.environ.get("WINEPREFIX", "").encode()
    try:
        with open("/proc/%d/environ" % pid, "rb") as f:
            return b"WINEPREFIX=" + prefix in f.read().split(b"\0")
    except OSError:
        return False


def pids_where(match):
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/comm" % entry) as f:
                    if match(f.read().strip().lower()) and ours(int(entry)):
                        found.append(int(entry))
            except OSError:
                pass
    return found


def pids_named(exe):
    """This prefix's processes whose name is the Windows program's (Linux keeps its first 15 characters)."""
    want = exe[:15].lower()
    return pids_where(lambda name: name == want)


def wineserver_pids():
    return pids_where(lambda name: name.startswith("wineserver"))


def sample(pid):
    """(cpu seconds, context switches of all threads, thread count) of one process; zeros once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0, 0, 0
    cpu = (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime, stime
    switches = 0
    threads = 0
    try:
        tids = os.listdir("/proc/%d/task" % pid)
    except OSError:
        tids = []
    for tid in tids:
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
            threads += 1
        except OSError:
            pass
    return cpu, switches, threads


def stop(proc, command):
    """Ends a measured program: the resident program through "/close" (so it resets and ends as a user's
    would), anything else by ending its process group."""
    if proc is None:
        return
    if os.path.basename(command[0].replace("\\", "/")).lower().startswith("orvelmouseassistant"):
        subprocess.run([WINE, command[0], "/close"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)
        try:
            proc.wait(timeout=15)
            return
        except subprocess.TimeoutExpired:
            pass
    try:
        os.killpg(proc.pid, 9)
    except ProcessLookupError:
        pass
    proc.wait()


def measure(label, command, seconds):
    """Starts `command` (none: only Wine's own processes are measured), lets it settle, samples for `seconds`."""
    proc = None
    pid = None
    if command:
        exe = command[0].replace("/", "\\").rsplit("\\", 1)[-1]
        proc = subprocess.Popen([WINE] + command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        if command:
            deadline = time.monotonic() + 30
            while pid is None and time.monotonic() < deadline:
                candidates = pids_named(exe)
                pid = min(candidates) if candidates else None
                time.sleep(0.2)
            if pid is None:
                print("%s: did not start" % label)
                return
        time.sleep(SETTLE_SECONDS)
        servers = wineserver_pids()
        before = sample(pid) if pid else None
        srv0 = [sample(p) for p in servers]
        t0 = time.monotonic()
        time.sleep(seconds)
        elapsed = time.monotonic() - t0
        after = sample(pid) if pid else None
        srv1 = [sample(p) for p in servers]
        server_switches = sum(b[1] - a[1] for a, b in zip(srv0, srv1))
        if pid:
            print("%-34s idle %.0f s: %6.3f %% of a core, %6.1f wake-ups/s (%d threads); wineserver %6.1f "
                  "wake-ups/s" % (label + ":", elapsed, 100.0 * (after[0] - before[0]) / elapsed,
                                  (after[1] - before[1]) / elapsed, after[2], server_switches / elapsed))
        else:
            print("%-34s idle %.0f s: wineserver %6.1f wake-ups/s" % (label + ":", elapsed,
                                                                     server_switches / elapsed))
    finally:
        stop(proc, command)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    seconds = float(sys.argv[1])
    for argument in sys.argv[2:]:
        label, _, command = argument.partition("=")
        measure(label, command.split() if command else None, seconds)


if __name__ == "__main__":
    main()
