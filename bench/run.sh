#!/usr/bin/env bash
# Prints the figures: first the input decisions per report on the host (native and optimised, Google
# Benchmark's table), then those of the x86_64 test build measured under Wine in a private Xvfb (or on $DISPLAY
# when there is one): start-up, the settings paint, and the idle cost of the hidden program; last the
# presenter board's figures on screens of 1920 x 1080 and 3840 x 2160, side by side (ORVEL_BENCH_BOARD_SIZES
# names other sizes, an empty value skips them); then what the i686 program holds beside a baseline program
# (bench/memory.py). The start-up figure stands beside the baseline's start-up, with their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake -S bench/host -B build/host-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host-bench -j "${ORVEL_JOBS:-2}" >/dev/null
build/host-bench/orvel_input_bench 2>&1
echo

bash tools/build.sh x86 x64
. tools/wine-env.sh

[ -n "${DISPLAY:-}" ] || start_headless
trap stop_wine EXIT
make_prefix "$root/build/bench/prefix"
set_window_management N
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" wineboot >/dev/null 2>&1 || true   # a warm wineserver, as a user's session has

mkdir -p "$WINEPREFIX/drive_c/Orvel"
cp build/x64/test-build/OrvelMouseAssistant.exe build/x64/bench/orvel_bench.exe build/x64/tests/e2e/orvel_wininfo.exe \
   build/x64/bench/orvel_baseline.exe "$WINEPREFIX/drive_c/Orvel/"
"$wine" 'C:\Orvel\orvel_bench.exe' 'C:\Orvel\OrvelMouseAssistant.exe' | tr -d '\r'

# The idle figure: the program started hidden and left alone, and again with its settings window shown and
# unused, beside a Wine program that does nothing and Wine with nothing started (ORVEL_IDLE_SECONDS shortens
# the window for a quick look).
idle=${ORVEL_IDLE_SECONDS:-60}
python3 bench/idle.py "$idle" "Wine alone=" \
  "a Wine program doing nothing=C:\Orvel\orvel_wininfo.exe idle $(( (idle + 20) * 1000 ))" \
  "Orvel Mouse Assistant /hide=C:\Orvel\OrvelMouseAssistant.exe /hide" \
  "Orvel Mouse Assistant, window shown=C:\Orvel\OrvelMouseAssistant.exe"

# The stall budget: a scripted minute of use through the test channel, and the UI thread's longest turns.
python3 bench/stall.py "${ORVEL_STALL_SECONDS:-60}"

# The presenter board on large screens: each size in an Xvfb of its own, the prefix's Wine session ended
# before and after (Wine's desktop stays on the display it first saw).
board_sizes=${ORVEL_BENCH_BOARD_SIZES-1920x1080 3840x2160}
board_run() {
  local size=$1 n display="" pid
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  for n in $(seq 141 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
  done
  Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  DISPLAY="$display" ORVEL_BENCH_ONLY=board "$wine" 'C:\Orvel\orvel_bench.exe' | tr -d '\r' \
    > "$root/build/bench/board-$size.txt" || true
  DISPLAY="$display" "$wineserver" -k >/dev/null 2>&1 || true
  DISPLAY="$display" "$wineserver" -w >/dev/null 2>&1 || true
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
if [ -n "$board_sizes" ]; then
  for size in $board_sizes; do board_run "$size"; done
  echo
  python3 - $board_sizes <<'TABLE'
import re, sys
sizes = sys.argv[1:]
figures, order = {}, []
for size in sizes:
    try:
        lines = open("build/bench/board-%s.txt" % size).read().splitlines()
    except OSError:
        lines = []
    for line in lines:
        m = re.match(r"board \d+x\d+ (.*): median ([\d.]+) ms \(min ([\d.]+), max ([\d.]+); (\d+) runs\)", line)
        if m:
            name = m.group(1)
            figures[(name, size)] = "%s ms" % m.group(2)
        else:
            m = re.match(r"board \d+x\d+ (.*) / ((?:layered )?full frame): ([\d.]+)", line)
            if not m:
                continue
            name = "%s / %s" % (m.group(1), m.group(2))
            figures[(name, size)] = m.group(3)
        if name not in order:
            order.append(name)
width = max([len(n) for n in order] + [20])
print("presenter board".ljust(width) + "".join(s.rjust(14) for s in sizes))
for name in order:
    print(name.ljust(width) + "".join(figures.get((name, s), "-").rjust(14) for s in sizes))
TABLE
fi

# What the program holds, beside the baseline program, on the i686 build (the product's architecture), in an
# Xvfb and prefixes of its own (ORVEL_MEMORY_CYCLES sets the cycles of each overlay, 200 by default).
echo
"$wineserver" -k >/dev/null 2>&1 || true
python3 bench/memory.py --arch x86
