#!/usr/bin/env bash
# Installs what is missing, builds the program, and runs the main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target korva
# Steric prediction of ubiquitin's alignment in bicelles, compared with its measured N-H couplings.
./build/korva -pdb examples/ubiquitin-2mjb.pdb -inD examples/ubiquitin-nh-bicelle.tab
