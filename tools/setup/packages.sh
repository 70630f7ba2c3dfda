# Installs the Debian packages a command needs and this machine lacks.
# Sourced by tools/check and tools/demo; uses sudo when not root.

# ensure_packages FILE...: every package named in the files (one or more per
# line, # starts a comment) that dpkg does not list as installed.
ensure_packages() {
  local wanted=() missing=() p
  for file in "$@"; do
    [ -f "$file" ] || continue
    # The test after read keeps a last line that has no line feed.
    while read -r -a words || [ ${#words[@]} -gt 0 ]; do
      for p in "${words[@]}"; do
        [ "${p:0:1}" = "#" ] && break
        wanted+=("$p")
      done
    done < "$file"
  done
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "Installing Debian packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "These Debian packages are missing and this user cannot install them:" >&2
      echo "  ${missing[*]}" >&2
      echo "Install them as root (apt-get install ...) and run the command again." >&2
      return 1
    fi
  fi
  if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
     ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
         apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    echo "Could not install: ${missing[*]}" >&2
    echo "Install them with apt-get and run the command again." >&2
    return 1
  fi
}
