#!/usr/bin/env bash
# Converts generated help files of growing size with flags 0x38 (two passes,
# jumps, page breaks) and prints the time per topic and the RTF throughput.
# Usage: tools/benchmark.sh [TOPICS...]   (default: 1000 4000 16000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh" bench
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF >/dev/null
cmake --build "$root/build-bench" -j"$(nproc)" --target korvane-cli >/dev/null
cli="$root/build-bench/korvane-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 4000 16000)

now() { date +%s.%N; }
printf '| topics | help file (MB) | RTF written (MB) | seconds | µs per topic | RTF MB/s |\n'
printf '|---:|---:|---:|---:|---:|---:|\n'
first_per_topic=""
for n in "${sizes[@]}"; do
  "$root/tools/make-sample-but.sh" "$n" > "$work/g$n.but"
  halibut --winhelp="$work/G$n.HLP" "$work/g$n.but"
  best=""
  for run in 1 2 3; do
    rm -rf "$work/out" && mkdir "$work/out"
    t0=$(now)
    "$cli" -q --flags=0x38 -C "$work/out" "$work/G$n.HLP"
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  hlp_mb=$(echo "$(stat -c %s "$work/G$n.HLP") / 1048576" | bc -l)
  rtf_bytes=$(cat "$work"/out/*.RTF 2>/dev/null | wc -c)
  rtf_mb=$(echo "$rtf_bytes / 1048576" | bc -l)
  per_topic=$(echo "$best * 1000000 / $n" | bc -l)
  [ -z "$first_per_topic" ] && first_per_topic=$per_topic
  printf '| %d | %.2f | %.2f | %.3f | %.1f | %.1f |\n' "$n" "$hlp_mb" "$rtf_mb" "$best" "$per_topic" \
    "$(echo "$rtf_mb / $best" | bc -l)"
  last_per_topic=$per_topic
done
printf '\nTime per topic, largest over smallest: %.2f\n' "$(echo "$last_per_topic / $first_per_topic" | bc -l)"
