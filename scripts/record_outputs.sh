#!/usr/bin/env bash
# Records what a korva binary prints and writes over a fixed set of command lines, so that two
# builds can be compared byte for byte:
#   scripts/record_outputs.sh BIN DIR        (then: diff -r DIR_A DIR_B)
# Each case gets DIR/NN.out, NN.err, NN.status and a copy of every file it wrote. The byte counts
# of the closing memory line depend on how the records are laid out, so they are masked.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bin=$(realpath "$1")
dest=$(realpath -m "$2")
rm -rf "$dest"
mkdir -p "$dest"
work=$(mktemp -d /tmp/korva_record_XXXXXX)
trap 'rm -rf "$work"' EXIT
# The program names itself in some lines: run it as plain "korva" whatever the build folder.
mkdir -p "$work/bin"
cp "$bin" "$work/bin/korva"
export PATH="$work/bin:$PATH"

inputs() {
  cp "$root/examples/ubiquitin-2mjb.pdb" "$1/ubq.pdb"
  cp "$root/examples/ubiquitin-nh-bicelle.tab" "$1/nh.tab"
  cp "$root/examples/ubiquitin-heavy.txt" "$1/heavy.txt"
  cp "$root/tests/data/2mjb-rdc-pf1-n-h.tab" "$1/pf1.tab"
  cp "$root/tests/data/2mjb-rdc-medium-a-n-h.tab" "$1/meda.tab"
  cp "$root/tests/data/three-nh.tab" "$1/three.tab"
  for f in "$root"/../shared/data/ubiquitin/2mjb-rdc-*.tab; do cp "$f" "$1/"; done
  cp "$root/../shared/data/xray/ubiquitin-1ubq/1ubq.pdb" "$1/1ubq.pdb"
  cp "$root/../shared/data/ensembles/ubiquitin-2mjb/2mjb.pdb" "$1/2mjb.pdb"
  cp "$root/../shared/data/ensembles/ubiquitin-2mjb/2MJB.mr" "$1/2MJB.mr"
  cp "$root/../shared/data/ensembles/ubiquitin-1d3z/1d3z.cif" "$1/1d3z.cif"
  cp "$root/tests/data/2loy-rdc.nef" "$1/2loy.nef"
  printf 'CENTER_PIVOT: 1\nCLASH_DISTANCE: 2.5\nBETA_L: 10\n' > "$1/cfg.txt"
  printf 'NOT_A_KEY\n' > "$1/badcfg.txt"
}

S='-inS1 1e-3 2e-4 3e-4 -1e-4 5e-5 -inS2 5e-4 1e-4 0 0 2e-4'
B='-bestFit -pdb ubq.pdb -inD nh.tab'
long=$(printf 'x%.0s' $(seq 1 300))
cases=(
  ''
  '-help'
  '-pdb ubq.pdb -inD nh.tab'
  '-pdb ubq.pdb -inD nh.tab -outD r.tab -pdbRot rot.pdb -rem hello'
  '-pdb ubq.pdb -inD nh.tab -pf1'
  '-pdb ubq.pdb -inD nh.tab -dot 50 -digPsi 6 -dGrid 1.5'
  '-pdb ubq.pdb -inD nh.tab -nosurf -H'
  '-pdb ubq.pdb -inD nh.tab -wv 0.1 -lcS 0.7 -rA 2'
  '-pdb ubq.pdb'
  '-pdb ubq.pdb -inD nh.tab -noeuler'
  '-pdb ubq.pdb -inD nh.tab -noverb'
  '-pdb ubq.pdb -inD nh.tab -r1 10 -rN 40'
  '-pdb ubq.pdb -inD nh.tab -atom "CA CB C N O"'
  '-pdb ubq.pdb -inD nh.tab -resName "LYS ARG" -exact'
  '-pdb ubq.pdb -inD nh.tab -regex -atom "^C"'
  '-pdb ubq.pdb -inD nh.tab -glob -atom "C*"'
  '-pdb ubq.pdb -inD nh.tab -inv -atom CA'
  '-pdb ubq.pdb -inD nh.tab -rim 1'
  '-pdb ubq.pdb -inD nh.tab -inp cfg.txt'
  '-pdb ubq.pdb -inD nh.tab -inp badcfg.txt'
  '-pdb ubq.pdb -inD 2mjb-rdc-medium-a-ca-ha.tab -pf1 -dot 40'
  '-pdb 1ubq.pdb -inD nh.tab'
  '-pdb 2mjb.pdb -inD nh.tab -dot 20 -digPsi 4'
  '-stKorvaFree -pdbF heavy.txt'
  '-stKorvaFree -pdbF heavy.txt -outA s.tab -pf1'
  '-stKorvaFree -pdbF ubq.pdb'
  "$B"
  "$B -outD f.tab -pdbRot frot.pdb -rem fitted"
  "$B -nofixed"
  "$B -dadr -da 1e-3 -dr 2e-4"
  "$B -fixed -da -4e-4 -dr -7e-5 -psi 10 -theta 20 -phi 30"
  "$B -da -4e-4"
  "$B -saupe 1e-3 2e-4 3e-4 -1e-4 5e-5"
  "$B -map 50 -outMap m.txt -outD mr.tab"
  "$B -map 20"
  "$B -map 10 -nofixed -outMap m2.txt"
  "$B -s1 10 -sN 50 -excl"
  "$B -s1 10 -sN 50 -inc"
  "$B -s1 2 -a1 3"
  "$B -w 1 1 0 1 2"
  "$B -aD1 N -aD2 H"
  "$B -noverb"
  "$B -noeuler"
  '-bestFit -pdb ubq.pdb -inD three.tab'
  '-bestFit -pdb ubq.pdb -inD 2mjb-rdc-medium-a-ca-ha.tab'
  '-bestFit -pdb ubq.pdb -inD 2mjb-rdc-medium-a-ca-c.tab -nofixed'
  '-bestFit -pdb 2mjb.pdb -inD nh.tab'
  "-anA $S"
  "-anA $S -add -outA a.tab"
  "-anA $S -mul"
  "-anA $S -div"
  "-anA $S -max -c1 2 -c2 0.5"
  "-anA $S -noeuler"
  '-anA -inS1 1e-3 2e-4 3e-4 -1e-4 5e-5 -inS2 5e-4 1e-4 1e-5 2e-5 2e-4 -div'
  '-anDC -inD1 nh.tab -inD2 pf1.tab'
  '-anDC -inD1 nh.tab -inD2 pf1.tab -sub -c1 1 -outD dc.tab'
  '-anDC -inD1 meda.tab -inD2 pf1.tab -max'
  '-anDC -inD1 nh.tab -inD2 missing.tab'
  '-pdb missing.pdb -inD nh.tab'
  '-pdb ubq.pdb -inD missing.tab'
  '-bestFit -inD nh.tab'
  '-pdb ubq.pdb -inD nh.tab -dot 2'
  '-pdb ubq.pdb -inD nh.tab -digPsi 0'
  '-pdb ubq.pdb -inD nh.tab -dGrid 0'
  '-pdb ubq.pdb -inD nh.tab -wv 0'
  "$B -map -1"
  '-anA -inS1 1 2 3 4 -inS2 1 2 3 4 5'
  "$B -saupe 1 2 abc 4 5"
  "-pdb $long"
  '-pdb ubq.pdb -inD nh.tab -bogus 3'
  '-stKorvaFree -pdbF missing.txt'
  '-pdb ubq.pdb -inD nh.tab -atom NOSUCH'
  '-pdb ubq.pdb -inD nh.tab -outD nodir/r.tab'
  '-pdb ubq.pdb -inD nh.tab -pdbRot nodir/x.pdb'
  "$B -map 5 -outMap nodir/m.txt"
  '-stKorvaFree -pdbF heavy.txt -outA nodir/s.tab'
  "-anA $S -outA nodir/a.tab"
  '-anDC -inD1 nh.tab -inD2 pf1.tab -outD nodir/dc.tab'
  '-pdb ubq.pdb -inD nh.tab -surfPot 0'
  '-pdb ubq.pdb -inD pf1.tab -pf1 -surfPot 0 -debye 5 -dot 40'
  '-pdb ubq.pdb -inD pf1.tab -pf1 -elec'
  '-pdb ubq.pdb -inD 2mjb-rdc-squalamine-n-h.tab -surfPot 4.25 -salt 150 -outD q.tab'
  '-pdb ubq.pdb -inD pf1.tab -pf1 -fitPot -dot 40'
  '-pdb ubq.pdb -inD 2mjb-rdc-squalamine-n-h.tab -fitPot -dot 40 -noverb'
  '-pdb ubq.pdb -pf1 -elec -charges missing.tab'
  '-pdb ubq.pdb -inD three.tab -fitPot'
  '-pdb ubq.pdb -debye 0'
  '-pdb ubq.pdb -salt -3'
  '-pdb ubq.pdb -inD nh.tab -elec'
  '-stKorvaFree -pdbF heavy.txt -surfPot 2'
  '-pdb 2mjb.pdb -inD nh.tab -dot 20 -digPsi 4 -outModels em.tab'
  '-pdb 2mjb.pdb -inD nh.tab -model 1'
  '-bestFit -pdb 2mjb.pdb -inD nh.tab -perModel -outModels pm.tab'
  '-bestFit -pdb 2mjb.pdb -inD nh.tab -nofixed -outModels nm.tab'
  '-bestFit -pdb 1d3z.cif -inD 2MJB.mr -list 501 -outD cif.tab -pdbRot rot.cif'
  '-bestFit -pdb ubq.pdb -inD 2MJB.mr'
  '-pdb 1ubq.pdb -inD nh.tab -noBuildH'
  '-pdb 2mjb.pdb -model 30'
  '-pdb ubq.pdb -inD nh.tab -list x'
  '-pdb ubq.pdb -inD 2loy.nef -list nosuch'
  '-bestFit -pdb 2mjb.pdb -inD nh.tab -map 3'
  # Long mappings and denser simulations, where the faster paths take over.
  "$B -map 3000 -outMap big.txt"
  "$B -map 300"
  '-pdb ubq.pdb -inD nh.tab -nosurf -H -dot 300 -digPsi 10'
  '-pdb ubq.pdb -inD nh.tab -pf1 -nosurf -wv 0.3 -dGrid 0.5'
  '-pdb 2mjb.pdb -inD nh.tab -pf1 -dot 60 -rA 0.5'
  '-stKorvaFree -pdbF heavy.txt -pf1 -dot 200 -digPsi 7'
  # Charged media on the same lanes: turns in batches with a remainder, dense rod grids.
  '-pdb ubq.pdb -inD nh.tab -nosurf -H -dot 300 -digPsi 10 -surfPot 1.5 -debye 8'
  '-pdb ubq.pdb -inD pf1.tab -pf1 -nosurf -wv 0.3 -dGrid 0.5 -elec'
  '-pdb 2mjb.pdb -model 3 -inD pf1.tab -pf1 -dot 60 -rA 0.5 -surfPot -2 -salt 50'
  '-pdb ubq.pdb -inD nh.tab -digPsi 7 -dot 80 -fitPot'
)
n=0
for c in "${cases[@]}"; do
  id=$(printf '%02d' "$n")
  rm -rf "$work/run"
  mkdir -p "$work/run"
  inputs "$work/run"
  ls "$work/run" | sort > "$work/before"
  (cd "$work/run" && eval "env -u DUVARUDU korva $c" > "$dest/$id.out" 2> "$dest/$id.err" < /dev/null)
  echo $? > "$dest/$id.status"
  echo "$c" > "$dest/$id.cmd"
  sed -i -E 's/^(REMARK Memory Allocation Status\. Reused: )[0-9-]+ In Use: [0-9-]+$/\1N In Use: N/' "$dest/$id.err"
  ls "$work/run" | sort | comm -13 "$work/before" - | while read -r f; do cp "$work/run/$f" "$dest/$id.file.$f"; done
  n=$((n + 1))
done
# The DUVARUDU variants of one line with an unknown option.
for mode in ALL FLAGS DEBUG; do
  id="env_$mode"
  rm -rf "$work/run"; mkdir -p "$work/run"; inputs "$work/run"
  (cd "$work/run" && env DUVARUDU=$mode korva -anA $S -bogus 3 -zz > "$dest/$id.out" 2> "$dest/$id.err" < /dev/null)
  echo $? > "$dest/$id.status"
  sed -i -E 's/^(REMARK Memory Allocation Status\. Reused: )[0-9-]+ In Use: [0-9-]+$/\1N In Use: N/' "$dest/$id.err"
done
# Bad input that is left out with a warning or refused, each case named: a coupling table with a
# NaN D, a D of 9999 and a DD of 0 (also behind a byte-order mark), a pattern and grid spacings
# that cannot be used, and a fit of exactly five couplings.
bad=(
  '-bestFit -pdb ubq.pdb -inD bad.tab'
  '-bestFit -pdb ubq.pdb -inD bom.tab -outD r.tab'
  '-pdb ubq.pdb -inD nh.tab -regex -atom "x("'
  '-pdb ubq.pdb -inD nh.tab -dGrid 1e-3'
  '-pdb ubq.pdb -inD nh.tab -pf1 -dGrid 1e9'
  '-bestFit -pdb ubq.pdb -inD five.tab'
)
for k in "${!bad[@]}"; do
  id="bad_$k"
  rm -rf "$work/run"; mkdir -p "$work/run"; inputs "$work/run"
  awk '/^ *[0-9]/ { k++; if (k == 1) $7 = "nan"; if (k == 2) $7 = "9999"; if (k == 3) $8 = "0" }
    { print }' "$work/run/nh.tab" > "$work/run/bad.tab"
  printf '\xEF\xBB\xBF' | cat - "$work/run/bad.tab" > "$work/run/bom.tab"
  head -n 11 "$work/run/nh.tab" > "$work/run/five.tab"  # the first five couplings
  (cd "$work/run" && eval "env -u DUVARUDU korva ${bad[$k]}" > "$dest/$id.out" 2> "$dest/$id.err" \
    < /dev/null)
  echo $? > "$dest/$id.status"
  sed -i -E 's/^(REMARK Memory Allocation Status\. Reused: )[0-9-]+ In Use: [0-9-]+$/\1N In Use: N/' "$dest/$id.err"
done
echo "recorded $n cases in $dest"
