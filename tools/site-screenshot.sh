#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates docs/site.png, the README's picture of a help file read in a
# browser: tests/corpus/msgdlg/PJMessageDialog.hlp converted with --html, its
# page "TPJVCLMsgDlg" (a non-scrolling region, tab-aligned columns) with its
# first popup open, rendered by headless Chromium at 900x520 (driven over
# its DevTools pipe, as the site checker does), then cut down to 64 colours
# with ImageMagick so the PNG stays small.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
title="TPJVCLMsgDlg"

command -v chromium >/dev/null || { echo "site-screenshot.sh: no chromium on the path" >&2; exit 1; }
command -v convert >/dev/null || { echo "site-screenshot.sh: no ImageMagick (convert) on the path" >&2; exit 1; }

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j2 --target korvane-cli >/dev/null

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$here/build/korvane-cli" --html -q -C "$tmp" "$here/tests/corpus/msgdlg/PJMessageDialog.hlp"
# Page names come from context ids; the contents page links the topic by its title.
page="$(sed -n "s/.*<a href=\"\([^\"]*\)\">$title<.*/\1/p" "$tmp/pjmessagedialog/index.html" | head -n 1)"
[ -n "$page" ] || { echo "site-screenshot.sh: no page \"$title\" in the site" >&2; exit 1; }

python3 - "$here/tests/html" "file://$tmp/pjmessagedialog/$page" "$tmp/shot.png" <<'EOF'
import base64, sys
sys.path.insert(0, sys.argv[1])
from check_site import Browser
browser = Browser()
try:
    browser.call("Emulation.setDeviceMetricsOverride", {"width": 900, "height": 520, "deviceScaleFactor": 1,
                                                        "mobile": False})
    problems = browser.load(sys.argv[2], check=None)
    opened = browser.call("Runtime.evaluate", {"awaitPromise": True, "returnByValue": True, "expression":
        "document.fonts.ready.then(() => { document.querySelector('div.topic a.popup').click();"
        " return new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() =>"
        " r(!!document.querySelector('.popup-box'))))); })"})
    if problems or not opened.get("result", {}).get("value"):
        sys.exit(f"site-screenshot.sh: the page did not load or open its popup: {problems}")
    shot = browser.call("Page.captureScreenshot", {"format": "png"})["data"]
    with open(sys.argv[3], "wb") as f:
        f.write(base64.b64decode(shot))
finally:
    browser.close()
EOF
mkdir -p "$here/docs"
convert "$tmp/shot.png" -colors 64 "PNG8:$here/docs/site.png"
echo "$here/docs/site.png: $(stat -c %s "$here/docs/site.png") bytes"
