#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs every test: the plain build,
# the build under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# bounded fuzzing run when clang is available.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh test

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DKORVANE_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"

cmake -S . -B build-asan -DKORVANE_WERROR=ON -DKORVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"

if [ -f fuzz/CMakeLists.txt ] && command -v clang++ >/dev/null; then
  CXX=clang++ cmake -S . -B build-fuzz -DKORVANE_FUZZ=ON -DKORVANE_WERROR=ON -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-fuzz -j"$jobs" --target korvane_fuzz
  tools/run-fuzz.sh build-fuzz/fuzz/korvane_fuzz "${KORVANE_FUZZ_SECONDS:-60}"
fi

# The Windows programs, cross-built with mingw-w64 and tested under Wine
# (tests/windows), held against the Linux build of build/.
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DKORVANE_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_LINUX_BUILD="$PWD/build" >/dev/null
cmake --build build-windows -j"$jobs"

export QT_QPA_PLATFORM=offscreen
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
ctest --test-dir build-windows --output-on-failure
