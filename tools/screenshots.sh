#!/usr/bin/env bash
# Saves pictures of the open dialog (three languages) and of the progress
# dialog during and after a real conversion of the bundled sample into the
# folder given as argument. Builds what is missing first; renders on Qt's
# offscreen platform, so no display is needed.
# Usage: tools/screenshots.sh OUTDIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
build="${KORVANE_BUILD_DIR:-$here/build}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target korvane_screenshots >/dev/null
tool="$build/tests/qt/korvane_screenshots"
if [ ! -x "$tool" ]; then
  echo "$0: the Qt front end was not built (Qt 6 Widgets and Test are needed)" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/sample"
halibut --winhelp="$work/sample/SAMPLE.HLP" "$here/samples/sample.but" >/dev/null
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" "$tool" "$out" "$work/sample/SAMPLE.HLP"
ls "$out"
