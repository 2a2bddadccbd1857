#!/usr/bin/env bash
# Ratios of whole runs measured side by side in one session: the program against an earlier
# build of it (instructions by callgrind, CPU time), and the steric run against freesasa, a
# surface-area program that does only the surface step. CPU times (perf's task-clock: every
# thread, to the microsecond) are the least of N runs of each command, taken in turn
# (A B A B ...), so that the load of a shared machine falls on both. Where build/korva_bench is
# built, the kernels' ratios follow, from one run of the benchmarks with their repetitions
# interleaved: the wall core against the plain scalar loop, the rod core against the wall core.
# Usage: bash bench/compare.sh BEFORE [AFTER] [N]
#   BEFORE, AFTER: korva binaries (AFTER defaults to build/korva); N runs each (default 15).
set -euo pipefail
cd "$(dirname "$0")/.."
before=$(realpath "$1")
after=$(realpath "${2:-build/korva}")
bench=$(realpath build/korva_bench 2> /dev/null || true)
runs=${3:-15}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp examples/ubiquitin-2mjb.pdb "$tmp/ubq.pdb"
cp examples/ubiquitin-nh-bicelle.tab "$tmp/nh.tab"
# The 50,000-atom complex of bench/run_bench.sh: 41 ubiquitins side by side, each its own chain.
awk 'BEGIN { chains = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" }
     FNR == NR && /^ATOM/ { line[n++] = $0; next }
     END {
       for (c = 0; c < 41; c++) {
         dx = (c % 7) * 40.0; dy = int(c / 7) * 40.0
         for (i = 0; i < n; i++) {
           l = line[i]
           x = substr(l, 31, 8) + dx; y = substr(l, 39, 8) + dy
           printf "%s%s%s%8.3f%8.3f%s\n", substr(l, 1, 21), substr(chains, c + 1, 1),
                  substr(l, 23, 8), x, y, substr(l, 47)
         }
       }
     }' "$tmp/ubq.pdb" "$tmp/ubq.pdb" > "$tmp/complex.pdb"
cd "$tmp"

# CPU time (ms) of one run of a command, all its threads.
cpu() {
  perf stat -x, -e task-clock -o "$tmp/perf" "$@" > /dev/null 2>&1 || true
  awk -F, '$3 == "task-clock" { printf "%.2f", $1 }' "$tmp/perf"
}

# The least CPU time of each of two commands (separated by ::), run in turn.
paired() {
  local a=() b=() seen=0
  for w in "$@"; do
    if [ "$w" = "::" ]; then seen=1; continue; fi
    if [ $seen -eq 0 ]; then a+=("$w"); else b+=("$w"); fi
  done
  local ta=1e9 tb=1e9
  for _ in $(seq "$runs"); do
    ta=$(awk -v x="$ta" -v y="$(cpu "${a[@]}")" 'BEGIN { print (y < x ? y : x) }')
    tb=$(awk -v x="$tb" -v y="$(cpu "${b[@]}")" 'BEGIN { print (y < x ? y : x) }')
  done
  echo "$ta $tb"
}

row() {
  local name=$1 ta=$2 tb=$3 unit=$4
  printf '%-48s %12s %12s %8s\n' "$name" "$ta$unit" "$tb$unit" \
    "$(awk -v a="$ta" -v b="$tb" 'BEGIN { printf "%.2f", b / a }')"
}

instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 > /dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

ubq="-pdb ubq.pdb -inD nh.tab"
printf '%-48s %12s %12s %8s\n' "run" "before" "after" "ratio"
if command -v valgrind > /dev/null; then
  row "instructions, steric, ubiquitin, defaults" "$(instructions "$before" $ubq)" \
    "$(instructions "$after" $ubq)" ""
fi
read -r ta tb < <(paired "$before" $ubq :: "$after" $ubq)
row "CPU, steric, ubiquitin, defaults" "$ta" "$tb" " ms"
read -r ta tb < <(paired "$before" -pdb complex.pdb :: "$after" -pdb complex.pdb)
row "CPU, steric, 50,000-atom complex, defaults" "$ta" "$tb" " ms"
read -r ta tb < <(paired "$before" -bestFit $ubq -map 10000 -outMap m1.txt :: \
  "$after" -bestFit $ubq -map 10000 -outMap m2.txt)
row "CPU, best fit, ubiquitin, -map 10000" "$ta" "$tb" " ms"
cmp -s m1.txt m2.txt || echo "the two maps differ"

if command -v freesasa > /dev/null; then
  echo
  printf '%-48s %12s %12s %8s\n' "against freesasa (defaults)" "freesasa" "korva" "ratio"
  read -r ta tb < <(paired freesasa ubq.pdb :: "$after" $ubq)
  row "ubiquitin: surface areas / whole steric run" "$ta" "$tb" " ms"
  read -r ta tb < <(paired freesasa complex.pdb :: "$after" -pdb complex.pdb)
  row "complex: surface areas / whole steric run" "$ta" "$tb" " ms"
fi

if [ -x "$bench" ]; then
  echo
  printf '%-48s %12s %12s %8s\n' "kernels (median CPU, 5,000 atoms)" "reference" "kernel" "ratio"
  "$bench" --benchmark_filter='^BM_(WallCore|WallPlainLoop|RodCore)/5000$' \
    --benchmark_repetitions="$runs" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2> /dev/null |
    awk -F, '$1 ~ /_median"$/ { gsub(/"/, "", $1); t[$1] = $4 }
      END {
        w = t["BM_WallCore/5000_median"]; p = t["BM_WallPlainLoop/5000_median"]
        r = t["BM_RodCore/5000_median"]
        printf "%-48s %12s %12s %8.2f\n", "wall core / plain scalar loop", sprintf("%.2f ms", p),
               sprintf("%.2f ms", w), w / p
        printf "%-48s %12s %12s %8.2f\n", "rod core / wall core, per pair", sprintf("%.2f ms", w),
               sprintf("%.2f ms", r), r / w
      }'
fi
