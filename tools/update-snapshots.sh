#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rewrites the expected output of the snapshot test (tests/snapshots/expected)
# from the current build; review the diff before committing it.
# Usage: tools/update-snapshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target korvane-cli >/dev/null
tests/snapshot.sh "$build/korvane-cli" "$PWD" --update
git status --short tests/snapshots
