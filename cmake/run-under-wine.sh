#!/bin/sh
# Runs a Windows program of the cross build under Wine: run-under-wine
# PROGRAM [ARGS...]. The build copies this script into its folder; the Wine
# prefix beside it belongs to that build and is made on first use. A
# wineserver kept alive between programs (a minute after the last) saves each
# test the seconds Wine needs to start.
set -e
prefix="$(cd "$(dirname "$0")" && pwd)/wineprefix"
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# Non-ASCII file names need a UTF-8 locale; no .NET or HTML engine is wanted.
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
(
  flock 9
  # Wine's background processes (services, devices) start with the first
  # program and live as long as the server: started here, with nothing of
  # the caller's open, so that no test's output pipe is held by them.
  # A prefix is made once; one whose making was cut short (no kernel32.dll,
  # which every program needs) is made again from nothing, twice at most.
  for attempt in 1 2; do
    [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] && break
    wineserver -k </dev/null >/dev/null 2>&1 9>&- || true
    rm -rf "$prefix"
    wine wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
  done
  if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then
    wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"
exec wine "$@"
