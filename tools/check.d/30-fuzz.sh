#!/usr/bin/env bash
# Every fuzz target for a bounded time (FENNROW_FUZZ_SECONDS, default 60) from
# a copy of its corpus in fuzz/corpus, so the repository is never written.
# Replaying the corpus comes first, so a kept input that fails again fails the
# stage at once. Any finding fails the stage; its reproducer is kept under
# build/fuzz-ci/findings and the command to replay it is printed.
#
# Every program the fuzz build made is run: one without a row of settings
# below fails the stage, and so does a row whose program was not built.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=fuzz
need_commands clang:clang clang++:clang
seconds=${FENNROW_FUZZ_SECONDS:-60}
build=build/fuzz-ci
findings="$PWD/$build/findings"

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFENNROW_BUILD_FUZZ=ON -DFENNROW_BUILD_TESTS=OFF -DFENNROW_BUILD_BENCH=OFF -DFENNROW_BUILD_TOOLS=OFF >/dev/null
configure_only && exit 0
cmake --build "$build"

# Settings of each target: dictionary ("-" for none), extra options. The
# plugin prints what each failed load found; -close_fd_mask=2 keeps that out of
# the log (sanitizer reports and the fuzzer's own messages still come through).
declare -A settings=(
  [archive_inflate]="-"
  [archive_package]="fuzz/zip.dict"
  [document_json]="fuzz/json.dict"
  [document_instance]="fuzz/json.dict"
  [presets_load_sound]="fuzz/zip.dict"
  [plugin_host]="fuzz/json.dict -close_fd_mask=2"
  [vst3_host]="fuzz/json.dict -close_fd_mask=2"
)

targets=()
for program in "$build"/fuzz/fennrow_fuzz_*; do
  [ -x "$program" ] && targets+=("${program##*/fennrow_fuzz_}")
done
unset_targets=()
for target in "${targets[@]}"; do
  [ -n "${settings[$target]+set}" ] || unset_targets+=("$target")
done
if [ ${#unset_targets[@]} -gt 0 ]; then
  echo "fuzz: no settings in tools/check.d/30-fuzz.sh for: ${unset_targets[*]}" >&2
  exit 1
fi
for target in "${!settings[@]}"; do
  [ -x "$build/fuzz/fennrow_fuzz_$target" ] || { echo "fuzz: settings for $target, which was not built" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$findings"
mkdir -p "$findings"
failed=()
for target in "${targets[@]}"; do
  read -r dict extra <<<"${settings[$target]}"
  program="$PWD/$build/fuzz/fennrow_fuzz_$target"
  corpus="$work/$target"
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$target" ] && cp -r "fuzz/corpus/$target/." "$corpus/"
  options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/$target-")
  [ "$dict" != "-" ] && options+=(-dict="$PWD/$dict")
  [ -n "${extra:-}" ] && options+=($extra)
  log="$work/$target.log"
  if "$program" "${options[@]}" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: $runs runs in ${seconds} s, no finding"
  else
    failed+=("$target")
    echo "fuzz $target: FINDING"
    grep -E "ERROR|SUMMARY|plugin_host:|deadly|Timeout|timeout|out-of-memory|leak" "$log" | head -20 || true
    tail -n 60 "$log"
    for reproducer in "$findings/$target"-*; do
      [ -e "$reproducer" ] || continue
      echo "reproducer: $reproducer"
      echo "replay it:  $program $reproducer"
    done
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
