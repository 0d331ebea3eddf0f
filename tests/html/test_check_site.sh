#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The site checker passes the good hand-made site and fails the bad one for
# each fault planted in it: a missing page, a missing anchor, a script link,
# a picture that does not decode and one that is missing, a tidy error, an
# uncaught exception, a popup link that no script opens, spaces that
# collapse and a page that no link leads to.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
status=0
fail() { echo "FAIL: $*"; status=1; }

good="$("$here/check_site.sh" "$here/sites/good" 2>&1)" || fail "the good site: exit $?"$'\n'"$good"
grep -q '^check_site: 4 pages, 0 problems, 3 space runs measured' <<<"$good" || fail "the good site: $good"

bad="$("$here/check_site.sh" "$here/sites/bad" 2>&1)"
rc=$?
[ "$rc" -eq 1 ] || fail "the bad site: exit $rc, not 1"
while IFS= read -r pattern; do
  grep -Eq -- "$pattern" <<<"$bad" || fail "the bad site: no line matching: $pattern"
done <<'PATTERNS'
^index\.html:12: broken link 'missing\.html'
^index\.html:13: broken link 'page\.html#no-such-id': no id 'no-such-id' in page\.html
^page\.html:10: <a href> is a script link
^tidy\.html:9: broken link 'nothing\.png'
^page\.html:9: image bm0\.png does not decode
^tidy\.html: tidy: .*Error: <blink-tag> is not recognized
^page\.html: browser: image not shown: bm0\.png
^tidy\.html: browser: browser error: Failed to load resource: net::ERR_FILE_NOT_FOUND .*/nothing\.png
^page\.html: browser: uncaught exception \(line 14\): TypeError
^page\.html: browser: popup IDH_Pop does not open in place
^page\.html: browser: 3 spaces before "up" are [0-9.]+ px wide, not [0-9.]+ px
^tidy\.html: not reached from index\.html by links
PATTERNS
# Nothing but the planted faults (a missing or broken picture shows in
# more than one check).
grep -q '^check_site: 3 pages, 13 problems' <<<"$bad" || fail "the bad site: other problems than planted"$'\n'"$bad"

exit "$status"
