#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates docs/site.png, the README's picture of a help file read in a
# browser: tests/corpus/winfile/winfile.hlp converted with --html, its page
# "Copying Files and Directories" rendered by headless Chromium at 1000x700,
# then cut down to 64 colours with ImageMagick so the PNG stays small.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
title="Copying Files and Directories"

browser=""
for b in chromium chromium-browser google-chrome; do
  if command -v "$b" >/dev/null; then browser="$b"; break; fi
done
[ -n "$browser" ] || { echo "site-screenshot.sh: no chromium on the path" >&2; exit 1; }
command -v convert >/dev/null || { echo "site-screenshot.sh: no ImageMagick (convert) on the path" >&2; exit 1; }

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j2 --target korvane-cli >/dev/null

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$here/build/korvane-cli" --html -q -C "$tmp" "$here/tests/corpus/winfile/winfile.hlp"
# Page names come from context ids; the contents page links the topic by its title.
page="$(sed -n "s/.*<a href=\"\([^\"]*\)\">$title<.*/\1/p" "$tmp/winfile/index.html" | head -n 1)"
[ -n "$page" ] || { echo "site-screenshot.sh: no page \"$title\" in the site" >&2; exit 1; }

timeout 120 "$browser" --headless --disable-gpu --no-sandbox --hide-scrollbars --user-data-dir="$tmp/profile" \
  --screenshot="$tmp/shot.png" --window-size=1000,700 "file://$tmp/winfile/$page" >/dev/null 2>&1
mkdir -p "$here/docs"
convert "$tmp/shot.png" -colors 64 "PNG8:$here/docs/site.png"
echo "$here/docs/site.png: $(stat -c %s "$here/docs/site.png") bytes"
