#!/usr/bin/env bash
# From nothing: in a throwaway Debian 12 root (minbase, made from this
# machine's own apt sources) the README's demo command runs as written and
# leaves the 20 sounds, the page and fennrow-studio; then, with what the test
# command installs, every build of every stage configures. The machine running
# the other stages may have a package that no list names; a fresh root has
# only what the lists name, so a forgotten package fails here.
#
# Roots are kept as tarballs in a cache folder outside the clone
# (FENNROW_FRESH_CACHE, default ~/.cache/fennrow/fresh-machine), each named by
# the hash of what makes it:
#   base   minbase from this machine's apt sources
#   demo   base + what tools/demo installs (made by running tools/demo in it)
#   check  demo + what tools/check installs (made by its own installer)
# A warm cache unpacks them; a cold one makes them as it goes.
#
# A root is entered in mount and process namespaces of its own: /proc, /sys
# and /dev are mounted inside them only, so they vanish with the namespaces
# whatever happens to this script, and are unmounted on the way out as well.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=fresh-machine
need_commands mmdebstrap:mmdebstrap unshare:util-linux chroot:coreutils git:git
# Inside a fresh root (the test command configuring every stage) this stage
# has nothing to configure.
configure_only && exit 0
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine: needs root (chroot and mounts)" >&2; exit 1; }

cache=${FENNROW_FRESH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/fennrow/fresh-machine}
mkdir -p "$cache" build
work=$(mktemp -d "$PWD/build/fresh-machine.XXXXXX")
logs="$PWD/build/fresh-machine-logs"
mkdir -p "$logs"
cleanup() {
  # The namespaces took their mounts with them; this only guards against a
  # root still mounted from outside them before the folder is removed.
  if grep -q " $work/" /proc/self/mounts; then
    echo "fresh-machine: mounts left under $work; not removing it" >&2
    return
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The apt sources this machine uses, as files mmdebstrap pastes into the root.
sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$file" ] && grep -qE '^[[:space:]]*[^#[:space:]]' "$file" && sources+=("$file")
done
[ ${#sources[@]} -gt 0 ] || { echo "fresh-machine: this machine has no apt sources" >&2; exit 1; }

key_of() { cat "$@" | sha256sum | cut -c1-16; }
base_key=$(printf 'bookworm minbase\n' | cat - "${sources[@]}" | sha256sum | cut -c1-16)
demo_key=$(printf '%s\n' "$base_key" | cat - tools/setup/common.packages tools/setup/packages.sh | key_of -)
check_key=$(printf '%s\n' "$demo_key" | cat - tools/check.d/*.packages | key_of -)
base_tar="$cache/base-$base_key.tar"
demo_tar="$cache/demo-$demo_key.tar"
check_tar="$cache/check-$check_key.tar"

seconds() { echo $(( $(date +%s) - start )); }
start=$(date +%s)

# unpack TARBALL ROOT: a root from the cache, with the clean clone in /src/fennrow.
unpack() {
  mkdir -p "$2"
  tar -xf "$1" -C "$2"
  cp /etc/resolv.conf "$2/etc/resolv.conf"
  mkdir -p "$2/src/fennrow"
  # What git tracks (and untracked files it does not ignore), as they are in
  # the working tree: on CI that is the clean clone itself.
  git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$2/src/fennrow"
}

# pack ROOT TARBALL: the root without the clone, into the cache.
pack() {
  rm -f "$1"/var/cache/apt/archives/*.deb
  tar -cf "$2.partial" -C "$1" --exclude=./src/fennrow --exclude=./proc/* --exclude=./sys/* --exclude=./dev/* .
  mv "$2.partial" "$2"
  # Older roots of this cache are of lists that changed.
  local kind=${2##*/}; kind=${kind%%-*}
  find "$cache" -maxdepth 1 -name "$kind-*.tar" ! -path "$2" -delete
}

# inside ROOT COMMAND: runs a shell command in the clone inside the root, as
# root, in namespaces of its own with /proc, /sys and /dev mounted.
inside() {
  unshare --mount --pid --fork --propagation private bash -euo pipefail -c '
    root=$1; command=$2
    mount -t proc proc "$root/proc"
    mount -t sysfs sys "$root/sys"
    mount --rbind /dev "$root/dev"
    trap "umount -R \"$root/dev\" \"$root/sys\" \"$root/proc\" 2>/dev/null || true" EXIT
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      LANG=C.UTF-8 bash -euo pipefail -c "cd /src/fennrow && $command"
  ' inside "$@"
}

if [ ! -f "$base_tar" ]; then
  echo "fresh-machine: making a minbase root of bookworm (cold cache)"
  mmdebstrap --quiet --format=tar --variant=minbase bookworm "$base_tar.partial" "${sources[@]}"
  mv "$base_tar.partial" "$base_tar"
  find "$cache" -maxdepth 1 -name "base-*.tar" ! -path "$base_tar" -delete
fi

# The demo command, exactly as the README gives it.
demo_root="$work/demo"
if [ -f "$demo_tar" ]; then
  unpack "$demo_tar" "$demo_root"
else
  echo "fresh-machine: the demo command installs its packages into a new root (cold cache)"
  unpack "$base_tar" "$demo_root"
fi
inside "$demo_root" 'tools/demo' > "$logs/demo.log" 2>&1 || {
  tail -n 40 "$logs/demo.log" >&2
  echo "fresh-machine: tools/demo failed in a fresh root (whole log: $logs/demo.log)" >&2
  exit 1
}
made="$demo_root/src/fennrow"
wavs=$(find "$made/demo" -maxdepth 1 -name '*.wav' | wc -l)
[ "$wavs" -eq 20 ] || { echo "fresh-machine: tools/demo made $wavs WAV files, not 20" >&2; exit 1; }
for file in demo/index.html build/release/fennrow.clap build/release/fennrow.vst3/Contents/x86_64-linux/fennrow.so \
            build/release/fennrow-render build/release/fennrow-studio; do
  [ -s "$made/$file" ] || { echo "fresh-machine: tools/demo did not make $file" >&2; exit 1; }
done
echo "fresh-machine: tools/demo rendered 20 sounds and the page, and built fennrow-studio ($(seconds) s)"
[ -f "$demo_tar" ] || pack "$demo_root" "$demo_tar"

# What the test command installs, and every build of every stage configured.
check_root="$work/check"
if [ -f "$check_tar" ]; then
  rm -rf "$demo_root"
  unpack "$check_tar" "$check_root"
else
  echo "fresh-machine: the test command installs its packages into the root (cold cache)"
  rm -rf "$made/build" "$made/demo"
  mv "$demo_root" "$check_root"
fi
inside "$check_root" 'FENNROW_CHECK_CONFIGURE_ONLY=1 tools/check' > "$logs/check.log" 2>&1 || {
  grep -E 'missing|not found|Could NOT|Error|error:' "$logs/check.log" | head -n 20 >&2 || true
  tail -n 20 "$logs/check.log" >&2
  echo "fresh-machine: the test command's stages do not configure in a fresh root (whole log: $logs/check.log)" >&2
  exit 1
}
[ -f "$check_tar" ] || pack "$check_root" "$check_tar"
echo "fresh-machine: every stage configures with what tools/check installs ($(seconds) s in all)"
