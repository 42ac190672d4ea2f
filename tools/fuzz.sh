#!/usr/bin/env bash
# Builds the libFuzzer target of the input decisions (fuzz/, clang with ASan and UBSan) into build/fuzz and
# runs it from the committed seeds:
#   tools/fuzz.sh [RUNS] [libFuzzer options ...]    RUNS: inputs to try (default 1000000; -1: until stopped)
#   tools/fuzz.sh coverage                          line and branch coverage of the decoder and the dispatcher
#                                                   reached by the seeds and build/fuzz/corpus
# The seeds in fuzz/corpus are only read; inputs that reach new code are kept in build/fuzz/corpus, so a
# longer run picks up where the last one ended. A failing input is written to build/fuzz/crash-*; replay it
# with build/fuzz/orvel_fuzz_input FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

build() {  # build folder, extra CMake options
  local dir=$1
  shift
  cmake -S fuzz -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ "$@" >/dev/null
  cmake --build "$dir" -j "${ORVEL_JOBS:-2}" >/dev/null
}

mkdir -p build/fuzz/corpus
if [ "${1:-}" = coverage ]; then
  build build/fuzz-cov -DORVEL_FUZZ_COVERAGE=ON
  rm -f build/fuzz-cov/*.profraw
  LLVM_PROFILE_FILE="$PWD/build/fuzz-cov/run.profraw" \
    build/fuzz-cov/orvel_fuzz_input -runs=0 build/fuzz/corpus fuzz/corpus >/dev/null 2>&1
  llvm-profdata merge -o build/fuzz-cov/run.profdata build/fuzz-cov/run.profraw
  exec llvm-cov report build/fuzz-cov/orvel_fuzz_input -instr-profile=build/fuzz-cov/run.profdata \
    input/VendorReports.cpp input/Dispatcher.cpp
fi

runs=${1:-1000000}
[ $# -eq 0 ] || shift
build build/fuzz
exec build/fuzz/orvel_fuzz_input -runs="$runs" -max_len=512 -dict=fuzz/input.dict -artifact_prefix=build/fuzz/ \
  -print_final_stats=1 "$@" build/fuzz/corpus fuzz/corpus
