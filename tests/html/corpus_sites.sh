#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every corpus help file as a web site, all into one folder (so that jumps
# between them resolve), each site checked by check_site.sh: every local
# link and anchor resolves, every picture decodes, tidy finds no error and
# headless chromium loads every page without an error, every popup opening
# in place.
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
  bash "$source_dir/tests/html/check_site.sh" "$site" || failed=1
done
exit "$failed"
