#!/usr/bin/env bash
# The web build (WebAssembly, Debian's Emscripten) makes the very bytes the
# Linux build makes: its fennrow-crosscheck, run under node, records every
# factory sound's state, values and render identical to the Linux check
# build's, and each build loads the other's states. Then the page's module,
# fennrow-web.js, loaded as an AudioWorklet loads it, plays a line in
# 128-frame blocks with the samples fennrow-render makes for the same notes,
# parameter changes and block size, and saves the same state.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=web
need_commands emcc:emscripten node:nodejs python3:python3 gzip:gzip
cmake --preset web
configure_only && exit 0

cmake --build --preset web
# The Linux side is the check build of the Linux stage (built already when the
# stages run in order).
cmake --build --preset check --target fennrow fennrow-crosscheck fennrow-render

linux_records=build/web/linux-crosscheck
web_records=build/web/crosscheck
rm -rf "$linux_records" "$web_records"
echo "-- Linux build"
build/check/fennrow-crosscheck --plugin build/check/fennrow.clap --record "$linux_records"
echo "-- web build under node $(node --version)"
node build/web/fennrow-crosscheck.js --record "$web_records"
echo "-- each loads the other's states"
build/check/fennrow-crosscheck --plugin build/check/fennrow.clap --reload "$web_records"
node build/web/fennrow-crosscheck.js --reload "$linux_records"
echo "-- states, values and renders compared"
python3 tools/crosscheck/compare.py "$linux_records" "$web_records" --tolerance 0
diff -r "$linux_records" "$web_records"
echo "web: $(ls "$web_records" | wc -l) records byte for byte the Linux build's"

module=build/web/fennrow-web.js
echo "web: $module is $(stat -c %s "$module") bytes, $(gzip -9 -c "$module" | wc -c) gzipped"
sound="Wobble"
notes="36:0:1:0.9 31:1:0.5:0.7 36:1.25:1.5:1.0 39:2.5:0.25:0.3 43:3:2:0.8"
changes="3=0.3@2 7=0.7@1"
set_options=()
for change in $changes; do set_options+=(--set "$change"); done
build/check/fennrow-render -q --preset "$sound" --notes "$notes" "${set_options[@]}" --block-size 128 \
  --out build/web/line.wav --save-state build/web/line.state.json
node --experimental-vm-modules --no-warnings tools/web/check-module.mjs "$module" "$sound" "$notes" "$changes" \
  build/web/line.wav build/web/line.state.json
