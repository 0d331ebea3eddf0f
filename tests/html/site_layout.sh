#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The corpus sites laid out as the help viewer showed their topics
# (check_layout.py against each file's RTF sources and project file): help
# files with tab-stop lists, non-scrolling regions, window colours, popups
# and pictures, and one that halibut writes with bulleted, numbered and
# nested lists. Prints each file's figures and in how many paragraphs in all
# the text after a tab stands at its stop.
# Usage: site_layout.sh KORVANE_CLI SOURCE_DIR
set -uo pipefail
cli="$1"
corpus="$2/tests/corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0 aligned=0 probed=0

check() {
  local out="$work/out-$(basename "$1")"
  mkdir -p "$out/source" "$out/site"
  "$cli" -q -C "$out/source" "$1" && "$cli" -q --html -C "$out/site" "$1" || failed=1
  local report
  report="$(python3 "$2/tests/html/check_layout.py" "$out/site/"* "$out/source" 2>&1)" || failed=1
  printf '== %s\n%s\n' "$1" "$report"
  local figures=($(sed -n 's/^check_layout: tabs: \([0-9]*\) of \([0-9]*\) .*/\1 \2/p' <<<"$report"))
  [ ${#figures[@]} -eq 2 ] || failed=1
  aligned=$((aligned + ${figures[0]:-0})) probed=$((probed + ${figures[1]:-0}))
}

for file in abbrevia-readme/README.HLP verinfo/verinfo.hlp 3dmm/MM.HLP onguard/onguard.hlp \
            msgdlg/PJMessageDialog.hlp winfile/winfile.hlp teraterm/ttermp.hlp; do
  check "$corpus/$file" "$2"
done

printf '%s\n\n' '\title Lists' '\C{lists} Lists' '\b A bulleted item' \
  '\b A second bulleted item, long enough to wrap onto a second line under the first line of its text.' \
  '\lcont{' '\n A numbered item in the bullet' '\n A second one' '}' '\H{more} More' \
  '\n One' '\n Two' '\n Three' '\n Four' '\n Five' '\n Six' '\n Seven' '\n Eight' '\n Nine' '\n Ten' >"$work/lists.but"
(cd "$work" && halibut --winhelp=LISTS.HLP lists.but) || failed=1
check "$work/LISTS.HLP" "$2"

echo "site_layout: text after a tab at its stop in $aligned of $probed paragraphs"
[ "$probed" -gt 0 ] || failed=1
exit "$failed"
