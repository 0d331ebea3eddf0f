#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and converts FILE.HLP into the current
# directory; without FILE, converts the bundled sample into out/, writes
# its web site into out/sample/ and its HTML Help file into out/sample.chm.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/tools/install-deps.sh" build
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc 2>/dev/null || echo 2)" --target korvane korvane-cli >/dev/null

if [ $# -gt 0 ]; then
  exec "$here/build/korvane-cli" "$@"
fi

mkdir -p "$here/out"
halibut --winhelp="$here/out/SAMPLE.HLP" "$here/samples/sample.but"
"$here/build/korvane-cli" -C "$here/out" "$here/out/SAMPLE.HLP"
"$here/build/korvane-cli" --html -C "$here/out" "$here/out/SAMPLE.HLP"
"$here/build/korvane-cli" --chm -C "$here/out" "$here/out/SAMPLE.HLP"
echo "Converted the sample into $here/out:"
ls "$here/out"
echo "Its web site: $here/out/sample/index.html (open it in a browser)"
echo "Its HTML Help file: $here/out/sample.chm (its project in out/sample-chm/)"
