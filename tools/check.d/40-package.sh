#!/usr/bin/env bash
# The .deb a musician installs: built from the release preset, its file list
# checked, then unpacked into a throwaway folder where the unpacked
# fennrow-render finds the unpacked plugin by itself and renders a note with
# it, the unpacked fennrow-studio serves its page, and the unpacked VST3 module
# shows only its entry points.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=package
need_commands dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file nm:binutils
cmake --preset release
configure_only && exit 0

cmake --build --preset package
cpack --preset release

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
deb="build/release/fennrow_${version}_$(dpkg --print-architecture).deb"
fail() { echo "package: $*" >&2; exit 1; }
[ -f "$deb" ] || fail "no $deb"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort | tr '\n' ' ')
expected="./usr/bin/fennrow-render ./usr/bin/fennrow-studio ./usr/lib/clap/fennrow.clap"
expected+=" ./usr/lib/vst3/fennrow.vst3/Contents/x86_64-linux/fennrow.so "
[ "$files" = "$expected" ] || fail "$deb holds: $files"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsndfile1 libfftw3 libcairo2 libstdc++6; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root=$(mktemp -d)
studio_pid=
trap '[ -n "$studio_pid" ] && kill "$studio_pid" 2>/dev/null; rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
render="$root/usr/bin/fennrow-render"
[ "$("$render" --version)" = "fennrow-render $version" ] || fail "fennrow-render --version: $("$render" --version)"
# No --plugin: the installed program finds the plugin of its own prefix.
presets=$("$render" --list-presets | wc -l)
[ "$presets" -eq 20 ] || fail "the unpacked plugin lists $presets factory sounds, not 20"
"$render" --preset "Deep Sub" --notes "E1:0:1" --tail 0.1 -q -o "$root/note.wav"
[ -s "$root/note.wav" ] || fail "the unpacked plugin rendered nothing"

# The studio prints its address, then answers it with its page.
mkdir "$root/sounds"
"$root/usr/bin/fennrow-studio" "$root/sounds" >"$root/studio.out" 2>/dev/null &
studio_pid=$!
for _ in $(seq 100); do [ -s "$root/studio.out" ] && break; sleep 0.1; done
address=$(head -n 1 "$root/studio.out")
[[ "$address" =~ ^http://127\.0\.0\.1:([0-9]+)(/.*)$ ]] || fail "fennrow-studio printed: $address"
port=${BASH_REMATCH[1]}
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1:%s\r\n\r\n' "${BASH_REMATCH[2]}" "$port" >&3
status=$(head -n 1 <&3 | tr -d '\r')
exec 3<&-
[[ "$status" == *" 200 "* ]] || fail "fennrow-studio answered its page with: $status"

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
echo "package: $deb installs, plays and serves the studio; cmake --install fills ~/.clap and ~/.vst3"
