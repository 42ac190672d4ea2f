#!/usr/bin/env bash
# Installs everything the build, the artwork script, the packages, the tests, the fuzzer and the benchmarks
# need, from Debian's packages only.
# Safe to run again: apt-get skips what is already there, and the i386 architecture is added only once.
#
# wine32:i386 runs the product (the i686 program) under the same Wine 8 as wine64: with both installed, a
# 64-bit prefix made afterwards has syswow64 and runs 32- and 64-bit programs side by side.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev python3
  clang libclang-rt-14-dev libfuzzer-14-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine64 wine32:i386 fonts-wine xvfb xdotool x11-utils imagemagick librsvg2-bin fonts-dejavu-core
  wixl msitools
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

added_arch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  added_arch=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ] || [ "$added_arch" = 1 ]; then
  $sudo apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
