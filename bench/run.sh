#!/usr/bin/env bash
# Builds the x86_64 program and the benchmark and prints the figures, measured under Wine in a private Xvfb
# (or on $DISPLAY when there is one).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/build.sh win64
. tools/wine-env.sh

[ -n "${DISPLAY:-}" ] || start_headless
trap stop_wine EXIT
make_prefix "$root/build/bench/prefix"
set_window_management N
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" wineboot >/dev/null 2>&1 || true   # a warm wineserver, as a user's session has

mkdir -p "$WINEPREFIX/drive_c/Orvel"
cp build/win64/OrvelMouseAssistant.exe build/win64/bench/orvel_bench.exe "$WINEPREFIX/drive_c/Orvel/"
"$wine" 'C:\Orvel\orvel_bench.exe' 'C:\Orvel\OrvelMouseAssistant.exe' | tr -d '\r'
