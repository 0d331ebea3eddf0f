#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks a static site of Korvane's HTML export: links and anchors, pictures,
# tidy and a headless Chromium (tests/html/check_site.py says what exactly).
# Usage: tests/html/check_site.sh DIR
set -euo pipefail
exec python3 "$(dirname "$0")/check_site.py" "$@"
