#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates docs/chm.png, the README's picture of an HTML Help file:
# tests/corpus/3dmm/MM.HLP converted with --chm, opened in xchm at context
# number 4601 under Xvfb (tests/chm/xchm_shot.sh), the window cut out of the
# screen with ImageMagick.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j2 --target korvane-cli >/dev/null
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$here/build/korvane-cli" -q --chm -C "$tmp" "$here/tests/corpus/3dmm/MM.HLP"
"$here/tests/chm/xchm_shot.sh" -c 4601 "$tmp/mm.chm" "$tmp/screen.png"
# xchm's window: 600 by 450 pixels at (50, 50) of the 1,024 by 768 screen.
convert "$tmp/screen.png" -crop 600x450+50+50 +repage -strip "$here/docs/chm.png"
echo "wrote docs/chm.png"
