#!/usr/bin/env bash
# Usage: check_studio_page.sh TEST.mjs ARGUMENTS...
# Runs a page test in headless Chromium (the browser is given as the last
# argument); exits 77 (skipped) when Node or Chromium is missing.
set -euo pipefail
browser=""
for candidate in chromium chromium-browser google-chrome; do
  if command -v "$candidate" >/dev/null 2>&1; then browser=$candidate; break; fi
done
if [ -z "$browser" ] || ! command -v node >/dev/null 2>&1; then
  echo "Node or Chromium is not installed; skipping the studio page check"
  exit 77
fi
script=$1
shift
exec timeout 300 node --experimental-websocket --no-warnings "$(dirname "$0")/$script" "$@" "$browser"
