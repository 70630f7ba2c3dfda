#!/usr/bin/env bash
# Usage: check_studio_page.sh STUDIO_PROGRAM RENDER_PROGRAM WORK_DIR
# Runs page_test.mjs in headless Chromium; exits 77 (skipped) when Node or
# Chromium is missing.
set -euo pipefail
browser=""
for candidate in chromium chromium-browser google-chrome; do
  if command -v "$candidate" >/dev/null 2>&1; then browser=$candidate; break; fi
done
if [ -z "$browser" ] || ! command -v node >/dev/null 2>&1; then
  echo "Node or Chromium is not installed; skipping the studio page check"
  exit 77
fi
exec timeout 300 node --experimental-websocket --no-warnings "$(dirname "$0")/page_test.mjs" "$1" "$2" "$3" "$browser"
