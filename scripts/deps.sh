#!/usr/bin/env bash
# Installs, through apt-get and only when missing, what the build needs.
set -euo pipefail
pkgs=(g++ cmake ninja-build python3 man-db libblas-dev libgtest-dev libbenchmark-dev zlib1g-dev gemmi-dev
  tao-pegtl-dev)
# The Python module: its build (pybind11, the headers, setuptools, pip and venv for
# `pip install --no-build-isolation .`) and what its plots, trajectories, batches and tests use.
pkgs+=(python3-dev pybind11-dev python3-setuptools python3-pip python3-venv python3-numpy
  python3-matplotlib python3-mdanalysis python3-distributed python3-pytest)
missing=()
# The second compiler of CI, with its sanitizer and libFuzzer runtimes.
pkgs+=(clang libclang-rt-dev)
for p in "${pkgs[@]}"; do
  # Header-only packages left unpacked but not configured still provide their files.
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -Eq 'install ok (installed|unpacked)' ||
    missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
