#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the fuzz target for a bounded time over the seeds in the repository
# (with the corpus a fuzzing campaign grew from them, kept packed in
# fuzz/seeds/*.tar.xz and unpacked into the run's own corpus folder) and the
# real help files of tests/corpus (read only), with the dictionary of
# the format's magic numbers and internal file names, and reports the runs
# and the executions per second: per second of time passed as libFuzzer
# counts them, and per second of processor time the fuzzer used (which does
# not depend on what else the machine runs).
# Usage: tools/run-fuzz.sh FUZZ_BINARY SECONDS [seeds|hand]
# ("seeds": only fuzz/seeds with the campaign's corpus, without the corpus
# files; "hand": only the seed files themselves, without the campaign's corpus)
set -euo pipefail
bin="$1"
seconds="${2:-60}"
only_seeds="${3:-}"
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/seeds"
# The seed files; the packed corpus is no input of its own.
find "$root/fuzz/seeds" -maxdepth 1 -type f ! -name '*.tar.xz' -exec cp {} "$work/seeds/" \;
if [ "$only_seeds" != hand ]; then
  for packed in "$root"/fuzz/seeds/*.tar.xz; do
    [ -f "$packed" ] && tar -C "$work/corpus" -xJf "$packed"
  done
fi
dirs=("$work/corpus" "$work/seeds")
if [ -z "$only_seeds" ]; then
  for d in "$root"/tests/corpus/*/; do
    [ -d "$d" ] && dirs+=("$d")
  done
fi
echo "Fuzzing for ${seconds}s..."
TIMEFORMAT='%U %S'
{ time "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 \
  -dict="$root/fuzz/korvane.dict" -artifact_prefix="$work/" -print_final_stats=1 "${dirs[@]}" 2>"$work/log"; } \
  2>"$work/cpu" || {
  tail -n 60 "$work/log"
  mkdir -p "$root/build-fuzz/crashes" && cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* \
    "$root/build-fuzz/crashes/" 2>/dev/null || true
  echo "The fuzzer found a problem; inputs kept in build-fuzz/crashes" >&2
  exit 1
}
grep -E '^Done [0-9]+ runs' "$work/log" || tail -n 2 "$work/log"
runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\)/\1/p' "$work/log")
per_second=$(sed -n 's/^stat::average_exec_per_sec: *\([0-9]*\)/\1/p' "$work/log")
read -r user system <"$work/cpu"
echo "$per_second exec/s; $(echo "$runs / ($user + $system)" | bc) exec per second of processor time ($user s user, $system s system)"
