#!/usr/bin/env bash
# Lint: includes between the folders of src/ point one way, clang-format
# changes nothing, clang-tidy finds nothing in src/ and tools/, and the build
# against other CLAP headers (FENNROW_CLAP_SDK) still finds its headers.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=lint
need_commands clang-format:clang-format clang-tidy:clang-tidy
runner=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
[ -n "$runner" ] || { echo "lint: run-clang-tidy not found (Debian package clang-tidy)" >&2; exit 1; }

# clang-tidy reads the compile commands of a plain build of its own: no
# sanitizers, tests, benchmarks or fuzz targets (it looks at src/ and tools/,
# the maths checks against MPFR among them).
cmake -S . -B build/lint -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFENNROW_SANITIZE=OFF \
  -DFENNROW_BUILD_TESTS=OFF -DFENNROW_BUILD_BENCH=OFF -DFENNROW_BUILD_TOOLS=ON \
  -DFENNROW_BUILD_MATHS_CHECKS=ON >/dev/null

# The build against official CLAP headers, with a copy of our own
# declarations under another path standing in for them: every translation
# unit of every target (tests and ThreadSanitizer builds among them) finds all
# its headers, and none reads abi/clap.
stand_in=build/lint-clap-headers
rm -rf "$stand_in"
mkdir -p "$stand_in"
cp -r abi/clap "$stand_in/clap"
tools/check-official-clap.sh --includes-only "$stand_in" build/lint-official-clap -DCMAKE_BUILD_TYPE=Debug | tail -n 1
configure_only && exit 0

bash tools/check-layers.sh
tools/format --check
echo "lint: formatting is clean"

# .clang-tidy turns every warning into an error, so any finding fails here.
"$runner" -j 2 -quiet -p build/lint "$(pwd)/(src|tools)/" > build/lint/clang-tidy.log 2>&1 || {
  # run-clang-tidy always asks for colour; the findings are shown without it.
  sed 's/\x1b\[[0-9;]*m//g' build/lint/clang-tidy.log | grep -E 'error:|warning:' | sort -u >&2 ||
    cat build/lint/clang-tidy.log >&2
  echo "lint: clang-tidy findings (whole log: build/lint/clang-tidy.log)" >&2
  exit 1
}
echo "lint: clang-tidy is clean"
