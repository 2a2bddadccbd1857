#!/usr/bin/env bash
# Installs the build into a scratch prefix and reads what a user reads first: the manual page and
# the help of the installed program.
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/korva-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
test -x "$prefix/bin/korva"
test -f "$prefix/include/korva/korva.h"
page=$(MANWIDTH=100 man -l "$prefix/share/man/man1/korva.1" 2>/dev/null)
for word in NAME SYNOPSIS MODES OPTIONS -stKorvaFree -bestFit -anDC -pdbRot DUVARUDU; do
  grep -q -- "$word" <<< "$page" || { echo "the manual page lacks $word"; exit 1; }
done
# The installed program prints its help (on standard error, ending with status 1 as it always has)
# and its version.
help=$("$prefix/bin/korva" -help 2>&1 || true)
grep -q -- "-stKorvaFree" <<< "$help" || { echo "no help"; exit 1; }
"$prefix/bin/korva" --version | grep -q "^korva " || { echo "no version"; exit 1; }
echo "installed program, library, header and manual page are in place"
