#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks that every topic page of a help file's web site holds the same
words as the topic in the RTF conversion, in the same order.

usage: site_text.py KORVANE_CLI HELP_FILE WORK_DIR [CODE_PAGE]

The RTF side: the topic files of the default project mode, topics split at
\\page, footnotes, hidden hotspot targets and the file's tables left out,
picture and window references ({bmc ...}, {ewc ...}) removed, text in a
symbol font read through the font's published mapping (tests/data/symbol)
rather than the code page. The HTML side:
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
SYMBOL_DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "symbol")


def symbol_fonts():
    """The characters of the symbol fonts' bytes 0x20-0xFF by lower-case face
    name, from the published tables: U+F000 + byte where a table gives no
    character or a private-use one, the first character of a sequence."""
    def table(entries):
        return {b: entries.get(b, 0x20 if b == 0x20 else 0xF000 + b) for b in range(0x20, 0x100)}

    def apple(name):
        entries = {}
        with open(os.path.join(SYMBOL_DATA, name)) as f:
            for line in f:
                m = re.match(r"#?0x([0-9A-F]{2})(?:\t| = )0x([0-9A-F]{4})", line)
                if m:
                    c = int(m.group(2), 16)
                    entries[int(m.group(1), 16)] = c if not 0xE000 <= c <= 0xF8FF else None
        return table({b: c for b, c in entries.items() if c is not None})

    wdings = [{}, {}, {}, {}]
    with open(os.path.join(SYMBOL_DATA, "WDingsSources.txt")) as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                fields = line.strip().split(";")
                for index in fields[1:]:
                    wdings[int(index) // 1000][int(index) % 1000] = int(fields[0], 16)
    dingbats = apple("DINGBATS.TXT")
    return {"symbol": apple("SYMBOL.TXT"), "webdings": table(wdings[0]), "wingdings": table(wdings[1]),
            "wingdings 2": table(wdings[2]), "wingdings 3": table(wdings[3]), "zapf dingbats": dingbats,
            "zapfdingbats": dingbats, "marlett": table({}), "mt extra": table({})}


def font_table(data, symbols):
    """The symbol-font tables of the fonts in an RTF file's \\fonttbl, by number."""
    m = re.search(rb"\{\\fonttbl((?:[^{}]|\{[^{}]*\})*)\}", data)
    fonts = {}
    for number, face in re.findall(rb"\\f(\d+)(?:\\[a-z]+-?\d* ?)*([^\\{};]*)", m.group(1) if m else b""):
        table = symbols.get(face.decode("latin-1").strip().lower())
        if table:
            fonts[int(number)] = table
    return fonts


def rtf_topics(data, symbols):
    """The text of each topic of one RTF file, as runs of (bytes, symbol-font
    table or None)."""
    fonts = font_table(data, symbols)
    topics, runs, text, font = [], [], bytearray(), None
    fonts_outside = []

    def end_run():
        nonlocal text
        if text:
            runs.append((bytes(text), font))
        text = bytearray()

    i, n, depth, skip_depth = 0, len(data), 0, None
    while i < n:
        c = data[i:i + 1]
        if c == b"{":
            if skip_depth is None and SKIPPED_GROUP.match(data, i):
                skip_depth = depth
            depth += 1
            fonts_outside.append(font)
            i += 1
        elif c == b"}":
            depth -= 1
            if skip_depth is not None and depth == skip_depth:
                skip_depth = None
            if fonts_outside:
                end_run()
                font = fonts_outside.pop()
            i += 1
        elif c == b"\\":
            m = re.compile(rb"\\([a-z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)", re.S).match(data, i)
            i = m.end()
            if skip_depth is not None:
                continue
            if m.group(1):
                word = m.group(1)
                if word == b"page":
                    end_run()
                    topics.append(runs)
                    runs = []
                elif word in BREAKS:
                    text += b" "
                elif word == b"f":
                    end_run()
                    font = fonts.get(int(m.group(2) or 0))
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
    end_run()
    topics.append(runs)
    return topics


def words_of_rtf(runs, code_page):
    text = ""
    for run, symbols in runs:
        run = re.sub(rb"\{(?:bm|ew)[clr] [^}]*\}", b" ", run)
        run = re.sub(rb"\(0x[0-9a-f]{2}\)", b"", run)
        if symbols:
            text += "".join(chr(symbols[b]) if b >= 0x20 else chr(b) for b in run)
        else:
            text += run.decode("cp%d" % code_page, errors="replace")
    return tuple(text.split())


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
    symbols = symbol_fonts()
    for name in rtf_files:
        with open(os.path.join(rtf_dir, name), "rb") as f:
            data = f.read()
        titles |= rtf_titles(data, code_page)
        for topic in rtf_topics(data, symbols):
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
