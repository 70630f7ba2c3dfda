#!/usr/bin/env bash
# The folders of src/ are layers; a file may include its own folder and the
# folders listed for it here, never one above it. Fails on any include that
# points back up.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [platform]=""
  [maths]=""
  [document]=""
  [archive]="document"
  [engine]="maths"
  [plugin]="engine document"
  [presets]="plugin engine document archive platform"
  [entry]="presets plugin engine document archive platform"
)

status=0
for dir in src/*/; do
  layer=$(basename "$dir")
  if [ -z "${allowed[$layer]+set}" ]; then
    echo "layers: src/$layer has no place in tools/check-layers.sh" >&2
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
    [ "$target" = "$layer" ] && continue
    [[ " ${allowed[$layer]} " == *" $target "* ]] && continue
    echo "layers: $file:$line: $layer includes $target" >&2
    status=1
  done < <(grep -rnE '#include "[^/"]+/' "$dir" || true)
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
