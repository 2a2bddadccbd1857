#!/usr/bin/env bash
# Runs each libFuzzer target for a while from its committed seeds in fuzz/corpus/:
#   scripts/fuzz.sh [seconds per target] [build folder] [target...]
# Without a folder (or with "") it first builds the targets in build-fuzz with clang (optimised,
# with debug information, AddressSanitizer and UndefinedBehaviorSanitizer on, the whole library
# instrumented); a folder given must hold such a build already (the CI's clang build does).
# Without target names (fuzz_pdb, ...) every target runs. Inputs the runs find are kept in
# FOLDER/corpus/; a crashing input is left in FOLDER/ and ends the script with a failure. One
# line per target says how many inputs it ran.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
dir=${2:-}
shift $(($# < 2 ? $# : 2))
if [ -z "$dir" ]; then
  dir=build-fuzz
  CC=clang CXX=clang++ bash scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVA_SANITIZE=ON -DKORVA_BENCH=OFF -DKORVA_TESTS=OFF -DKORVA_FUZZ=ON -DKORVA_WERROR=ON
fi
targets=()
if [ $# -gt 0 ]; then
  for name in "$@"; do targets+=("$dir/$name"); done
else
  while IFS= read -r t; do targets+=("$t"); done < <(find "$dir" -maxdepth 1 -name 'fuzz_*' \
    -type f -perm -u+x | sort)
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $dir (configure it with -DKORVA_FUZZ=ON)"
  exit 1
fi
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus=$dir/corpus/$name
  mkdir -p "$corpus"
  case $name in
    fuzz_pdb | fuzz_models) cp tests/data/*.pdb "$corpus"/ 2>/dev/null || true ;;
    fuzz_table) cp examples/*.tab "$corpus"/ 2>/dev/null || true ;;
    fuzz_mmcif) cp tests/data/*.cif "$corpus"/ 2>/dev/null || true ;;
    fuzz_couplings) cp tests/data/*.nef tests/data/*.str tests/data/*.mr "$corpus"/ 2>/dev/null || true ;;
  esac
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  # The readers report bad input on standard error; keep only the fuzzer's own lines.
  log=$("$t" -max_total_time="$secs" -max_len=65536 -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$dir/" "$corpus" "${seeds[@]}" 2>&1) || {
    printf '%s\n' "$log" | tail -n 30
    echo "== $name FAILED"
    exit 1
  }
  runs=$(printf '%s\n' "$log" | sed -n 's/^stat::number_of_executed_units: *//p')
  echo "== $name: ${runs:-?} inputs in ${secs} s, no failure"
done
