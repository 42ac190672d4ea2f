#!/usr/bin/env bash
# The mouse hook's figures of two benchmark programs side by side, measured in one Wine session: this tree's
# x64 benchmark (built first) and another orvel_bench.exe, say one built from an earlier commit. They run in
# turn, ORVEL_HOOK_ROUNDS times each (2 unless set), so that both meet the same load on the machine; the table
# shows each figure's median and 99th percentile per round. A benchmark older than ORVEL_BENCH_ONLY=hook runs
# all its figures that need no running program, and only its hook lines are read.
#   bash bench/hook_compare.sh OTHER/orvel_bench.exe [OTHER-NAME]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
other=$(realpath "${1:?usage: bench/hook_compare.sh OTHER/orvel_bench.exe [OTHER-NAME]}")
other_name=${2:-other}
rounds=${ORVEL_HOOK_ROUNDS:-2}

bash tools/build.sh x64 >/dev/null
. tools/wine-env.sh
[ -n "${DISPLAY:-}" ] || start_headless
trap stop_wine EXIT
make_prefix "$root/build/bench/prefix"
set_window_management N
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" wineboot >/dev/null 2>&1 || true

out="$root/build/bench/hook-compare"
rm -rf "$out"
mkdir -p "$out" "$WINEPREFIX/drive_c/Orvel/this" "$WINEPREFIX/drive_c/Orvel/other"
cp build/x64/bench/orvel_bench.exe "$WINEPREFIX/drive_c/Orvel/this/"
cp "$other" "$WINEPREFIX/drive_c/Orvel/other/orvel_bench.exe"
for round in $(seq 1 "$rounds"); do
  for which in this other; do
    ORVEL_BENCH_ONLY=hook "$wine" "C:\\Orvel\\$which\\orvel_bench.exe" 2>/dev/null | tr -d '\r' \
      | grep -E '^(mouse hook|kernel call)' > "$out/$which-$round.txt" || true
  done
done

python3 - "$out" "$rounds" "$other_name" <<'TABLE'
import re, sys
folder, rounds, other_name = sys.argv[1], int(sys.argv[2]), sys.argv[3]
figures, order = {}, []
for which in ("this", "other"):
    for r in range(1, rounds + 1):
        for line in open("%s/%s-%d.txt" % (folder, which, r)):
            m = re.match(r"(.*): median ([\d.]+) us, 99th percentile ([\d.]+) us", line)
            if not m:
                continue
            name = m.group(1)
            figures.setdefault((name, which), []).append("%s / %s" % (m.group(2), m.group(3)))
            if name not in order:
                order.append(name)
head = "median / 99th percentile, us, per round"
width = max([len(n) for n in order] + [len(head)])
columns = [("this", "this tree"), ("other", other_name)]
cells = {(n, w): ", ".join(figures.get((n, w), ["-"])) for n in order for w, _ in columns}
widths = {w: max([len(t)] + [len(cells[(n, w)]) for n in order]) + 2 for w, t in columns}
print(head.ljust(width) + "".join(("  " + t).ljust(widths[w]) for w, t in columns))
for name in order:
    print(name.ljust(width) + "".join(("  " + cells[(name, w)]).ljust(widths[w]) for w, _ in columns))
TABLE
