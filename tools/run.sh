#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds the program and starts it under Wine: the product a user gets, the
# 32-bit program (build/x86/product), or with --x64 the 64-bit one (build/x64/product).
# With a $DISPLAY the program runs there until you choose Exit in its notification-area menu (Wine's tray
# sits at the top left of the screen unless a desktop provides one). Without one it runs in a private Xvfb,
# leaves a screenshot in build/run/screenshot.png, and is closed again.
# Usage: tools/run.sh [--x64]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

arch=x86
case "${1:-}" in
  "") ;;
  --x64) arch=x64 ;;
  *) echo "usage: $0 [--x64]" >&2; exit 2 ;;
esac

bash tools/setup.sh
bash tools/build.sh "$arch"
. tools/wine-env.sh

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  start_headless
fi
trap stop_wine EXIT
make_prefix "${ORVEL_WINEPREFIX:-$root/build/run/prefix}"
if [ "$headless" = 1 ]; then set_window_management N; else set_window_management Y; fi

mkdir -p "$WINEPREFIX/drive_c/Orvel"
cp "build/$arch/product/OrvelMouseAssistant.exe" "$WINEPREFIX/drive_c/Orvel/"
exe='C:\Orvel\OrvelMouseAssistant.exe'

echo "== starting Orvel Mouse Assistant ($arch) under Wine on $DISPLAY"
if [ "$headless" = 0 ]; then
  "$wine" "$exe"
  exit 0
fi

"$wine" "$exe" &
program=$!
wait_for_window "Orvel Mouse Assistant" || echo "the window did not appear within 20 s" >&2
sleep 1
shot="$root/build/run/screenshot.png"
import -display "$DISPLAY" -window root "$shot"
echo "== no display: the program ran in Xvfb; its screenshot is $shot"
"$wine" "$exe" /close
wait "$program" || true
