#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Steric prediction of ubiquitin's alignment in bicelles, compared with its measured N-H couplings.
./build/korva -pdb examples/ubiquitin-2mjb.pdb -inD examples/ubiquitin-nh-bicelle.tab
