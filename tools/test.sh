#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds the three build folders and the packages, and runs every test: the
# host unit tests, a short run of every fuzz target, the artwork tests, the include layers
# (tools/include_layers.py and its tests), the package tests, then the end-to-end
# suite under Wine in Xvfb twice, side by side: against the i686 test build (the product's architecture) and
# against the x86_64 one, each with the product smoke test of its own package. Ends with one line
# "total: N passed, N failed".
#
# ORVEL_E2E_SERIAL=1 runs the two end-to-end suites one after the other instead.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh || { echo "setup failed" >&2; exit 1; }
bash tools/build.sh host x86 x64 || { echo "build failed" >&2; exit 1; }

status=0
unit_log=build/unit-tests.log
echo "== unit tests"
build/host/orvel_tests --gtest_color=no 2>&1 | tee "$unit_log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
unit_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?.*/\1/p' "$unit_log" | tail -n 1)
unit_failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$unit_log" | tail -n 1)

# A smoke run of every fuzz target: its seeds and a fixed number of inputs from a fixed seed, a few seconds
# in all. Each target counts as one test; a fault it finds (or a failed build) fails the run.
declare -A fuzz_smoke_runs=([input]=20000 [arrival]=5000 [settings]=10000 [language]=3000)
fuzz_passed=0 fuzz_failed=0 build_note=" with the build"
for target in $(bash tools/fuzz.sh list); do
  runs=${fuzz_smoke_runs[$target]:-2000}
  echo "== fuzzer $target (smoke)"
  fuzz_log=build/fuzz-smoke-$target.log
  fuzz_start=$SECONDS
  if bash tools/fuzz.sh "$target" "$runs" -seed=1 >"$fuzz_log" 2>&1 && grep -q "^Done $runs runs" "$fuzz_log"; then
    fuzz_passed=$((fuzz_passed + 1))
    grep -E '^#[0-9]+[[:space:]]+DONE' "$fuzz_log"
    echo "fuzz smoke $target passed: $runs inputs in $(( SECONDS - fuzz_start )) s$build_note"
  else
    fuzz_failed=$((fuzz_failed + 1)) status=1
    echo "fuzz smoke $target FAILED"
    # The fault, its stack, and the failing input (libFuzzer prints it in Base64 too).
    if grep -qE 'ERROR:|check failed|runtime error' "$fuzz_log"; then
      grep -m1 -A14 -E 'ERROR:|check failed|runtime error' "$fuzz_log"
      grep -E '^Base64:|Test unit written' "$fuzz_log"
    else
      tail -n 30 "$fuzz_log"
    fi
  fi
  build_note=""
done
# No target listed at all (the script itself broken) is a failure too.
[ $((fuzz_passed + fuzz_failed)) -gt 0 ] || { fuzz_failed=1 status=1; }

echo "== artwork and resource tests"
art_log=build/artwork-tests.log
python3 tests/artwork/test_artwork.py 2>&1 | tee "$art_log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
art_ran=$(sed -n 's/^Ran \([0-9]*\) tests\?.*/\1/p' "$art_log" | tail -n 1)
art_failed=$(sed -n 's/^FAILED (\(failures\|errors\)=\([0-9]*\).*/\2/p' "$art_log" | tail -n 1)
art_failed=${art_failed:-0}
art_passed=$(( ${art_ran:-0} - art_failed ))

# The include layers: the script on this tree counts as one test, its own tests on made-up trees as theirs.
echo "== include layers"
layers_passed=0 layers_failed=0
if python3 tools/include_layers.py; then layers_passed=1; else layers_failed=1 status=1; fi
layers_log=build/include-layers-tests.log
python3 tests/tools/test_include_layers.py 2>&1 | tee "$layers_log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
layers_ran=$(sed -n 's/^Ran \([0-9]*\) tests\?.*/\1/p' "$layers_log" | tail -n 1)
layers_tests_failed=$(sed -n 's/^FAILED (\(.*\))$/\1/p' "$layers_log" | tail -n 1 | grep -o '[0-9]\+' | awk '{ n += $1 } END { print n + 0 }')
layers_passed=$(( layers_passed + ${layers_ran:-0} - ${layers_tests_failed:-0} ))
layers_failed=$(( layers_failed + ${layers_tests_failed:-0} ))

# The packages of tools/package.sh (from the builds just made), then their tables and the portable zip. A
# failed packaging leaves its tests without packages, which they report.
echo "== packages and their tests"
bash tools/package.sh --no-build || status=1
pkg_log=build/package-tests.log
ORVEL_PACKAGES=build/packages python3 tests/packaging/test_packages.py 2>&1 | tee "$pkg_log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
pkg_ran=$(sed -n 's/^Ran \([0-9]*\) tests\?.*/\1/p' "$pkg_log" | tail -n 1)
pkg_failed=$(sed -n 's/^FAILED (\(.*\))$/\1/p' "$pkg_log" | tail -n 1 | grep -o '[0-9]\+' | awk '{ n += $1 } END { print n + 0 }')
pkg_failed=${pkg_failed:-0}
pkg_passed=$(( ${pkg_ran:-0} - pkg_failed ))

# Each suite has its own Xvfb, prefixes and evidence folder (build/e2e-artifacts/<arch>/); the two share
# nothing but the packages they read. Side by side they take about the time of one.
e2e_suite() {  # arch -> its log; the exit status of the suite
  python3 tests/e2e/run.py --exe "build/$1/test-build/OrvelMouseAssistant.exe" \
    --wininfo "build/$1/tests/e2e/orvel_wininfo.exe" --packages build/packages >"build/e2e-tests-$1.log" 2>&1
}
e2e_passed=0 e2e_failed=0 e2e_missing=0
e2e_start=$SECONDS
if [ "${ORVEL_E2E_SERIAL:-0}" = 1 ]; then
  echo "== end-to-end tests under Wine: x86 then x64"
  e2e_suite x86; x86_status=$?
  e2e_suite x64; x64_status=$?
else
  echo "== end-to-end tests under Wine: x86 and x64 side by side"
  e2e_suite x86 & x86_pid=$!
  e2e_suite x64 & x64_pid=$!
  wait $x86_pid; x86_status=$?
  wait $x64_pid; x64_status=$?
fi
for arch in x86 x64; do
  log=build/e2e-tests-$arch.log
  echo "== end-to-end suite $arch (build/$arch/test-build)"
  cat "$log"
  status_var=${arch}_status
  [ "${!status_var}" -eq 0 ] || status=1
  suite_passed=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed.*/\1/p' "$log" | tail -n 1)
  suite_failed=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed.*/\2/p' "$log" | tail -n 1)
  [ -n "$suite_passed" ] || e2e_missing=$((e2e_missing + 1))
  e2e_passed=$((e2e_passed + ${suite_passed:-0}))
  e2e_failed=$((e2e_failed + ${suite_failed:-0}))
done
echo "end-to-end suites: $(( SECONDS - e2e_start )) s"

passed=$(( ${unit_passed:-0} + fuzz_passed + art_passed + layers_passed + pkg_passed + e2e_passed ))
failed=$(( ${unit_failed:-0} + fuzz_failed + art_failed + layers_failed + pkg_failed + e2e_failed ))
# A runner that died without its summary still counts as a failure.
[ -n "${unit_passed}" ] || { status=1; failed=$((failed + 1)); }
[ -n "${art_ran}" ] || { status=1; failed=$((failed + 1)); }
[ -n "${layers_ran}" ] || { status=1; failed=$((failed + 1)); }
[ -n "${pkg_ran}" ] || { status=1; failed=$((failed + 1)); }
[ "$e2e_missing" -eq 0 ] || { status=1; failed=$((failed + e2e_missing)); }
echo "total: $passed passed, $failed failed"
exit $status
