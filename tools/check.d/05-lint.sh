#!/usr/bin/env bash
# Lint: includes between the folders of src/ point one way, clang-tidy finds
# nothing in src/ and tools/, and (once the tree has been reformatted, which
# the file .clang-format-enforced marks) clang-format changes nothing.
set -euo pipefail

bash tools/check-layers.sh

if [ -f .clang-format-enforced ]; then
  tools/format --check
  echo "lint: formatting is clean"
else
  echo "lint: formatting not checked yet (no .clang-format-enforced)"
fi

# clang-tidy reads the compile commands of a plain build of its own: no
# sanitizers, no tests, benchmarks or fuzz targets (it looks at src/ and tools/).
cmake -S . -B build/lint -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFENNROW_SANITIZE=OFF \
  -DFENNROW_BUILD_TESTS=OFF -DFENNROW_BUILD_BENCH=OFF -DFENNROW_BUILD_TOOLS=ON >/dev/null
runner=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
[ -n "$runner" ] || { echo "lint: run-clang-tidy not found" >&2; exit 1; }
# .clang-tidy turns every warning into an error, so any finding fails here.
"$runner" -j 2 -quiet -p build/lint "$(pwd)/(src|tools)/" > build/lint/clang-tidy.log 2>&1 || {
  # run-clang-tidy always asks for colour; the findings are shown without it.
  sed 's/\x1b\[[0-9;]*m//g' build/lint/clang-tidy.log | grep -E 'error:|warning:' | sort -u >&2 ||
    cat build/lint/clang-tidy.log >&2
  echo "lint: clang-tidy findings (whole log: build/lint/clang-tidy.log)" >&2
  exit 1
}
echo "lint: clang-tidy is clean"
