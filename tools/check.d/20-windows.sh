#!/usr/bin/env bash
# The Windows x64 build (mingw-w64): its DLL's exports and imports and every
# test suite under Wine, the zip a musician downloads, the installer a
# musician runs (cmake/package/check-windows-installer.sh: installs for one
# user and for everyone, an upgrade, a repair and uninstalls, in a Wine prefix
# of its own), then the same sounds and states as the Linux build of the Linux
# stage.
#
# The test preset gives a failed test one more run: Wine's own loader now and
# then trips an assertion while a finished test program exits ("Inconsistency
# detected by ld.so: dl-fini.c"), after every check in it has passed. A test
# that really fails fails twice.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=windows
need_commands wine:wine x86_64-w64-mingw32-objdump:binutils-mingw-w64-x86-64 unzip:unzip python3:python3 \
  makensis:nsis
cmake --preset windows
configure_only && exit 0

cleanup() { WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
cmake --build --preset windows
ctest --preset windows

# The zip holds the CLAP plugin, the VST3 bundle and the read-me, and the
# plugins unpacked from it are proper DLLs; the CLAP one loads and plays the
# Linux build's states.
(cd build/windows && cpack >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
zip="build/windows/fennrow-${version}-windows-x64.zip"
entries=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
expected="README.txt fennrow.clap fennrow.vst3/ fennrow.vst3/Contents/ fennrow.vst3/Contents/x86_64-win/ fennrow.vst3/Contents/x86_64-win/fennrow.vst3 "
[ "$entries" = "$expected" ] || { echo "windows: $zip holds: $entries" >&2; exit 1; }
unpacked=$(mktemp -d)
trap 'cleanup; rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
sh cmake/check-windows-dll.sh x86_64-w64-mingw32-objdump "$unpacked/fennrow.clap" clap_entry
vst3="$unpacked/fennrow.vst3/Contents/x86_64-win/fennrow.vst3"
sh cmake/check-windows-dll.sh x86_64-w64-mingw32-objdump "$vst3" ExitDll GetPluginFactory InitDll
echo "windows: $zip holds the plugin ($(stat -c %s "$unpacked/fennrow.clap") bytes), the VST3 bundle ($(stat -c %s "$vst3") bytes) and README.txt"

# The installer, made by the build (target installer).
bash cmake/package/check-windows-installer.sh build/windows

tools/crosscheck/compare-builds.sh build/check build/windows "${FENNROW_CROSSCHECK_TOLERANCE:-0}"
# The plugin from the zip loads the states the Linux build saved.
build/windows/run-under-wine build/windows/fennrow-crosscheck.exe --plugin "$unpacked/fennrow.clap" \
  --reload build/check/crosscheck
