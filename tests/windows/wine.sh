#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine in the test prefix:
#   tests/windows/wine.sh PROGRAM.exe [ARGS...]     (runs it; its exit code)
#   tests/windows/wine.sh --start                   (makes the prefix, starts its server)
#   tests/windows/wine.sh --stop                    (ends the prefix's server)
# The prefix is $KORVANE_WINEPREFIX, else wine-prefix in the current folder's
# build (the folder above tests/, where ctest runs). A new prefix has TEMP
# and TMP taken out of its environment: Windows always sets them, and print
# mode would put its pictures there instead of beside the RTF, as the Linux
# build does without TEMP. The server and Wine's own services are started
# with their output in a file: started from a test they would hold its pipes
# open until they end.
set -euo pipefail
export WINEPREFIX=${KORVANE_WINEPREFIX:-$PWD/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64 WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY
log=$WINEPREFIX.log

start() {
  if [ ! -f "$WINEPREFIX/.korvane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot --init >>"$log" 2>&1 </dev/null
    for key in 'HKCU\Environment' 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment'; do
      for v in TEMP TMP; do wine reg delete "$key" /v "$v" /f >>"$log" 2>&1 </dev/null || true; done
    done
    wineserver -w
    touch "$WINEPREFIX/.korvane-ready"
  fi
  # A server that stays until --stop, with the services running.
  wineserver -p >>"$log" 2>&1 </dev/null || true
  wine wineboot >>"$log" 2>&1 </dev/null
}

case "${1:-}" in
  --start) start ;;
  --stop) wineserver -k 2>/dev/null || true ;;
  "") echo "usage: $0 PROGRAM.exe [ARGS...] | --start | --stop" >&2; exit 2 ;;
  *)
    [ -f "$WINEPREFIX/.korvane-ready" ] || start
    exec wine "$@"
    ;;
esac
