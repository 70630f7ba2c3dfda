#!/usr/bin/env bash
# fennrow.vst3 in a real DAW: Ardour (which loads VST3 and no CLAP), headless.
# ardour7-lua makes sessions with the dummy backend, a MIDI track with
# fennrow.vst3 as its instrument in each, one for each part of a short song:
# a bass line, Tone automation, a factory program chosen in Ardour's preset
# menu and a preset saved through Ardour and loaded again, these two beside
# the same values set as parameters (tests/extra/daw). ardour7-export renders
# each saved session; the exports must hold the notes at pitch and each sound
# where it belongs. Then the sessions of the program and the preset are
# opened and saved again, and their exports must sound the same.
#
# Ardour's own faults met on this kind of machine decide the steps: exports
# are made with ardour7-export from the saved session (an export from inside
# ardour7-lua can abort with heap corruption), tracks are made with strict
# I/O off (on, new_midi_track can abort with "Port already exists"), and an
# Ardour program that dies by a signal is run again, up to three times. A
# step that does not finish in time fails at once: a plugin that hangs the
# host must fail this stage, never stall it. The checks on the audio never
# run twice.
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=daw
need_commands ardour7-lua:ardour ardour7-export:ardour gdb:gdb
scanner=/usr/lib/ardour7/ardour-vst3-scanner
[ -x "$scanner" ] || { echo "daw: missing $scanner (Debian package ardour)" >&2; exit 1; }
# Debian's python3, the one Debian's numpy is for (not another on the PATH).
python=/usr/bin/python3
"$python" -c 'import numpy' 2>/dev/null || { echo "daw: missing numpy (Debian package python3-numpy)" >&2; exit 1; }
cmake --preset release >/dev/null
configure_only && exit 0
cmake --build build/release --target fennrow_vst3_module

here=tests/extra/daw
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "daw: $*" >&2; exit 1; }

# Ardour keeps its settings, plugin cache and presets under HOME: a throwaway
# one, with no XDG folders elsewhere. It finds the plugin in VST3_PATH once
# its scanner has listed it.
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME
export VST3_PATH="$work/vst3"
mkdir -p "$HOME" "$VST3_PATH"
cp -r build/release/fennrow.vst3 "$VST3_PATH/"
# Ardour trusts its scanner's entry only when the entry is newer than the
# module, at whole seconds; a module copied in the same second would be
# dropped as changed since.
find "$VST3_PATH" -exec touch -d "2 seconds ago" {} +
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 "$scanner" -q "$VST3_PATH/fennrow.vst3" ||
  fail "Ardour's VST3 scanner refused fennrow.vst3"

# ardour WHAT SECONDS OUTPUT COMMAND...: runs an Ardour program that makes
# OUTPUT (removed before each try), up to three times. A death by a signal is
# Ardour's (ardour7-export can abort with heap corruption once its file is
# written), and so is a hang whose threads are all in Ardour's own code
# (ardour7-export can wait for its butler forever before the first block):
# both are tried again. A hang with a thread waiting inside a call to fennrow
# fails at once, and so does any other failure.
ardour() {
  local what=$1 limit=$2 output=$3 status attempt pid start
  shift 3
  for attempt in 1 2 3; do
    rm -rf "$output"
    start=${EPOCHREALTIME/./}
    "$@" >"$work/ardour.log" 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null && [ $((${EPOCHREALTIME/./} - start)) -lt $((limit * 1000000)) ]; do
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      gdb -p "$pid" -batch -ex "thread apply all bt" >"$work/hang.txt" 2>&1 || true
      kill -9 "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      # A thread that waits (its innermost frame a system call or a wait) with
      # fennrow further out is fennrow's hang; fennrow merely computing on a
      # thread of a stuck Ardour is not.
      if ! grep -q "^Thread " "$work/hang.txt" ||
        awk '/^Thread /{top=""} /^#0 /{top=$0} /fennrow/ && top ~ /syscall|futex|_wait|poll|sleep|lll_lock/ && top !~ /fennrow/ {found=1} END {exit !found}' "$work/hang.txt"; then
        grep -B4 -A20 "fennrow" "$work/hang.txt" | head -n 60 >&2 || tail -n 20 "$work/hang.txt" >&2
        fail "$what: Ardour hung (no end within $limit s), waiting inside a call to fennrow"
      fi
      echo "daw: $what: Ardour hung in its own code (try $attempt of 3):" \
        "$(grep -m1 -o 'ARDOUR::[A-Za-z_:]*wait[A-Za-z_]*' "$work/hang.txt" || echo "see its threads")" >&2
      continue
    fi
    status=0
    wait "$pid" || status=$?
    if [ "$status" -eq 0 ] && [ -e "$output" ]; then
      local tenths=$(((${EPOCHREALTIME/./} - start) / 100000))
      echo "daw: $what: $((tenths / 10)).$((tenths % 10)) s"
      return 0
    fi
    if [ "$status" -gt 128 ]; then
      echo "daw: $what: Ardour died by signal $((status - 128)) (try $attempt of 3)" >&2
      continue
    fi
    tail -n 20 "$work/ardour.log" >&2
    fail "$what: exit status $status, $output $([ -e "$output" ] || echo "not ")made"
  done
  tail -n 20 "$work/ardour.log" >&2
  fail "$what: Ardour failed three times"
}

# One session a part (see daw_check.py): made and exported. The parts whose
# sound comes from a state loaded into fennrow (a program, a preset) are then
# reopened and saved again as another snapshot, which is exported too. (Not
# the automated part: the value its lane leaves in the saved state depends on
# when Ardour's engine last ran, so its first block may glide differently.)
mkdir -p "$work/plans" "$work/sessions" "$work/first" "$work/reopened"
parts=$("$python" "$here/daw_check.py" plan "$work/plans")
for part in $parts; do
  session="$work/sessions/$part"
  ardour "$part: making the session" 60 "$session/$part.ardour" \
    ardour7-lua "$here/make_session.lua" "$session" "$part" "$work/plans/$part.plan"
  grep '^make_session:' "$work/ardour.log" || true
  "$python" "$here/daw_check.py" session-range "$session/$part.ardour"
  ardour "$part: exporting the session" 60 "$work/first/$part.wav" \
    ardour7-export -b float -o "$work/first/$part.wav" "$session" "$part"
done
"$python" "$here/daw_check.py" analyse "$work/first"

for part in Program Preset; do
  session="$work/sessions/$part"
  ardour "$part: reopening and saving the session" 60 "$session/reopened.ardour" \
    ardour7-lua "$here/resave_session.lua" "$session" "$part" reopened
  ardour "$part: exporting the reopened session" 60 "$work/reopened/$part.wav" \
    ardour7-export -b float -o "$work/reopened/$part.wav" "$session" reopened
done
"$python" "$here/daw_check.py" same "$work/first" "$work/reopened" Program Preset
echo "daw: Ardour $(ardour7-lua --version 2>/dev/null | head -n 1 | tr -s ' ') played fennrow.vst3 as it should"
