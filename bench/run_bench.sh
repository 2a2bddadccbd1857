#!/usr/bin/env bash
# Whole-run timings of the real program: median wall time of 5 runs each.
# Usage: bash bench/run_bench.sh [path/to/korva]
set -euo pipefail
cd "$(dirname "$0")/.."
korva=${1:-build/korva}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A 50,000-atom complex: 41 copies of ubiquitin side by side, each its own chain.
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
     }' examples/ubiquitin-2mjb.pdb examples/ubiquitin-2mjb.pdb > "$tmp/complex.pdb"

median() {
  local name=$1
  shift
  local times=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s.%N)
    times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')")
  done
  printf '%-55s %s s\n' "$name" "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)"
}

ubq="-pdb examples/ubiquitin-2mjb.pdb -inD examples/ubiquitin-nh-bicelle.tab"
median "steric, ubiquitin, defaults" "$korva" $ubq
median "steric, ubiquitin, -pf1" "$korva" $ubq -pf1
median "steric, ubiquitin, -dot 1000 -digPsi 36" "$korva" $ubq -dot 1000 -digPsi 36
median "steric, 50,000-atom complex, defaults" "$korva" -pdb "$tmp/complex.pdb"
median "steric, 50,000-atom complex, -nosurf" "$korva" -pdb "$tmp/complex.pdb" -nosurf
median "best fit, ubiquitin, SVD" "$korva" -bestFit $ubq
median "best fit, ubiquitin, -nofixed" "$korva" -bestFit -nofixed $ubq
pf1="-pdb examples/ubiquitin-2mjb.pdb -inD examples/ubiquitin-nh-pf1.tab -dot 2000"
sq="-pdb examples/ubiquitin-2mjb.pdb -inD examples/ubiquitin-nh-squalamine.tab -dot 2000"
median "steric, ubiquitin, -pf1 -dot 2000 (Pf1 couplings)" "$korva" $pf1 -pf1
median "charged, ubiquitin, -pf1 -elec -dot 2000" "$korva" $pf1 -pf1 -elec
median "steric, ubiquitin, -dot 2000 (squalamine couplings)" "$korva" $sq
median "charged, ubiquitin, -surfPot 4.25 -dot 2000" "$korva" $sq -surfPot 4.25
median "charged, ubiquitin, -pf1 -fitPot, defaults" "$korva" ${pf1% -dot 2000} -pf1 -fitPot
median "best fit, ubiquitin, -map 10000" "$korva" -bestFit $ubq -map 10000 -outMap "$tmp/map.txt"
# Selection patterns that a backtracking matcher takes hours on (none of them matches a name).
optional=$(printf '.?%.0s' $(seq 120))
median "steric, ubiquitin, -regex of 120 '.?' and a Q" "$korva" $ubq -regex -atom "${optional}Q"
median "steric, ubiquitin, -glob of 80 stars and a Q" "$korva" $ubq -glob -atom "$(printf '*%.0s' $(seq 80))Q"
