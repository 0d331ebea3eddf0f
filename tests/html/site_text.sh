#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The words of every topic page equal the RTF conversion's (site_text.py),
# for every corpus help file and the code-page seeds: Japanese text as the
# file records it, and a file read as Cyrillic by the user's choice.
set -euo pipefail
cli="$1"
source_dir="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
n=0
check() {
  n=$((n + 1))
  if ! python3 "$source_dir/tests/html/site_text.py" "$cli" "$1" "$work/$n" ${2:+"$2"}; then failed=1; fi
}
while IFS= read -r -d '' file; do
  check "$file"
done < <(find "$source_dir/tests/corpus" -iname '*.hlp' ! -path '*/not-winhelp/*' -print0 | sort -z)
check "$source_dir/fuzz/seeds/codepage-japanese.hlp" 932
check "$source_dir/fuzz/seeds/codepage-western.hlp" 1251
check "$source_dir/fuzz/seeds/version30.hlp"
check "$source_dir/fuzz/seeds/table-types.hlp"
exit "$failed"
