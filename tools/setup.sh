#!/usr/bin/env bash
# Installs everything the build, the artwork script, the packages, the tests, the fuzzer and the benchmarks
# need, from Debian's packages only.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev python3
  clang libclang-rt-14-dev libfuzzer-14-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine64 fonts-wine xvfb xdotool x11-utils imagemagick librsvg2-bin fonts-dejavu-core
  wixl msitools
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
