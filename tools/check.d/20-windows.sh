#!/usr/bin/env bash
# The Windows x64 build (mingw-w64): its DLL's exports and imports and every
# test suite under Wine, then the same sounds and states as the Linux build
# of the first stage.
set -euo pipefail
cleanup() { WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
cmake --workflow --preset windows
tools/crosscheck/compare-builds.sh build/check build/windows "${FENNROW_CROSSCHECK_TOLERANCE:-0}"
