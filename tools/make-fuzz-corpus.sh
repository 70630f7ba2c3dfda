#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ (the
# seed-* files; other files there are inputs kept from fuzzing runs and stay).
# Builds the seed writer in the fuzz build folder (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DFENNROW_BUILD_FUZZ=ON \
    -DFENNROW_BUILD_TESTS=OFF -DFENNROW_BUILD_BENCH=OFF -DFENNROW_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$build" --target fennrow_make_fuzz_corpus
"$build/fuzz/fennrow_make_fuzz_corpus" fuzz/corpus
du -sh --apparent-size fuzz/corpus/*
