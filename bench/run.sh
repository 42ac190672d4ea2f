#!/usr/bin/env bash
# Prints the figures: first the input decisions per report on the host (native and optimised, Google
# Benchmark's table), then those of the x86_64 program measured under Wine in a private Xvfb (or on $DISPLAY
# when there is one): start-up, the settings paint, and the idle cost of the hidden program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake -S bench/host -B build/host-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host-bench -j "${ORVEL_JOBS:-2}" >/dev/null
build/host-bench/orvel_input_bench 2>&1
echo

bash tools/build.sh win64
. tools/wine-env.sh

[ -n "${DISPLAY:-}" ] || start_headless
trap stop_wine EXIT
make_prefix "$root/build/bench/prefix"
set_window_management N
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" wineboot >/dev/null 2>&1 || true   # a warm wineserver, as a user's session has

mkdir -p "$WINEPREFIX/drive_c/Orvel"
cp build/win64/OrvelMouseAssistant.exe build/win64/bench/orvel_bench.exe build/win64/tests/e2e/orvel_wininfo.exe \
   "$WINEPREFIX/drive_c/Orvel/"
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
