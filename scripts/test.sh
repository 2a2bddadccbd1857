#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite (the Python module's tests too); then
# the C++ suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/check_headers.sh
bash scripts/check_layers.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVA_WERROR=ON -DKORVA_PYTHON=ON
ctest --test-dir build --output-on-failure -j "$(nproc)"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVA_SANITIZE=ON -DKORVA_BENCH=OFF \
  -DKORVA_WERROR=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
