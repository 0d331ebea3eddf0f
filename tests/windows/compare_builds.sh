#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Converts help files with the Linux and the Windows build (under Wine) and
# compares what they write: the exit codes and messages, the names of the
# files, every file's bytes; PNG pictures that differ in bytes must have
# the same pixels (ImageMagick's compare), except the pictures drawn from
# metafiles (GDI draws them, not ImageMagick), which must have the same size
# and are listed with the share of pixels that differ.
# Usage: tests/windows/compare_builds.sh LINUX_CLI WINDOWS_CLI.exe SOURCE_DIR [WORK_DIR]
# Inputs: every help file of tests/corpus and fuzz/seeds, in the modes
# default, --print and --html, each mode one batch per build; then the
# hostile files of the fuzzing campaign's corpus (fuzz/seeds/*.tar.xz) in
# the default and --html modes: there only a crash fails, the differences
# are counted (damaged files name outputs in ways Windows refuses). Exits 1
# when anything else differs but metafile drawing.
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") src=$(realpath "$3")
work=${4:-$(mktemp -d)}
[ -n "${4:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"
work=$(realpath "$work")
wine_run=$src/tests/windows/wine.sh
export KORVANE_WINEPREFIX=${KORVANE_WINEPREFIX:-$(dirname "$windows")/wine-prefix}
unset TEMP
"$wine_run" --start

failures=0
fail() { echo "DIFFERENT: $*"; failures=$((failures + 1)); }

# run NAME ARGS...: one batch of each build into work/BUILD/NAME, its exit
# code and output beside it (appended to: Windows takes command lines of at
# most 32767 characters, so long lists go in several batches).
run() {
  local name=$1 build out rc
  shift
  for build in linux windows; do
    out=$work/$build/$name rc=0
    mkdir -p "$out"
    if [ $build = linux ]; then
      (cd "$out" && "$linux" "$@" >>"$out.stdout" 2>>"$out.stderr") || rc=$?
      # libwmf, which ImageMagick draws metafiles with, tells of damaged
      # records on stdout.
      sed -i -E '/^(maximum )?record size = [0-9]+$/d' "$out.stdout"
    else
      (cd "$out" && "$wine_run" "$windows" "$@" >>"$out.stdout" 2>>"$out.stderr") || rc=$?
    fi
    echo "$rc" >>"$out.exit"
  done
}

# compare_trees NAME: work/linux/NAME against work/windows/NAME.
compare_trees() {
  local name=$1 l=$work/linux/$1 w=$work/windows/$1 f ae size_l size_w
  for part in exit stdout stderr; do
    cmp -s "$l.$part" "$w.$part" || { fail "$name: $part"; diff "$l.$part" "$w.$part" | head -20 || true; }
  done
  diff <(cd "$l" && find . -type f | LC_ALL=C sort) <(cd "$w" && find . -type f | LC_ALL=C sort) | head -20 ||
    fail "$name: the files written"
  while IFS= read -r f; do
    [ -f "$w/$f" ] && ! cmp -s "$l/$f" "$w/$f" || continue
    [[ ${f,,} == *.png ]] || { fail "$name: $f differs"; continue; }
    size_l=$(identify -format '%wx%h' "$l/$f") size_w=$(identify -format '%wx%h' "$w/$f")
    ae=$(compare -metric AE "$l/$f" "$w/$f" null: 2>&1 || true)
    if [ "$size_l" != "$size_w" ]; then
      fail "$name: $f is $size_l on Linux, $size_w on Windows"
    elif [ "$ae" != 0 ] && [ -n "$(find "$work/linux" -maxdepth 4 -iname "$(basename "$f" .png)*.wmf" -print -quit)" ]; then
      # A picture of a metafile: the source mode wrote bmN*.WMF for it.
      echo "metafile drawn differently: $name $f $size_l: $ae pixels of $((${size_l%x*} * ${size_l#*x})) differ" >>"$work/metafiles.txt"
    elif [ "$ae" != 0 ]; then
      fail "$name: $f: $ae pixels differ"
    fi
  done < <(cd "$l" && find . -type f | LC_ALL=C sort)
}

cd "$src"
rm -rf "$work/linux" "$work/windows" "$work/metafiles.txt"
touch "$work/metafiles.txt"
mapfile -t inputs < <( (find tests/corpus -iname '*.hlp'; ls fuzz/seeds/*.hlp) | LC_ALL=C sort)
for mode in default --print --html; do
  run "files${mode//-/_}" $([ $mode = default ] || echo $mode) -C out "${inputs[@]/#/$src/}"
  compare_trees "files${mode//-/_}"
done

# The hostile files, unpacked once.
if [ ! -d "$work/hostile" ]; then
  mkdir -p "$work/hostile"
  for packed in fuzz/seeds/*.tar.xz; do tar -C "$work/hostile" -xJf "$packed"; done
fi
mapfile -t hostile < <(find "$work/hostile" -type f | LC_ALL=C sort)
for mode in default --html; do
  name=hostile${mode//-/_}
  for ((i = 0; i < ${#hostile[@]}; i += 300)); do
    run "$name" $([ $mode = default ] || echo $mode) -q -C out "${hostile[@]:i:300}"
  done
  # No crash: every batch ended with 0 or 1 on both builds.
  if grep -qvx '[01]' "$work/linux/$name.exit" "$work/windows/$name.exit"; then
    fail "$name: a batch ended otherwise than with 0 or 1"
  fi
  # Names that Windows cannot give a file (characters such as : * ? or a
  # device name, taken from damaged internal files) make the rest differ:
  # those differences are counted, not failed.
  before=$failures
  compare_trees "$name" >"$work/$name.differences"
  echo "$name: $((failures - before)) kinds of difference (names Windows refuses); $(grep -c '' "$work/$name.differences") lines in $work/$name.differences"
  failures=$before
done
"$wine_run" --stop

echo "${#inputs[@]} help files in 3 modes, ${#hostile[@]} hostile files in 2 modes"
if [ -s "$work/metafiles.txt" ]; then
  echo "Pictures of metafiles (GDI against ImageMagick, the same size):"
  cat "$work/metafiles.txt"
fi
if [ "$failures" -gt 0 ]; then
  echo "$failures differences between the builds"
  exit 1
fi
echo "The builds wrote the same"
