#!/usr/bin/env bash
# The Windows installer of a build, under Wine, in a Wine prefix of its own
# made afresh: check-windows-installer.sh BUILD_DIR
#
#   just for me   the previous version's installer (the same script, a lower
#                 version, a payload marked as older), then this one over it:
#                 one entry in "Apps and features", this version's files in
#                 %LOCALAPPDATA%\Programs\Common\CLAP and ...\VST3, which the
#                 test hosts load and play from there; the preset folder made
#                 empty, then a preset in it kept through everything. The same
#                 version again with /CLAP only repairs a deleted file and
#                 takes the VST3 plugin away. Its uninstaller leaves the
#                 machine as it found it, but for the preset folder.
#   everyone      /ALLUSERS: the entry in HKLM, the plugins in
#                 %COMMONPROGRAMFILES%\CLAP and \VST3, loaded from there; its
#                 uninstaller leaves the machine as it found it. Then the same
#                 by a user without administrator rights: Wine's user always
#                 has them, so a copy of the installer is built whose
#                 administrator check answers no, and the installer and the
#                 uninstaller each hand over to an elevated run of themselves.
set -euo pipefail
build=$(cd "${1:?usage: check-windows-installer.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fail() { echo "installer: $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
installer="$build/fennrow-$version-windows-x64-setup.exe"
payload="$build/installer"
hosts="$build/fennrow_installed_plugins.exe"
for file in "$installer" "$payload/fennrow.clap" "$payload/fennrow.vst3" "$hosts"; do
  [ -f "$file" ] || fail "no $file (build the installer and fennrow_installed_plugins first)"
done

work=$(mktemp -d "$build/installer-check.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
start=$(date +%s)

# The previous version: the same script, a lower version number, and plugins
# that differ from this build's, so that an upgrade that kept them shows.
IFS=. read -r major minor patch <<<"$version"
if [ "$patch" -gt 0 ]; then previous="$major.$minor.$((patch - 1))"; else previous=0.0.0; fi
mkdir "$work/previous"
for module in fennrow.clap fennrow.vst3; do
  cp "$payload/$module" "$work/previous/$module"
  printf 'fennrow %s' "$previous" >>"$work/previous/$module"
done
old_installer="$work/fennrow-$previous-windows-x64-setup.exe"
makensis -V1 -WX "-DVERSION=$previous" "-DCLAP_MODULE=$work/previous/fennrow.clap" \
  "-DVST3_MODULE=$work/previous/fennrow.vst3" "-DOUTFILE=$old_installer" \
  "$source_dir/cmake/package/windows-installer.nsi" >/dev/null
# This version, as a user without administrator rights runs it.
script="$source_dir/cmake/package/windows-installer.nsi"
admin_check='^  UserInfo::GetAccountType$'
[ "$(grep -c "$admin_check" "$script")" = 1 ] || fail "no single administrator check in $script to answer no"
sed "s/$admin_check/  Push \"User\"/" "$script" >"$work/no-admin.nsi"
no_admin_installer="$work/fennrow-$version-no-admin-setup.exe"
makensis -V1 -WX "-DVERSION=$version" "-DCLAP_MODULE=$payload/fennrow.clap" "-DVST3_MODULE=$payload/fennrow.vst3" \
  "-DOUTFILE=$no_admin_installer" "$work/no-admin.nsi" >/dev/null

# One Wine server for the whole check, started before the prefix is made.
mkdir "$WINEPREFIX"
wineserver -p
wine wineboot -i </dev/null >/dev/null 2>&1
echo "installer: a fresh Wine prefix ($(( $(date +%s) - start )) s)"

# Windows' view of things, without the carriage returns.
win_env() { wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null; }
reg_value() { wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
reg_has() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
entries() { wine reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" </dev/null 2>/dev/null |
            tr -d '\r' | grep -ci '\\fennrow$' || true; }
# Everything under C:\ but Windows itself and the temporary folders.
snapshot() { (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -path '*/Temp' -prune -o -print | sort); }
run_installer() { wine "$@" </dev/null >/dev/null 2>&1 || fail "$(basename "$1") ${*:2} failed ($?)"; }

local_app_data=$(win_env LOCALAPPDATA)
common_files=$(win_env COMMONPROGRAMFILES)
presets_unix=$(unix_path "$(win_env APPDATA)\\Tamber\\Presets\\fennrow")
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\fennrow'
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\fennrow'

# check_entry KEY VERSION: the entry "Apps and features" shows.
check_entry() {
  [ "$(reg_value "$1" DisplayName)" = fennrow ] || fail "$1: DisplayName $(reg_value "$1" DisplayName)"
  [ "$(reg_value "$1" Publisher)" = Brightmoss ] || fail "$1: Publisher $(reg_value "$1" Publisher)"
  [ "$(reg_value "$1" DisplayVersion)" = "$2" ] || fail "$1: DisplayVersion $(reg_value "$1" DisplayVersion), not $2"
  local size=$(( $(reg_value "$1" EstimatedSize) ))
  local least=$(( $(stat -c %s "$payload/fennrow.clap") / 1024 ))
  [ "$size" -gt "$least" ] || fail "$1: EstimatedSize $size KiB"
}

# check_installed CLAP_FOLDER VST3_FOLDER FORMATS: the plugins of this build
# are where hosts look (those of FORMATS only), and the test hosts play them.
check_installed() {
  local clap="$1\\fennrow.clap" vst3="$2\\fennrow.vst3\\Contents\\x86_64-win\\fennrow.vst3" options=()
  if [[ "$3" == *clap* ]]; then
    cmp -s "$(unix_path "$clap")" "$payload/fennrow.clap" || fail "$clap is not this build's plugin"
    options+=(--clap "$clap")
  else
    [ ! -e "$(unix_path "$clap")" ] || fail "$clap is there"
  fi
  if [[ "$3" == *vst3* ]]; then
    cmp -s "$(unix_path "$vst3")" "$payload/fennrow.vst3" || fail "$vst3 is not this build's plugin"
    options+=(--vst3 "$vst3")
  else
    [ ! -e "$(unix_path "$2\\fennrow.vst3")" ] || fail "$2\\fennrow.vst3 is there"
  fi
  wine "$hosts" --gtest_brief=1 "${options[@]}" </dev/null >"$work/hosts.log" 2>&1 || {
    cat "$work/hosts.log" >&2
    fail "the test hosts did not play the plugins installed in $1 and $2"
  }
}

# uninstall KEY: the entry's own quiet uninstall command, waited for (the
# uninstaller hands over to a copy of itself and returns at once).
uninstall() {
  local command program arguments
  command=$(reg_value "$1" QuietUninstallString)
  [[ "$command" =~ ^\"([^\"]+)\"\ (.*)$ ]] || fail "$1: QuietUninstallString $command"
  program=${BASH_REMATCH[1]}
  read -ra arguments <<<"${BASH_REMATCH[2]}"
  wine "$program" "${arguments[@]}" </dev/null >/dev/null 2>&1 || fail "$command failed"
  for _ in $(seq 120); do
    reg_has "$1" || [ -e "$(unix_path "$program")" ] || return 0
    sleep 0.5
  done
  fail "$command did not finish within a minute"
}

# Just for me: the previous version, then this one over it.
before=$(snapshot)
run_installer "$old_installer" /S
check_entry "$user_key" "$previous"
[ -d "$presets_unix" ] && [ -z "$(ls -A "$presets_unix")" ] || fail "no empty preset folder at $presets_unix"
printf '{"my": "own sound"}\n' >"$presets_unix/My Bass.json"
run_installer "$installer" /S
[ "$(entries HKCU)" = 1 ] || fail "$(entries HKCU) entries for fennrow in HKCU after the upgrade"
check_entry "$user_key" "$version"
user_clap="$local_app_data\\Programs\\Common\\CLAP"
user_vst3="$local_app_data\\Programs\\Common\\VST3"
check_installed "$user_clap" "$user_vst3" clap+vst3
echo "installer: just for me, $version over $previous: one entry, the plugins play from $user_clap and $user_vst3"

# The same version again, the CLAP plugin only: a deleted file comes back.
rm "$(unix_path "$user_clap\\fennrow.clap")"
run_installer "$installer" /S /CURRENTUSER /CLAP
[ "$(entries HKCU)" = 1 ] || fail "$(entries HKCU) entries for fennrow in HKCU after the repair"
check_installed "$user_clap" "$user_vst3" clap
uninstall "$user_key"
! reg_has 'HKCU\Software\Brightmoss' || fail "HKCU\\Software\\Brightmoss is left after uninstalling"
[ "$(cat "$presets_unix/My Bass.json")" = '{"my": "own sound"}' ] || fail "the user preset changed"
# Nothing changed under C:\ but the preset folder that the install made.
changes=$(diff <(echo "$before") <(snapshot) | grep '^[<>]' || true)
unexpected=$(grep -v '^> \./users/[^/]*/AppData/Roaming/Tamber\(/Presets\(/fennrow\(/My Bass\.json\)\?\)\?\)\?$' \
             <<<"$changes" || true)
[ -z "$unexpected" ] || fail "uninstalling just for me changed more than the preset folder: $unexpected"
echo "installer: repaired with /CLAP only, then uninstalled: all gone but the preset folder and its preset"

# Everyone.
before=$(snapshot)
run_installer "$installer" /S /ALLUSERS
[ "$(entries HKLM)" = 1 ] && [ "$(entries HKCU)" = 0 ] || fail "entries: $(entries HKLM) in HKLM, $(entries HKCU) in HKCU"
check_entry "$machine_key" "$version"
check_installed "$common_files\\CLAP" "$common_files\\VST3" clap+vst3
uninstall "$machine_key"
! reg_has 'HKLM\Software\Brightmoss' || fail "HKLM\\Software\\Brightmoss is left after uninstalling"
[ "$before" = "$(snapshot)" ] || fail "uninstalling for everyone left: $(diff <(echo "$before") <(snapshot))"
echo "installer: for everyone: the entry in HKLM, the plugins play from $common_files; uninstalled, all gone"

# Everyone, without administrator rights: both hand over to an elevated run.
run_installer "$no_admin_installer" /S /ALLUSERS
[ "$(entries HKLM)" = 1 ] && [ "$(entries HKCU)" = 0 ] || fail "entries: $(entries HKLM) in HKLM, $(entries HKCU) in HKCU"
check_entry "$machine_key" "$version"
check_installed "$common_files\\CLAP" "$common_files\\VST3" clap+vst3
uninstall "$machine_key"
[ "$before" = "$(snapshot)" ] || fail "uninstalling for everyone left: $(diff <(echo "$before") <(snapshot))"
echo "installer: for everyone, run without administrator rights: the elevated runs installed and uninstalled it"
echo "installer: checked in $(( $(date +%s) - start )) s"
