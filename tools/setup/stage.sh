# What every stage of tools/check shares. Sourced by the stage scripts in
# tools/check.d, from the repository's root.
#
# FENNROW_CHECK_CONFIGURE_ONLY=1 makes a stage stop once it has found its
# programs and configured its builds: the fresh-machine stage runs every stage
# that way in a new Debian root, where a package missing from a list shows.

# configure_only: true when the stage is to stop after configuring.
configure_only() { [ "${FENNROW_CHECK_CONFIGURE_ONLY:-0}" = 1 ]; }

# need_commands COMMAND:PACKAGE...: fails, naming the Debian package to add to
# the stage's .packages list, when a program the stage runs is missing. A test
# that skips itself when its program is missing would otherwise pass unseen.
need_commands() {
  local pair command package missing=()
  for pair in "$@"; do
    command=${pair%%:*}
    package=${pair#*:}
    command -v "$command" >/dev/null 2>&1 || missing+=("$command (Debian package $package)")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  printf '%s: missing %s\n' "${FENNROW_STAGE:-stage}" "${missing[@]}" >&2
  return 1
}
