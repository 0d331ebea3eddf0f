#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes halibut markup for a help file of N topics: each topic has a title,
# paragraphs with emphasis, a link to the next topic, index terms and a
# bulleted list. Usage: tools/make-sample-but.sh N > file.but
set -euo pipefail
n="${1:-1000}"
awk -v n="$n" 'BEGIN {
  print "\\title Generated help file of " n " topics\n"
  for (i = 1; i <= n; i++) {
    next_topic = (i < n) ? i + 1 : 1
    print "\\C{t" i "} Topic number " i "\n"
    print "This is the \\e{first} paragraph of topic " i ". It continues to \\k{t" next_topic "} and mentions \\I{keyword " (i % 97) "}keyword " (i % 97) " and \\I{unique term " i "}a unique term.\n"
    print "\\b First point of topic " i " with \\c{code text}.\n"
    print "\\b Second point, with braces \\{like these\\} and a backslash \\\\ here.\n"
    print "A closing paragraph of topic " i " that is long enough to wrap across a line or two of the window, so that the help file carries some real text to compress and decode.\n"
  }
}'
