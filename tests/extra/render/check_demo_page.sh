#!/usr/bin/env bash
# Usage: check_demo_page.sh RENDER_PROGRAM OUTPUT_DIR EXPECTED_PICTURES
# Renders the demo into OUTPUT_DIR, opens its index.html in headless Chromium,
# and checks that the page shows every picture. Exits 77 (skipped) when no
# Chromium is installed.
set -euo pipefail
program=$1
out=$2
expected=$3

browser=""
for candidate in chromium chromium-browser google-chrome; do
  if command -v "$candidate" >/dev/null 2>&1; then browser=$candidate; break; fi
done
if [ -z "$browser" ]; then
  echo "no Chromium installed; skipping the page check"
  exit 77
fi

rm -rf "$out"
"$program" --demo "$out/demo" --bars 1 --quiet

wavs=$(find "$out/demo" -name '*.wav' | wc -l)
pngs=$(find "$out/demo" -name '*.png' | wc -l)
if [ "$wavs" -ne "$expected" ] || [ "$pngs" -ne "$expected" ]; then
  echo "expected $expected WAV and PNG files, found $wavs WAV and $pngs PNG"
  exit 1
fi

# The browser keeps its profile, caches and crash reports inside the build folder.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_CACHE_HOME="$out/home/.cache"
mkdir -p "$HOME"
flags=(--headless --no-sandbox --disable-gpu --disable-dev-shm-usage --disable-background-networking
       --disable-extensions --no-first-run --user-data-dir="$out/profile")
page="file://$out/demo/index.html"
timeout 120 "$browser" "${flags[@]}" --dump-dom "$page" >"$out/dom.html" 2>"$out/browser.log"
timeout 120 "$browser" "${flags[@]}" --hide-scrollbars --window-size=1280,2400 \
  --screenshot="$out/screenshot.png" "$page" >>"$out/browser.log" 2>&1 || true

occurrences() { { grep -o "$1" "$out/dom.html" || true; } | wc -l; }
loaded=$(occurrences 'data-loaded="yes"')
broken=$(occurrences 'data-loaded="no"')
players=$(occurrences '<audio ')
echo "pictures loaded: $loaded, broken: $broken, audio players: $players"
grep -q "data-pictures-loaded=\"$expected\"" "$out/dom.html" || { echo "the page did not report $expected loaded pictures"; exit 1; }
[ "$loaded" -eq "$expected" ] && [ "$broken" -eq 0 ] && [ "$players" -eq "$expected" ] || exit 1
[ -s "$out/screenshot.png" ] && echo "screenshot: $out/screenshot.png"
