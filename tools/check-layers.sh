#!/usr/bin/env bash
# The folders of src/ are layers, lowest first; a file may include its own
# folder and the folders below it, never one above it. Fails on any include
# that points back up, and on a folder that has no place in the order.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(platform maths document archive engine plugin presets entry vst3)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
for dir in src/*/; do
  layer=$(basename "$dir")
  own=$(rank "$layer")
  if [ "$own" -lt 0 ]; then
    echo "layers: src/$layer has no place in tools/check-layers.sh" >&2
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
    theirs=$(rank "$target")
    [ "$theirs" -ge 0 ] && [ "$theirs" -le "$own" ] && continue
    echo "layers: $file:$line: $layer includes $target" >&2
    status=1
  done < <(grep -rnE '#include "[^/"]+/' "$dir" || true)
done
[ $status -eq 0 ] && echo "layers: every include points down (${layers[*]})"
exit $status
