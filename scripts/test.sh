#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite twice: built by GCC (the Python
# module's tests too), then built by Clang in a release build with AddressSanitizer and
# UndefinedBehaviorSanitizer, the library instrumented for fuzzing so that the same build runs
# each fuzz target for a few seconds. (One sanitizer build, not one per compiler, keeps the run
# short on two cores.)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/check_headers.sh
bash scripts/check_layers.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVA_WERROR=ON -DKORVA_PYTHON=ON
ctest --test-dir build --output-on-failure -j "$(nproc)"
CC=clang CXX=clang++ bash scripts/build.sh build-clang -DCMAKE_BUILD_TYPE=Release \
  -DKORVA_SANITIZE=ON -DKORVA_FUZZ=ON -DKORVA_BENCH=OFF -DKORVA_WERROR=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-clang --output-on-failure -j "$(nproc)"
bash scripts/fuzz.sh 4 build-clang
