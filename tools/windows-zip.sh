#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Windows programs with mingw-w64 and packs the portable zip
# korvane-VERSION-windows-x86_64.zip (the programs, README.txt, LICENSE)
# into the current folder:
#   tools/windows-zip.sh [BUILD_DIR]       (default: build-windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-windows}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target korvane-cli
out=$PWD
(cd "$build" && cpack -G ZIP -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/korvane-*-windows-x86_64.zip
