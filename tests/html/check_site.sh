#!/usr/bin/env bash
# Checks a static site of Korvane's HTML export: links and anchors, pictures,
# tidy and a headless Chromium (tests/html/check_site.py says what exactly).
# Usage: tests/html/check_site.sh [--no-tidy] [--no-browser] DIR
set -euo pipefail
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
exec "$python" "$(dirname "$0")/check_site.py" "$@"
