#!/usr/bin/env bash
# Installs, through apt-get and only when missing, what the build needs.
set -euo pipefail
pkgs=(g++ cmake ninja-build libblas-dev libgtest-dev libbenchmark-dev zlib1g-dev gemmi-dev tao-pegtl-dev)
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
