#!/usr/bin/env bash
# Every header compiles on its own.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for h in $(find src -name '*.h' | sort); do
  if ! printf '#include "%s"\n' "${h#src/}" | g++ -std=c++20 -Wall -Wextra -Werror -Isrc -Iinclude -fsyntax-only -x c++ -; then
    echo "header does not compile on its own: $h"
    status=1
  fi
done
exit $status
