#!/usr/bin/env bash
# Builds fennrow against an official CLAP include directory instead of our own
# declarations in abi/, then runs every test.
#
# Usage: tools/check-official-clap.sh <clap-include-dir> [build-dir] [extra cmake args...]
#
#   <clap-include-dir>  a directory holding the official headers as clap/clap.h,
#                       clap/version.h, ... (the "include" folder of a CLAP release).
#                       It must be supplied by the caller: this script downloads
#                       nothing and never fetches the headers itself.
#   [build-dir]         where to build; default build/official-clap in the source tree.
#
# The headers are only read from that directory; nothing is copied into the
# repository. Exit status is non-zero when configuring, building or any test fails.
set -euo pipefail

if [[ $# -lt 1 || "$1" == "-h" || "$1" == "--help" ]]; then
    sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
fi

sdk_dir=$(cd "$1" 2>/dev/null && pwd) || { echo "no such directory: $1" >&2; exit 2; }
shift
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-"$source_dir/build/official-clap"}
[[ $# -gt 0 ]] && shift

for header in clap/clap.h clap/version.h; do
    if [[ ! -f "$sdk_dir/$header" ]]; then
        echo "$sdk_dir does not look like a CLAP include directory: $header is missing" >&2
        exit 2
    fi
done

version=$(sed -n 's/^#define CLAP_VERSION_\(MAJOR\|MINOR\|REVISION\) \([0-9]*\).*/\2/p' "$sdk_dir/clap/version.h" | paste -sd.)
echo "CLAP headers: $sdk_dir (version ${version:-unknown})"
[[ "$version" == "1.2.10" ]] || echo "warning: fennrow targets CLAP 1.2.10" >&2

jobs=${JOBS:-2}
cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DFENNROW_CLAP_SDK="$sdk_dir" -DFENNROW_BUILD_BENCH=OFF "$@"
cmake --build "$build_dir" -j"$jobs"
ctest --test-dir "$build_dir" --output-on-failure -j"$jobs"
