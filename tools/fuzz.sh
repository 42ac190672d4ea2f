#!/usr/bin/env bash
# Builds the libFuzzer targets of the program's untrusted inputs (fuzz/, clang with ASan and UBSan) into
# build/fuzz and runs them from the committed seeds:
#   tools/fuzz.sh [TARGET] [RUNS] [libFuzzer options ...]
#       TARGET  input     vendor reports through the decoder and the dispatcher's choice
#               arrival   WM_DEVICECHANGE arrival records through DecodeDeviceArrival
#               settings  the eleven registry values through LoadSettings and SaveSettings
#               language  the language file through ApplyLanguageFile and the catalogue
#               (none: every target in turn, each for RUNS inputs)
#       RUNS    inputs to try (default 1000000; -1: until stopped)
#   tools/fuzz.sh coverage [TARGET]   line and branch coverage of the code under test reached by the seeds
#                                     and build/fuzz/corpus/TARGET (none: every target)
#   tools/fuzz.sh list                the target names
# The seeds in fuzz/corpus/TARGET are only read; inputs that reach new code are kept in
# build/fuzz/corpus/TARGET, so a longer run picks up where the last one ended. A failing input is written to
# build/fuzz/TARGET-crash-*; replay it with build/fuzz/orvel_fuzz_TARGET FILE. Each run ends with a line
# "fuzz TARGET: passed|FAILED, N inputs in S s"; the exit status is non-zero when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(input arrival settings language)

# The longest input each target is given: room for its records without making every input slow.
max_len() {
  case $1 in
    input) echo 512 ;;
    arrival) echo 1200 ;;
    settings) echo 1024 ;;
    language) echo 4096 ;;
  esac
}

# The sources whose coverage is the target's, and for the arrival target the one function of its file
# that is fuzzed (the prober beside it is not).
covered_sources() {
  case $1 in
    input) echo input/VendorReports.cpp input/Dispatcher.cpp ;;
    arrival) echo device/DeviceLink.cpp ;;
    settings) echo shell/Settings.cpp ;;
    language) echo shell/Language.cpp shell/Texts.cpp ;;
  esac
}

is_target() {
  local t
  for t in "${targets[@]}"; do [ "$t" = "$1" ] && return 0; done
  return 1
}

build() {  # build folder, extra CMake options
  local dir=$1
  shift
  cmake -S fuzz -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ "$@" >/dev/null
  cmake --build "$dir" -j "${ORVEL_JOBS:-2}" >/dev/null
}

coverage() {  # target
  local t=$1 bin=build/fuzz-cov/orvel_fuzz_$1
  mkdir -p "build/fuzz/corpus/$t"
  rm -f "build/fuzz-cov/$t.profraw"
  LLVM_PROFILE_FILE="$PWD/build/fuzz-cov/$t.profraw" \
    "$bin" -runs=0 "build/fuzz/corpus/$t" "fuzz/corpus/$t" >/dev/null 2>&1
  llvm-profdata merge -o "build/fuzz-cov/$t.profdata" "build/fuzz-cov/$t.profraw"
  echo "== $t"
  # shellcheck disable=SC2046  # the source list is words
  llvm-cov report "$bin" -instr-profile="build/fuzz-cov/$t.profdata" $(covered_sources "$t")
  if [ "$t" = arrival ]; then
    llvm-cov report "$bin" -instr-profile="build/fuzz-cov/$t.profdata" -show-functions device/DeviceLink.cpp |
      grep -E '^Name|DecodeDeviceArrival'
  fi
}

run() {  # target runs [options]
  local t=$1 runs=$2 dict=() start=$SECONDS status=0
  shift 2
  mkdir -p "build/fuzz/corpus/$t"
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  echo "== fuzz $t"
  # The count comes from libFuzzer's own "Done N runs": a time limit may end the run before RUNS inputs.
  set +e
  "build/fuzz/orvel_fuzz_$t" -runs="$runs" -max_len="$(max_len "$t")" "${dict[@]}" \
    -artifact_prefix="build/fuzz/$t-" -print_final_stats=1 "$@" "build/fuzz/corpus/$t" "fuzz/corpus/$t" 2>&1 |
    tee "build/fuzz/$t-last-$$.log"
  status=${PIPESTATUS[0]}
  set -e
  local ran
  ran=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "build/fuzz/$t-last-$$.log" | tail -n 1)
  rm -f "build/fuzz/$t-last-$$.log"
  if [ "$status" -eq 0 ]; then
    echo "fuzz $t: passed, ${ran:-?} inputs in $((SECONDS - start)) s"
  else
    echo "fuzz $t: FAILED (exit $status) after $((SECONDS - start)) s"
  fi
  return "$status"
}

if [ "${1:-}" = list ]; then
  echo "${targets[@]}"
  exit 0
fi

if [ "${1:-}" = coverage ]; then
  chosen=("${targets[@]}")
  if [ $# -ge 2 ]; then
    is_target "$2" || { echo "unknown fuzz target '$2' (${targets[*]})" >&2; exit 2; }
    chosen=("$2")
  fi
  build build/fuzz-cov -DORVEL_FUZZ_COVERAGE=ON
  for t in "${chosen[@]}"; do coverage "$t"; done
  exit 0
fi

chosen=("${targets[@]}")
if [ $# -ge 1 ] && is_target "$1"; then
  chosen=("$1")
  shift
elif [ $# -ge 1 ] && ! [[ $1 =~ ^-?[0-9]+$ ]] && ! [[ $1 == -* ]]; then
  echo "unknown fuzz target '$1' (${targets[*]})" >&2
  exit 2
fi
runs=1000000
if [ $# -ge 1 ] && [[ $1 =~ ^-?[0-9]+$ ]]; then
  runs=$1
  shift
fi

build build/fuzz
failed=0
for t in "${chosen[@]}"; do run "$t" "$runs" "$@" || failed=1; done
exit "$failed"
