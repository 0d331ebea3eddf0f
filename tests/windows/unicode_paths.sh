#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# korvane-cli.exe under Wine converts a help file whose name holds Japanese
# and accented letters into a folder whose name holds them too, in source
# mode and as a web site, and names the file in its messages as given.
# Usage: tests/windows/unicode_paths.sh KORVANE_CLI.exe SOURCE_DIR
set -euo pipefail
cli=$(realpath "$1") src=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
name='ヘルプ_Größe_été'
cp "$src/tests/corpus/leakybin/LEAKYBIN.HLP" "$work/$name.hlp"
cd "$work"
rc=0
"$src/tests/windows/wine.sh" "$cli" -C "出力_Ausgabe/élève" "$name.hlp" >out.txt 2>err.txt || rc=$?
[ "$rc" = 0 ] || { echo "exit $rc"; cat err.txt; exit 1; }
grep -qx "$name.hlp (flags 0x38)" err.txt || { echo "the file is not named as given:"; cat err.txt; exit 1; }
[ -f "出力_Ausgabe/élève/$name.HPJ" ] && compgen -G "出力_Ausgabe/élève/ヘルプ*.RTF" >/dev/null ||
  { echo "no project and topic file in the folder:"; find . | head; exit 1; }
"$src/tests/windows/wine.sh" "$cli" -q --html -C "サイト" "$name.hlp" >out.txt 2>err.txt || { cat err.txt; exit 1; }
site=$(find "サイト" -name index.html | head -1)
[ -n "$site" ] || { echo "no site:"; find . | head; exit 1; }
# A missing file with such a name: the message and exit code of Linux.
rc=0
"$src/tests/windows/wine.sh" "$cli" "無い_ñ.hlp" >out.txt 2>err.txt || rc=$?
expected="korvane-cli: 無い_ñ.hlp: Can't open File 無い_ñ.hlp: No such file or directory"
[ "$rc" = 1 ] && grep -qxF "$expected" err.txt || { echo "exit $rc, messages:"; cat err.txt; exit 1; }
echo "1 passed, 0 failed"
