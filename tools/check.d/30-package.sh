#!/usr/bin/env bash
# The .deb a musician installs: built from the release preset, its file list
# checked, then unpacked into a throwaway folder where the unpacked
# fennrow-render loads the unpacked plugin and renders a note with it, and the
# unpacked VST3 module shows only its entry points.
set -euo pipefail
cmake --workflow --preset package

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
deb="build/release/fennrow_${version}_$(dpkg --print-architecture).deb"
fail() { echo "package: $*" >&2; exit 1; }
[ -f "$deb" ] || fail "no $deb"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort | tr '\n' ' ')
[ "$files" = "./usr/bin/fennrow-render ./usr/lib/clap/fennrow.clap ./usr/lib/vst3/fennrow.vst3/Contents/x86_64-linux/fennrow.so " ] ||
  fail "$deb holds: $files"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsndfile1 libfftw3 libcairo2 libstdc++6; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
render="$root/usr/bin/fennrow-render"
plugin="$root/usr/lib/clap/fennrow.clap"
[ "$("$render" --version)" = "fennrow-render $version" ] || fail "fennrow-render --version: $("$render" --version)"
presets=$("$render" --plugin "$plugin" --list-presets | wc -l)
[ "$presets" -eq 20 ] || fail "the unpacked plugin lists $presets factory sounds, not 20"
"$render" --plugin "$plugin" --preset "Deep Sub" --notes "E1:0:1" --tail 0.1 -q -o "$root/note.wav"
[ -s "$root/note.wav" ] || fail "the unpacked plugin rendered nothing"
# The VST3 module exports its entry points and nothing else.
exports=$(nm -D --defined-only "$root/usr/lib/vst3/fennrow.vst3/Contents/x86_64-linux/fennrow.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exports" = "GetPluginFactory ModuleEntry ModuleExit " ] || fail "the VST3 module exports: $exports"

# cmake --install (user scope, the release preset's default) puts both
# plugins into the user's folders.
home="$root/home"
mkdir -p "$home"
HOME="$home" cmake --install build/release --strip >/dev/null
installed=$(cd "$home" && find . -type f | sort | tr '\n' ' ')
[ "$installed" = "./.clap/fennrow.clap ./.vst3/fennrow.vst3/Contents/x86_64-linux/fennrow.so " ] ||
  fail "cmake --install put: $installed"
echo "package: $deb installs and plays; cmake --install fills ~/.clap and ~/.vst3"
