#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Converts every checked-in help file in each mode and compares what comes
# out (exit code, warnings, every written file's sha256) with the expected
# text in tests/snapshots/expected. Usage:
#   tests/snapshot.sh KORVANE_CLI SOURCE_DIR [--update]
# --update rewrites the expected text instead of comparing.
set -euo pipefail
cli=$1 src=$2 update=${3:-}
unset TEMP  # print mode would put its pictures there
expected=$src/tests/snapshots/expected

# The text for one input: for every mode the exit code, the stderr lines
# with the temporary folder and the source folder replaced, and the files.
describe() {
  local input=$1 tmp mode rc modes=("" "--flags=0x18" "--print" "--no-shg")
  tmp=$(mktemp -d)
  for mode in "${modes[@]}"; do
    rm -rf "$tmp/out" && mkdir "$tmp/out"
    rc=0
    # shellcheck disable=SC2086
    "$cli" $mode -C "$tmp/out" "$src/$input" 2>"$tmp/err" >/dev/null || rc=$?
    echo "== mode ${mode:-(default)}: exit $rc"
    sed -e "s|$tmp/out|OUT|g" -e "s|$src/||g" "$tmp/err"
    (cd "$tmp/out" && find . -type f | LC_ALL=C sort | sed 's|^\./||' | while IFS= read -r f; do
      echo "$(sha256sum <"$f" | cut -c1-64) $f"
    done)
  done
  rm -rf "$tmp"
}

cd "$src"
inputs=$( (find tests/corpus -iname '*.hlp'; ls fuzz/seeds/*.hlp) | LC_ALL=C sort)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export -f describe
export cli src
echo "$inputs" | xargs -P "${KORVANE_SNAPSHOT_JOBS:-2}" -I{} bash -c \
  'describe "$1" >"$2/$(echo "$1" | tr / _).txt"' _ {} "$work"

if [ "$update" = --update ]; then
  rm -rf "$expected" && mkdir -p "$expected" && cp "$work"/*.txt "$expected"/
  echo "snapshots written for $(echo "$inputs" | wc -l) inputs into $expected"
  exit 0
fi
status=0
for f in "$work"/*.txt; do
  name=$(basename "$f")
  if [ ! -f "$expected/$name" ]; then
    echo "no snapshot for $name (run tools/update-snapshots.sh)"; status=1
  elif ! diff -u --label "expected/$name" --label "now/$name" "$expected/$name" "$f"; then
    status=1
  fi
done
for f in "$expected"/*.txt; do
  [ -f "$work/$(basename "$f")" ] || { echo "snapshot without input: $(basename "$f")"; status=1; }
done
[ $status -eq 0 ] && echo "$(echo "$inputs" | wc -l) inputs x 4 modes unchanged"
exit $status
