#!/usr/bin/env bash
# The folders of src/ are layers, lowest first; a file may include its own
# folder and the folders below it, never one above it. Fails on any include
# that points back up, and on a folder that has no place in the order. The
# tools' and tests' plugin loader is checked the same way below.
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

# The plugin loader sits below the tools and the tests that share it: it
# includes its own folder and the platform layer, nothing of a tool or a test.
loader_may_include=(plugin_loader platform)
while IFS=: read -r file line text; do
  target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
  [[ " ${loader_may_include[*]} " == *" $target "* ]] && continue
  echo "layers: $file:$line: plugin_loader includes $target" >&2
  status=1
done < <(grep -rnE '#include "[^/"]+/' tools/plugin_loader || true)

[ $status -eq 0 ] && echo "layers: every include points down (${layers[*]}; plugin_loader above platform)"
exit $status
