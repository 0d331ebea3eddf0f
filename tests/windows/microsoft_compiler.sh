#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# korvane-cli.exe --chm compiles with HTML Help Workshop's hhc.exe when it is
# on the search path: a stand-in (fake_hhc.cpp) must be run in the project's
# folder on NAME.hhp, its exit code 1 taken for a compile and 0 for a
# failure (a fatal message naming its log, exit 1, no NAME.chm).
# Usage: microsoft_compiler.sh KORVANE_CLI.exe FAKE_HHC.exe SOURCE_DIR
set -euo pipefail
cli=$(realpath "$1") fake=$(realpath "$2") src=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$fake" "$work/bin/hhc.exe"
cp "$src/tests/corpus/leakybin/LEAKYBIN.HLP" "$work/"
cd "$work"
export WINEPATH='Z:'"${work//\//\\}"'\bin'
rc=0
"$src/tests/windows/wine.sh" "$cli" -q --chm LEAKYBIN.HLP >out.txt 2>err.txt || rc=$?
[ "$rc" = 0 ] || { echo "exit $rc:"; cat err.txt; exit 1; }
grep -qx 'stand-in compiled leakybin.hhp' leakybin.chm || { echo "leakybin.chm:"; cat leakybin.chm; exit 1; }
[ ! -e leakybin-chm/hhc.log ] || { echo "the log of a compile stayed"; exit 1; }
rc=0
KORVANE_FAKE_HHC=fail "$src/tests/windows/wine.sh" "$cli" -q --chm LEAKYBIN.HLP >out.txt 2>err.txt || rc=$?
[ "$rc" = 1 ] && [ ! -e leakybin.chm ] && grep -q 'hhc.log' err.txt && grep -q 'failing as asked' leakybin-chm/hhc.log ||
  { echo "a failed compile: exit $rc"; cat err.txt; ls; exit 1; }
echo "2 passed, 0 failed"
