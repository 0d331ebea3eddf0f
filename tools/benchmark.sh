#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Converts generated help files of growing size and prints, in processor
# seconds (user + system, the best of three runs): the RTF sources (flags
# 0x38: two passes, jumps, page breaks), the web site (--html), and beside
# them what only reading the input and writing the same bytes costs: `cat` of
# the help file and `cp -r` of the RTF output, and `cp -r` of the site; then
# the HTML Help file (--chm): Korvane's own work (writing the project, and the
# whole conversion less the compiler) against the site, and chmcmd's own
# time with and without its full-text search, in one run each. Inputs
# and output go to a fresh folder in memory (/dev/shm) when there is one, so
# that the figures do not depend on a disk file system's handling of the
# thousands of files each run creates and the next removes; else in TMPDIR.
# Usage: tools/benchmark.sh [TOPICS...]   (default: 1000 4000 16000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh" bench
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF >/dev/null
cmake --build "$root/build-bench" -j"$(nproc)" --target korvane-cli >/dev/null
cli="$root/build-bench/korvane-cli"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work="$(mktemp -d -p /dev/shm)"; else work="$(mktemp -d)"; fi
trap 'rm -rf "$work"' EXIT
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 4000 16000)

# Processor seconds of a command: the best of three runs, each after prepare.
cpu() {
  local prepare="$1"; shift
  local best=""
  for run in 1 2 3; do
    eval "$prepare"
    local t
    # The time of the command alone: what the interpreter's own start
    # left in its children's account (a version manager's shim runs
    # programs of its own before it) is taken off.
    t=$(python3 -c 'import resource, subprocess, sys
before = resource.getrusage(resource.RUSAGE_CHILDREN)
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f" % (r.ru_utime + r.ru_stime - before.ru_utime - before.ru_stime))' "$@")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

# Starting a process costs processor time of its own (much on some virtual
# machines): the cost of starting `true` is taken off every figure.
start=$(cpu ':' true)
less_start() { echo "x = $1 - $2 * $start; if (x < 0) x = 0; x" | bc -l; }
printf 'Starting a process: %.3f s of processor time, taken off every figure below.\n\n' "$start"
printf '| topics | help file (MB) | RTF (MB) | site (MB) | RTF s | µs per topic | site s | site / RTF | cat + cp s | RTF / (cat + cp) | cp site s |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
first=""
for n in "${sizes[@]}"; do
  "$root/tools/make-sample-but.sh" "$n" > "$work/g$n.but"
  halibut --winhelp="$work/G$n.HLP" "$work/g$n.but"
  rtf=$(less_start "$(cpu 'rm -rf "$work/out" && mkdir "$work/out"' "$cli" -q --flags=0x38 -C "$work/out" "$work/G$n.HLP")" 1)
  rtf_mb=$(echo "$(cat "$work"/out/*.RTF | wc -c) / 1048576" | bc -l)
  mv "$work/out" "$work/rtf"
  site=$(less_start "$(cpu 'rm -rf "$work/site" && mkdir "$work/site"' "$cli" -q --html -C "$work/site" "$work/G$n.HLP")" 1)
  site_mb=$(echo "$(du -sb "$work/site" | cut -f1) / 1048576" | bc -l)
  cat_t=$(cpu ':' cat "$work/G$n.HLP")
  cp_t=$(cpu 'rm -rf "$work/copy"' cp -r "$work/rtf" "$work/copy")
  cp_site=$(less_start "$(cpu 'rm -rf "$work/copy"' cp -r "$work/site" "$work/copy")" 1)
  base=$(less_start "$(echo "$cat_t + $cp_t" | bc -l)" 2)
  per_topic=$(echo "$rtf * 1000000 / $n" | bc -l)
  [ -z "$first" ] && first=$per_topic
  printf '| %d | %.2f | %.2f | %.2f | %.3f | %.1f | %.3f | %.2f | %.3f | %.1f | %.3f |\n' "$n" \
    "$(echo "$(stat -c %s "$work/G$n.HLP") / 1048576" | bc -l)" "$rtf_mb" "$site_mb" "$rtf" "$per_topic" "$site" \
    "$(echo "$site / $rtf" | bc -l)" "$base" "$(echo "$rtf / ($base + 0.0001)" | bc -l)" "$cp_site"
  last=$per_topic
  rm -rf "$work/rtf" "$work/site" "$work/copy"
done
printf '\nRTF time per topic, largest over smallest: %.2f\n' "$(echo "$last / $first" | bc -l)"

# The HTML Help file. chmcmd runs once (a minute and more for the largest
# file), on the copy of the project that the conversion compiles; Korvane's own
# work is then the best of three conversions whose compiler is a stand-in
# that gives that output at once (the map written into it, the read-back and
# the copies included), against the site.
if command -v chmcmd >/dev/null; then
  once() {  # FOLDER COMMAND...: processor seconds of one run
    local folder="$1"; shift
    (cd "$folder" && python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f" % (r.ru_utime + r.ru_stime))' "$@")
  }
  mkdir -p "$work/bin"
  printf '#!/bin/sh\ncp "%s" chmcmd.chm\n' "$work/compiled.chm" > "$work/bin/chmcmd"
  chmod +x "$work/bin/chmcmd"
  printf '\n| topics | site s | CHM project s | project / site | CHM but chmcmd s | that / site | chmcmd s | chmcmd without full-text search s | CHM (MB) |\n'
  printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
  for n in "${sizes[@]}"; do
    site=$(less_start "$(cpu 'rm -rf "$work/site" && mkdir "$work/site"' "$cli" -q --html -C "$work/site" "$work/G$n.HLP")" 1)
    # Without chmcmd on the search path the conversion writes the project alone.
    project=$(less_start "$(cpu 'rm -rf "$work/chm" && mkdir "$work/chm"' env PATH=/nonexistent "$cli" -q --chm -C "$work/chm" "$work/G$n.HLP")" 1)
    folder="$work/chm/g$n-chm"
    sed -e 's/^Compiled file=.*/Compiled file=compiled.chm/' -e '/^\[ALIAS\]/,$d' "$folder/g$n.hhp" > "$folder/compile.hhp"
    sed -e 's/^Compiled file=.*/Compiled file=nosearch.chm/' -e 's/^Full-text search=Yes/Full-text search=No/' \
      "$folder/compile.hhp" > "$folder/nosearch.hhp"
    chmcmd_s=$(less_start "$(once "$folder" chmcmd --no-html-scan compile.hhp)" 1)
    nosearch=$(less_start "$(once "$folder" chmcmd --no-html-scan nosearch.hhp)" 1)
    mv "$folder/compiled.chm" "$work/compiled.chm"
    korvane=$(less_start "$(cpu 'rm -rf "$work/chm" && mkdir "$work/chm"' env PATH="$work/bin:$PATH" "$cli" -q --chm -C "$work/chm" "$work/G$n.HLP")" 3)
    printf '| %d | %.3f | %.3f | %.2f | %.3f | %.2f | %.1f | %.1f | %.2f |\n' "$n" "$site" "$project" \
      "$(echo "$project / $site" | bc -l)" "$korvane" "$(echo "$korvane / $site" | bc -l)" "$chmcmd_s" "$nosearch" \
      "$(echo "$(stat -c %s "$work/chm/g$n.chm") / 1048576" | bc -l)"
    rm -rf "$work/site" "$work/chm" "$work/compiled.chm"
  done
fi
