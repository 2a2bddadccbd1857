#!/usr/bin/env bash
# Instructions executed by whole runs of the real program, start-up and loading included, counted
# by callgrind: a figure that the load of a shared machine does not move.
# Usage: bash bench/count_instructions.sh [path/to/korva]
set -euo pipefail
cd "$(dirname "$0")/.."
korva=$(realpath "${1:-build/korva}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp examples/ubiquitin-2mjb.pdb "$tmp/ubq.pdb"
cp examples/ubiquitin-nh-bicelle.tab "$tmp/nh.tab"

count() {
  local name=$1
  shift
  (cd "$tmp" && valgrind --tool=callgrind --callgrind-out-file=/dev/null "$korva" "$@" \
    > /dev/null 2> callgrind.log)
  printf '%-45s %s\n' "$name" "$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$tmp/callgrind.log")"
}

count "steric, ubiquitin, defaults" -pdb ubq.pdb -inD nh.tab
count "best fit, ubiquitin, SVD" -bestFit -pdb ubq.pdb -inD nh.tab
count "best fit, ubiquitin, -nofixed" -bestFit -nofixed -pdb ubq.pdb -inD nh.tab
