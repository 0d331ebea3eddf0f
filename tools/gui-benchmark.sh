#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The processor time of a conversion with thousands of warnings in the
# progress dialog and on the terminal, on Qt's offscreen platform. Builds
# what is missing first (Release build in build-bench-gui).
# Usage: tools/gui-benchmark.sh [FILE.HLP]   (default: the corpus winfile.hlp)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${KORVANE_BUILD_DIR:-$here/build-bench-gui}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target korvane_gui_benchmark >/dev/null
tool="$build/tests/qt/korvane_gui_benchmark"
if [ ! -x "$tool" ]; then
  echo "$0: the Qt front end was not built (Qt 6 Widgets and Test are needed)" >&2
  exit 1
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work" "$tool" "${1:-$here/tests/corpus/winfile/winfile.hlp}"
