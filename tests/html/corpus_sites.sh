#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every corpus help file as a web site, all into one folder (so that jumps
# between them resolve), each site checked by check_site.sh: every local
# link and anchor resolves, every picture decodes, tidy finds no error and
# headless chromium loads every page without an error, every popup opening
# in place, every run of spaces as wide as its spaces. The Abbrevia read-me
# (a folder tree drawn with spaces) and the message dialog's help (indented
# code) must have such runs measured.
set -euo pipefail
cli="$1"
source_dir="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
files=()
while IFS= read -r -d '' file; do files+=("$file"); done \
  < <(find "$source_dir/tests/corpus" -iname '*.hlp' ! -path '*/not-winhelp/*' -print0 | sort -z)
"$cli" -q --html -C "$work" "${files[@]}"
failed=0
for site in "$work"/*/; do
  out="$(bash "$source_dir/tests/html/check_site.sh" "$site")" || failed=1
  echo "$out"
  case "$(basename "$site")" in
    readme | pjmessagedialog)
      grep -Eq '^check_site: .* [1-9][0-9]* space runs measured' <<<"$out" \
        || { echo "$site: no run of spaces measured"; failed=1; } ;;
  esac
done
exit "$failed"
