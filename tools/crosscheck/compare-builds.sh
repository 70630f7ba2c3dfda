#!/usr/bin/env bash
# compare-builds.sh LINUX_BUILD WINDOWS_BUILD [TOLERANCE]: the Linux and the
# Windows plugin, each driven through CLAP by its own system's
# fennrow-crosscheck (the Windows one under Wine), must save the same states
# byte for byte, load each other's, show the same values, and render every
# factory sound alike within TOLERANCE.
set -euo pipefail
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
tolerance=${3:-0}

rm -rf "$linux/crosscheck" "$windows/crosscheck"
echo "-- Linux build"
"$linux/fennrow-crosscheck" --plugin "$linux/fennrow.clap" --record "$linux/crosscheck"
echo "-- Windows build under Wine"
"$windows/run-under-wine" "$windows/fennrow-crosscheck.exe" --plugin "$windows/fennrow.clap" \
  --record "$windows/crosscheck"
echo "-- each loads the other's states"
"$linux/fennrow-crosscheck" --plugin "$linux/fennrow.clap" --reload "$windows/crosscheck"
"$windows/run-under-wine" "$windows/fennrow-crosscheck.exe" --plugin "$windows/fennrow.clap" \
  --reload "$linux/crosscheck"
echo "-- states, values and renders compared"
python3 "$(dirname "$0")/compare.py" "$linux/crosscheck" "$windows/crosscheck" --tolerance "$tolerance"
