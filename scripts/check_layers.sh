#!/usr/bin/env bash
# Folders are layers: a file may include headers of its own folder or of the folders below it,
# never above. The public headers (include/korva) stand on their own and are the api layer's.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(core numeric structure tables tensor align fit api report modes cli)
rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
status=0
api=$(rank api)
for f in $(find src -name '*.cpp' -o -name '*.h' | sort); do
  own=$(echo "$f" | cut -d/ -f2)
  mine=$(rank "$own")
  if [ "$mine" -lt 0 ]; then
    echo "$f: folder $own is not a layer (add it to scripts/check_layers.sh)"
    status=1
    continue
  fi
  while IFS= read -r inc; do
    target=${inc%%/*}
    if [ "$target" = korva ]; then
      r=$api
    else
      r=$(rank "$target")
    fi
    if [ "$r" -lt 0 ] || [ "$r" -gt "$mine" ]; then
      echo "$f: includes \"$inc\" from above its layer ($own)"
      status=1
    fi
  done < <(grep -ho '^#include "[^"]*"' "$f" | sed 's/#include "//; s/"$//' | grep '/' || true)
done
for f in $(find include -name '*.h' | sort); do
  if grep -q '^#include "' "$f" && grep '^#include "' "$f" | grep -qv '^#include "korva/'; then
    echo "$f: a public header may include only standard headers and other public headers"
    status=1
  fi
done
[ $status -eq 0 ] && echo "layers: every include looks down"
exit $status
