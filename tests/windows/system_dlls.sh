#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows programs load no DLL beyond Windows' own: every DLL their
# import tables name is one of the system's.
# Usage: system_dlls.sh OBJDUMP PROGRAM.exe...
set -euo pipefail
objdump=$1; shift
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll windowscodecs.dll "
status=0
for program in "$@"; do
  names=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$names" ] || { echo "$program: no import table read" >&2; status=1; }
  for dll in $names; do
    case "$allowed" in
      *" $dll "*) ;;
      *) echo "$program: imports $dll, not a DLL of Windows" >&2; status=1 ;;
    esac
  done
  echo "$(basename "$program"): $(echo $names)"
done
exit $status
