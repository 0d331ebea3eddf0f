#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A converted HTML Help file in xchm (under Xvfb, tests/chm/xchm_shot.sh): its default page and the page
# of a context number show, not blank, and they are not the same picture.
# Usage: tests/chm/view_chm.sh KORVANE_CLI SOURCE_DIR
set -euo pipefail
cli=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" -q --chm -C "$work" "$src/tests/corpus/3dmm/MM.HLP"
"$src/tests/chm/xchm_shot.sh" "$work/mm.chm" "$work/default.png"
# 4601 opens "Getting Started with Media Manager", the default topic is another.
"$src/tests/chm/xchm_shot.sh" -c 4601 "$work/mm.chm" "$work/context.png"
differ=$(compare -metric AE "$work/default.png" "$work/context.png" null: 2>&1 || true)
if [[ ${differ%% *} == 0 ]]; then
  echo "view_chm: context 4601 shows the default page" >&2
  exit 1
fi
echo "view_chm: the default page and context 4601 show ($differ pixels differ)"
