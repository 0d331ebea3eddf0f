#!/usr/bin/env python3
"""Checks that every topic page of a help file's web site holds the same
words as the topic in the RTF conversion, in the same order.

usage: site_text.py KORVANE_CLI HELP_FILE WORK_DIR [CODE_PAGE]

The RTF side: the topic files of the default project mode, topics split at
\\page, footnotes, hidden hotspot targets and the file's tables left out,
picture and window references ({bmc ...}, {ewc ...}) removed. The HTML side:
the topic block of each page, the list that repeats a picture's hotspot
links and the placeholders of embedded windows removed; the popup topics a
page embeds are not part of its block.

Every page shows its topic's title once: a page with a heading does not
repeat it in its first paragraph with text, and a page without one belongs
to a topic without a title (in the RTF) or says the title at the start of
that paragraph (both read without regard to case, spaces and punctuation)."""
import collections
import html
import os
import re
import subprocess
import sys

SKIPPED_GROUP = re.compile(rb"\{(?:[#$K+!A-Z@>*]?\{\\footnote|\\fonttbl|\\colortbl|\\header|\\v[ \\{])")
BREAKS = {b"par", b"line", b"tab", b"cell", b"row", b"sect"}


def rtf_topics(data):
    """The text of each topic of one RTF file, as bytes."""
    topics, text = [], bytearray()
    i, n, depth, skip_depth = 0, len(data), 0, None
    while i < n:
        c = data[i:i + 1]
        if c == b"{":
            if skip_depth is None and SKIPPED_GROUP.match(data, i):
                skip_depth = depth
            depth += 1
            i += 1
        elif c == b"}":
            depth -= 1
            if skip_depth is not None and depth == skip_depth:
                skip_depth = None
            i += 1
        elif c == b"\\":
            m = re.compile(rb"\\([a-z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)", re.S).match(data, i)
            i = m.end()
            if skip_depth is not None:
                continue
            if m.group(1):
                word = m.group(1)
                if word == b"page":
                    topics.append(bytes(text))
                    text = bytearray()
                elif word in BREAKS:
                    text += b" "
            elif m.group(3):
                text.append(int(m.group(3), 16))
            else:
                text += m.group(4)
        elif c in (b"\r", b"\n"):
            i += 1
        else:
            if skip_depth is None:
                text += c
            i += 1
    topics.append(bytes(text))
    return topics


def words_of_rtf(text, code_page):
    text = re.sub(rb"\{(?:bm|ew)[clr] [^}]*\}", b" ", text)
    text = re.sub(rb"\(0x[0-9a-f]{2}\)", b"", text)
    return tuple(text.decode("cp%d" % code_page, errors="replace").split())


def words_of_page(page):
    # The topic's block ends where the popups it embeds or the body end.
    m = re.search(r'<div class="topic">(.*?)</div>\n(?:<div hidden|</body>)', page, re.S)
    if not m:
        return None
    body = m.group(1)
    body = re.sub(r'<ul class="image-map">.*?</ul>', " ", body, flags=re.S)
    body = re.sub(r'<span class="(?:embedded-window[^"]*|picture missing[^"]*)">\[.*?\]</span>', " ", body, flags=re.S)
    body = re.sub(r"</?(?:p|div|table|tr|td|br|ul|li|map|area|img)\b[^>]*>", " ", body)
    body = re.sub(r"<[^>]*>", "", body)
    return tuple(html.unescape(body).split())


TITLE_FOOTNOTE = re.compile(rb"\$\{\\footnote\{\$\}((?:[^\\{}]|\\.)*)\}\}", re.S)


def rtf_titles(data, code_page):
    """The titles of the topics of one RTF file."""
    titles = set()
    for m in TITLE_FOOTNOTE.finditer(data):
        raw = re.sub(rb"\\'([0-9a-fA-F]{2})", lambda h: bytes([int(h.group(1), 16)]), m.group(1))
        titles.add(re.sub(rb"\\(.)", rb"\1", raw).decode("cp%d" % code_page, errors="replace"))
    return titles


def letters(text):
    return "".join(c.lower() for c in text if c.isalnum())


def title_fault(page, titles):
    """Why the page shows its title twice or not at all; None when it does not."""
    title = html.unescape(re.search(r"<title>(.*?)</title>", page, re.S).group(1))
    heading = re.search(r'<h1 class="title">(.*?)</h1>\n<div class="topic">', page, re.S)
    block = re.search(r'<div class="topic">(.*?)</div>\n(?:<div hidden|</body>)', page, re.S).group(1)
    first = ""
    for paragraph in re.findall(r"<p\b[^>]*>(.*?)</p>", block, re.S):
        first = html.unescape(re.sub(r"<[^>]*>", " ", paragraph)).strip()
        if first:
            break
    if heading and letters(first) == letters(html.unescape(heading.group(1))):
        return "title shown twice: " + title
    if not heading and title in titles and not letters(first).startswith(letters(title)):
        return "title not shown: %s (the text starts %r)" % (title, first[:40])
    return None


def main():
    cli, help_file, work = sys.argv[1:4]
    code_page = int(sys.argv[4]) if len(sys.argv) > 4 else 1252
    rtf_dir, site_dir = os.path.join(work, "rtf"), os.path.join(work, "site")
    for d in (rtf_dir, site_dir):
        os.makedirs(d, exist_ok=True)
    extra = ["--codepage=%d" % code_page] if len(sys.argv) > 4 else []
    subprocess.run([cli, "-q", "-C", rtf_dir] + extra + [help_file], check=True)
    subprocess.run([cli, "-q", "--html", "-C", site_dir] + extra + [help_file], check=True)

    rtf_files = sorted((f for f in os.listdir(rtf_dir) if f.upper().endswith(".RTF")),
                       key=lambda f: int(re.search(r"(\d+)\.RTF$", f, re.I).group(1)))
    expected, titles = collections.Counter(), set()
    for name in rtf_files:
        with open(os.path.join(rtf_dir, name), "rb") as f:
            data = f.read()
        titles |= rtf_titles(data, code_page)
        for topic in rtf_topics(data):
            expected[words_of_rtf(topic, code_page)] += 1

    (site,) = os.listdir(site_dir)
    found, title_faults = collections.Counter(), []
    for name in sorted(os.listdir(os.path.join(site_dir, site))):
        if not name.endswith(".html"):
            continue
        with open(os.path.join(site_dir, site, name), encoding="utf-8") as f:
            page = f.read()
        words = words_of_page(page)
        if words is not None:
            found[words] += 1
            fault = title_fault(page, titles)
            if fault:
                title_faults.append("%s: %s" % (name, fault))

    missing, extra_pages = expected - found, found - expected
    for words, count in list(missing.items())[:5]:
        print("RTF topic without a page with its words (%d): %s" % (count, " ".join(words[:30])))
    for words, count in list(extra_pages.items())[:5]:
        print("page whose words no RTF topic has (%d): %s" % (count, " ".join(words[:30])))
    for fault in title_faults[:5]:
        print(fault)
    if missing or extra_pages or title_faults:
        print("%s: %d topics, %d pages differ, %d show their title twice or not at all" %
              (help_file, sum(missing.values()), sum(extra_pages.values()), len(title_faults)))
        return 1
    print("%s: %d topics, every page's words equal its RTF topic's" % (help_file, sum(expected.values())))
    return 0


if __name__ == "__main__":
    sys.exit(main())
