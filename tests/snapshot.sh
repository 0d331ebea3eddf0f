#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Converts every checked-in help file in each mode and compares what comes
# out with tests/snapshots/expected. Usage:
#   tests/snapshot.sh KORVANE_CLI SOURCE_DIR [--update]
# --update rewrites the expected files instead of comparing, and lists what
# changed.
#
# expected/<input>.txt holds, for every mode, the exit code, the stderr lines
# and the sha256 of every written file (the exact bytes). The text files
# (RTF, HPJ, web pages, CSS, script) of the seeds and of a few small corpus
# files are also kept whole in expected/<input>/<mode>/, their CR LF turned
# into LF, so that a change shows as a diff of the text; the hashes still
# catch a change of line ends. Pictures, other binary files and text files
# over keep_max bytes are known by their hash only, and so are the bundled
# search library, the search index (data, the same words as the pages) and
# the site's own scripts (the same bytes for every site, written from
# src/html: kept whole they were the same text 54 times over).
set -euo pipefail
cli=$(realpath "$1") src=$(realpath "$2") update=${3:-}
[ -x "$cli" ] || { echo "not a program: $1" >&2; exit 2; }
unset TEMP  # print mode would put its pictures there
expected=$src/tests/snapshots/expected
modes="default --flags=0x18 --print --no-shg --html"
keep_corpus=" tests/corpus/statlist/StatList.hlp tests/corpus/verinfo/verinfo.hlp tests/corpus/leakybin/LEAKYBIN.HLP "
keep_max=65536                  # bytes of one kept text file
keep_budget=$((4 * 1024 * 1024))  # bytes of all kept text files together
diff_lines=${KORVANE_SNAPSHOT_DIFF_LINES:-60}       # of the diff of one file
report_lines=${KORVANE_SNAPSHOT_REPORT_LINES:-3000}  # of all diffs together

# A written file's path as stored under expected/, into $safe: letters,
# digits and . _ + - / stay, every other byte becomes %XX (% itself too).
safe_path() {
  local LC_ALL=C
  safe=$1
  [[ $1 =~ ^[A-Za-z0-9._+/-]+$ ]] || safe=$(printf '%s' "$1" | LC_ALL=C perl -pe 's{[^A-Za-z0-9._+/-]}{sprintf("%%%02X", ord($&))}ge')
}

# Converts one input in every mode into $work/now/<id>.txt and, when its
# texts are kept, $work/now/<id>/<mode>/... (mode: default, flags-0x18,
# print, no-shg, html).
convert() {
  local input=$1 id=$2 keep=$3 tmp mode args rc f i dest safe line files sums kept
  tmp=$(mktemp -d)
  for mode in $modes; do
    cd "$tmp" && rm -rf out && mkdir out
    args=()
    [ "$mode" = default ] || args=("$mode")
    rc=0
    "$cli" "${args[@]}" -C "$tmp/out" "$src/$input" 2>"$tmp/err" >/dev/null || rc=$?
    echo "== mode ${mode/#default/(default)}: exit $rc"
    sed -e "s|$tmp/out|OUT|g" -e "s|$src/||g" "$tmp/err"
    cd out
    mapfile -d '' files < <(find . -type f -printf '%P\0' | LC_ALL=C sort -z)
    [ ${#files[@]} -eq 0 ] && continue
    # One line per file in the order given; a name with \ or a line feed
    # makes sha256sum start the line with a \.
    mapfile -t sums < <(sha256sum -- "${files[@]}")
    for i in "${!files[@]}"; do
      line=${sums[i]#\\}
      echo "${line:0:64} ${files[i]}"
    done
    # Print mode writes the default mode's text again, without footnotes:
    # its hashes show a change, and the default mode's texts show where.
    [ "$keep" = 1 ] && [ "$mode" != --print ] || continue
    mapfile -d '' files < <(find . -type f -size -$((keep_max + 1))c \( -iname '*.rtf' -o -iname '*.hpj' \
                              -o -iname '*.html' -o -iname '*.css' -o -iname '*.js' \) \
                              ! -name lunr.min.js ! -name search-index.js ! -name search.js \
                              ! -name korvane.js -printf '%P\0')
    [ ${#files[@]} -eq 0 ] && continue
    dest=$work/now/$id/${mode#--}
    dest=${dest//=/-}
    mkdir -p "$dest"
    kept=()
    for f in "${files[@]}"; do
      safe_path "$f"
      if [ "$safe" = "$f" ]; then
        kept+=("$f")
      else
        mkdir -p "$(dirname "$dest/$safe")" && cp -- "$f" "$dest/$safe"
      fi
    done
    [ ${#kept[@]} -eq 0 ] || cp --parents -t "$dest" -- "${kept[@]}"
    kept=()
    for f in "${files[@]}"; do
      safe_path "$f"
      kept+=("$dest/$safe")
    done
    sed -i 's/\r$//' -- "${kept[@]}"
  done >"$work/now/$id.txt"
  cd /
  rm -rf "$tmp"
}

# At most diff_lines lines of a diff from stdin.
clip() {
  awk -v n="$diff_lines" 'NR <= n { print } END { if (NR > n) printf "... %d more lines of this diff\n", NR - n }'
}

# Compares one input's output with the expected files. Writes a line per
# difference to $work/names/<id>, the diffs to $work/report/<id> and the
# counts "listing kept-texts" to $work/count/<id>. A file known by its hash
# alone shows in the listing's diff.
compare() {
  local input=$1 id=$2 listing=0 texts=0 line p mode file e n what
  local exp_dir=$expected/$id now_dir=$work/now/$id
  [ -d "$exp_dir" ] || exp_dir=$work/empty
  [ -d "$now_dir" ] || now_dir=$work/empty
  exec 3>"$work/report/$id" 4>"$work/names/$id"
  if [ ! -f "$expected/$id.txt" ]; then
    echo "new input: $input" | tee /dev/fd/3 >&4
    echo "1 0" >"$work/count/$id"
    return
  fi
  if ! cmp -s "$expected/$id.txt" "$work/now/$id.txt"; then
    listing=1
    echo "changed: $id.txt" >&4
    diff -u --label "expected/$id.txt" --label "now/$id.txt" "$expected/$id.txt" "$work/now/$id.txt" | clip >&3 || true
  fi
  # Kept texts that differ, appeared or went (-N: a missing file is empty).
  while IFS= read -r line; do
    [[ $line == "Files $exp_dir/"* ]] || { echo "$line" | tee /dev/fd/3 >&4; continue; }
    p=${line#"Files $exp_dir/"}
    p=${p%% and *}
    mode=${p%%/*} file=${p#*/}
    texts=$((texts + 1))
    e=$exp_dir/$p n=$now_dir/$p what=changed
    [ -f "$e" ] || e=/dev/null what=new
    [ -f "$n" ] || n=/dev/null what=removed
    echo "$what: $id/$p" >&4
    diff -u --label "expected: $input [$mode] $file" --label "now: $input [$mode] $file" "$e" "$n" | clip >&3 || true
  done < <(diff -rqN "$exp_dir" "$now_dir" || true)
  exec 3>&- 4>&-
  echo "$listing $texts" >"$work/count/$id"
}

one() {
  local input=$1 id keep=0
  id=${input//\//_}
  case $input in fuzz/seeds/*) keep=1 ;; esac
  [[ $keep_corpus == *" $input "* ]] && keep=1
  convert "$input" "$id" "$keep"
  compare "$input" "$id"
}

cd "$src"
inputs=$( (find tests/corpus -iname '*.hlp'; ls fuzz/seeds/*.hlp) | LC_ALL=C sort)
count=$(echo "$inputs" | wc -l)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/now" "$work/report" "$work/names" "$work/count" "$work/empty"
export -f safe_path convert clip compare one
export cli src update expected modes keep_corpus keep_max diff_lines work
echo "$inputs" | xargs -P "${KORVANE_SNAPSHOT_JOBS:-2}" -I{} bash -c 'one "$1"' _ {}

# The diffs (only what differs with --update) in the order of the inputs;
# past report_lines lines, only what differs.
shown=0
while IFS= read -r id; do
  f=$work/report/$id
  if [ "$update" = --update ] || [ $((shown + $(wc -l <"$f"))) -gt "$report_lines" ]; then
    f=$work/names/$id
  fi
  cat "$f"
  shown=$((shown + $(wc -l <"$f")))
done < <(echo "$inputs" | tr / _)
# Expected listings and kept texts whose input is gone.
gone=0
for f in "$expected"/*; do
  id=${f##*/}
  if [ -e "$f" ] && [ ! -f "$work/now/${id%.txt}.txt" ]; then
    echo "removed: $id (no such input)"
    gone=$((gone + 1))
  fi
done
read -r listings texts < <(cat "$work"/count/* | awk '{ a += $1; b += $2 } END { print a + 0, b + 0 }')
inputs_differ=$(cat "$work"/count/* | awk '$1 + $2 > 0' | wc -l)
kept_bytes=$(find "$work/now" -mindepth 2 -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
kept_files=$(find "$work/now" -mindepth 2 -type f | wc -l)
summary="$inputs_differ of $count inputs differ ($listings listings, $texts kept text files; $gone expected entries without input)"

if [ "$update" = --update ]; then
  if [ "$kept_bytes" -gt "$keep_budget" ]; then
    echo "kept text files: $kept_bytes bytes, over the budget of $keep_budget; keep fewer inputs or lower keep_max in tests/snapshot.sh" >&2
    exit 1
  fi
  rm -rf "$expected" && mkdir -p "$expected" && cp -r "$work/now/." "$expected/"
  echo "snapshots written for $count inputs x $(echo "$modes" | wc -w) modes into $expected: $summary;" \
    "kept text files: $kept_files, $((kept_bytes / 1024)) KB"
  exit 0
fi
if [ "$inputs_differ" -eq 0 ] && [ "$gone" -eq 0 ]; then
  echo "$count inputs x $(echo "$modes" | wc -w) modes unchanged ($kept_files text files kept whole)"
  exit 0
fi
echo "snapshots: $summary; if intended, run tools/update-snapshots.sh and review git diff tests/snapshots"
exit 1
