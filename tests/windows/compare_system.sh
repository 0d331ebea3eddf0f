#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The system services (src/system) of the Linux and the Windows build,
# compared through system_dump:
# - code-page tables: every difference is listed, and the listing must be
#   the one known (tests/windows/code_page_differences.txt);
# - search tokens: the same for every character that text of a help file
#   can hold (every character of the code pages and the symbol fonts);
#   for the rest of Unicode the differing characters are counted by plane;
# - pictures: the synthetic bitmaps are pixel for pixel the same.
# Usage: tests/windows/compare_system.sh LINUX_SYSTEM_DUMP WINDOWS_SYSTEM_DUMP.exe SOURCE_DIR
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") src=$(realpath "$3")
wine_run=$src/tests/windows/wine.sh
export KORVANE_WINEPREFIX=${KORVANE_WINEPREFIX:-$(dirname "$windows")/../wine-prefix}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
both() {  # NAME ARGS...: the dump of each build into $work/NAME.linux and .windows (BUILD in ARGS: linux, windows)
  local name=$1
  shift
  "$linux" "$work/$name.linux" "${@//BUILD/linux}"
  "$wine_run" "$windows" "$work/$name.windows" "${@//BUILD/windows}" >"$work/wine.log" 2>&1
}

both code-pages code-pages
diff "$work/code-pages.linux" "$work/code-pages.windows" | grep '^[<>]' >"$work/cp.diff" || true
echo "Code-page tables: $(grep -c '^<' "$work/cp.diff") entries only on Linux or different, $(grep -c '^>' "$work/cp.diff") only on Windows"
awk '{ split($3, a, ""); k = $1 " " $2 " " (length($3) == 2 ? "byte" : "pair"); n[k]++ }
     END { for (k in n) print "  " k ": " n[k] }' "$work/cp.diff" | LC_ALL=C sort
if ! cmp -s "$work/cp.diff" <(xz -dc "$src/tests/windows/code_page_differences.txt.xz"); then
  echo "FAILED: the tables differ otherwise than known (tests/windows/code_page_differences.txt.xz)"
  failed=1
fi

both tokens tokens
# The characters that help-file text can hold: those of every code page on
# either build, and of the symbol fonts.
awk '$3 ~ /^U\+/ { print substr($3, 3) }' "$work/code-pages.linux" "$work/code-pages.windows" >"$work/text-characters"
"$linux" "$work/symbols" symbol-characters
awk '{ print $2 }' "$work/symbols" >>"$work/text-characters"
paste -d '\t' "$work/tokens.linux" "$work/tokens.windows" | awk -F '\t' -v list="$work/text-characters" '
  BEGIN { while ((getline c < list) > 0) text[c] = 1 }
  $1 != $2 { split($1, f, " "); c = f[1]
             if (c in text) { bad++; if (bad <= 20) print "  text character " $1 "  //  " $2 }
             else plane[length(c) <= 4 ? "0" : substr(c, 1, length(c) - 4)]++ }
  END { for (p in plane) printf "  other characters of plane %s (hex): %d differ\n", p, plane[p]
        print bad + 0 >"/dev/stderr" }' 2>"$work/bad" || true
if [ "$(cat "$work/bad")" != 0 ]; then
  echo "FAILED: $(cat "$work/bad") characters of help-file text give other search tokens"
  failed=1
fi

mkdir -p "$work/pictures-linux" "$work/pictures-windows"
both pictures pictures "$work/pictures-BUILD"
# Both fail for the same pictures (the reasons are worded by each system).
if ! diff <(sed 's/ failed: .*/ failed/' "$work/pictures.linux") <(sed 's/ failed: .*/ failed/' "$work/pictures.windows"); then
  echo "FAILED: pictures of other sizes, or failing on one build only"
  failed=1
fi
for f in "$work"/pictures-linux/*.png; do
  ae=$(compare -metric AE "$f" "$work/pictures-windows/${f##*/}" null: 2>&1 || true)
  [ "$ae" = 0 ] || { echo "FAILED: bitmap ${f##*/}: $ae pixels differ"; failed=1; }
done
exit "$failed"
