#!/usr/bin/env bash
# Configures and builds one or more of the three build folders, build/<name>:
#   host  Linux g++, the portable core and its unit tests (ASan + UBSan)
#   x86   i686-w64-mingw32: product/OrvelMouseAssistant.exe, the product (stripped, its debug information in
#         OrvelMouseAssistant.exe.debug beside it), and test-build/OrvelMouseAssistant.exe, the same program
#         with the test channel and trace that the end-to-end tests drive; the tests' probes; the benchmarks
#   x64   the same for x86_64-w64-mingw32
# Usage: tools/build.sh [host] [x86] [x64]   (no argument: all three)
set -euo pipefail
cd "$(dirname "$0")/.."

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(host x86 x64)
jobs="${ORVEL_JOBS:-2}"

for target in "${targets[@]}"; do
  case "$target" in
    host) extra=() ;;
    x86)  extra=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake") ;;
    x64)  extra=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-x86_64.cmake") ;;
    *) echo "unknown build '$target' (host, x86 or x64)" >&2; exit 2 ;;
  esac
  echo "== building $target"
  cmake -S . -B "build/$target" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
  cmake --build "build/$target" -j "$jobs"
done
