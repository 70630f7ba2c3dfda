#!/usr/bin/env bash
# Builds fennrow against an official CLAP include directory instead of our own
# declarations in abi/, then runs every test.
#
# Usage: tools/check-official-clap.sh [--includes-only] <clap-include-dir> [build-dir] [extra cmake args...]
#
#   <clap-include-dir>  a directory holding the official headers as clap/clap.h,
#                       clap/version.h, ... (the "include" folder of a CLAP release).
#                       It must be supplied by the caller: this script downloads
#                       nothing and never fetches the headers itself.
#   [build-dir]         where to build; default build/official-clap in the source tree.
#   --includes-only     configure, then preprocess every translation unit of
#                       every target instead of building: each must find all
#                       its headers, and none may read a CLAP header from abi/.
#                       The lint stage runs this against a copy of abi/clap.
#
# The headers are only read from that directory; nothing is copied into the
# repository. Exit status is non-zero when configuring, building or any test fails.
set -euo pipefail

includes_only=false
if [[ "${1:-}" == "--includes-only" ]]; then
    includes_only=true
    shift
fi
if [[ $# -lt 1 || "$1" == "-h" || "$1" == "--help" ]]; then
    sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'
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
if ! $includes_only; then
    cmake --build "$build_dir" -j"$jobs"
    ctest --test-dir "$build_dir" --output-on-failure -j"$jobs"
    exit
fi
# The test command's configure-only run (a fresh machine) stops here.
[[ "${FENNROW_CHECK_CONFIGURE_ONLY:-0}" == 1 ]] && exit 0

# Each compile command run with -M instead of -c: the compiler finds every
# header or fails, and names each one it read.
python3 - "$build_dir/compile_commands.json" "$source_dir/abi/clap" "$sdk_dir" "$jobs" <<'PYTHON'
import concurrent.futures, json, os, shlex, subprocess, sys

database, own_clap, sdk, jobs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
own_clap = os.path.realpath(own_clap) + os.sep
sdk = os.path.realpath(sdk) + os.sep
dropped_with_value = {"-o", "-MF", "-MT", "-MQ"}
dropped = {"-c", "-MD", "-MMD"}


def headers_of(entry):
    words = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    command, skip = [], False
    for word in words:
        if skip:
            skip = False
        elif word in dropped_with_value:
            skip = True
        elif word not in dropped:
            command.append(word)
    run = subprocess.run(command + ["-M"], cwd=entry["directory"], capture_output=True, text=True)
    if run.returncode != 0:
        return entry["file"], None, run.stderr.strip().splitlines()[:5]
    paths = run.stdout.replace("\\\n", " ").split()[1:]
    return entry["file"], [os.path.realpath(os.path.join(entry["directory"], p)) for p in paths], []


entries = json.load(open(database))
# Sources the build writes (the studio's page) are made first.
missing = sorted({e["file"] for e in entries if not os.path.exists(os.path.join(e["directory"], e["file"]))})
if missing:
    subprocess.run(["ninja", "-C", os.path.dirname(database)] +
                   [os.path.relpath(f, os.path.dirname(database)) for f in missing], check=True, capture_output=True)
failures, sdk_readers = [], 0
with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
    for source, headers, errors in pool.map(headers_of, entries):
        if headers is None:
            failures.append(f"{source}:\n  " + "\n  ".join(errors))
            continue
        own = [h for h in headers if h.startswith(own_clap)]
        if own:
            failures.append(f"{source}: reads abi/clap ({os.path.basename(own[0])}) instead of the given headers")
        sdk_readers += any(h.startswith(sdk) for h in headers)
for failure in failures:
    print(failure, file=sys.stderr)
if failures:
    sys.exit(f"{len(failures)} of {len(entries)} translation units do not build against {sdk}")
if sdk_readers == 0:
    sys.exit(f"no translation unit reads a header from {sdk}")
print(f"{len(entries)} translation units find their headers, {sdk_readers} of them CLAP's in {sdk}")
PYTHON
