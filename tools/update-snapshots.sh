#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rewrites the expected output of the snapshot test (tests/snapshots/expected:
# the listings with hashes and the text files kept whole) from the current
# build and lists what changed; review `git diff tests/snapshots` (and the
# new files `git status` shows) before committing it.
# Usage: tools/update-snapshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target korvane-cli >/dev/null
tests/snapshot.sh "$build/korvane-cli" "$PWD" --update
echo "against the last commit (M changed, D deleted, A or ?? new):"
git status --short --untracked-files=all tests/snapshots | awk '{ n[$1]++ } END { for (s in n) printf "  %s %d files\n", s, n[s] }'
