#!/usr/bin/env bash
# Configures and builds one or more of the three builds into build/<name>:
#   host   Linux g++, the portable core and its unit tests (ASan + UBSan)
#   win32  i686-w64-mingw32, the product
#   win64  x86_64-w64-mingw32, the program the end-to-end tests run under Wine
# Usage: tools/build.sh [host] [win32] [win64]   (no argument: all three)
set -euo pipefail
cd "$(dirname "$0")/.."

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(host win32 win64)
jobs="${ORVEL_JOBS:-2}"

for target in "${targets[@]}"; do
  case "$target" in
    host)  extra=() ;;
    win32) extra=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake") ;;
    win64) extra=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-x86_64.cmake") ;;
    *) echo "unknown build '$target' (host, win32 or win64)" >&2; exit 2 ;;
  esac
  echo "== building $target"
  cmake -S . -B "build/$target" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
  cmake --build "build/$target" -j "$jobs"
done
