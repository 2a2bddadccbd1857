#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer on) and runs each for a while:
# scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=Debug -DKORVA_SANITIZE=ON \
  -DKORVA_BENCH=OFF -DKORVA_FUZZ=ON
for t in build-fuzz/fuzz_*; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  case $name in
    fuzz_pdb | fuzz_models) cp tests/data/*.pdb "$corpus"/ 2>/dev/null || true ;;
    fuzz_table) cp examples/*.tab "$corpus"/ 2>/dev/null || true ;;
    fuzz_mmcif) cp tests/data/*.cif "$corpus"/ 2>/dev/null || true ;;
    fuzz_couplings) cp tests/data/*.nef tests/data/*.str tests/data/*.mr "$corpus"/ 2>/dev/null || true ;;
  esac
  echo "== $name"
  # The readers report bad input on standard error; keep only the fuzzer's own lines.
  "$t" -max_total_time="$secs" -max_len=65536 -close_fd_mask=2 -artifact_prefix=build-fuzz/ "$corpus" 2>&1 | tail -n 3
done
