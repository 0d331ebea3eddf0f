#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks that every topic page of a help file's web site holds the same
words as the topic in the RTF conversion, in the same order, for every
corpus help file and the code-page seeds: Japanese text as the file records
it, and a file read as Cyrillic by the user's choice.

usage: site_text.py KORVANE_CLI SOURCE_TREE SYSTEM_DUMP

The RTF side: the topic files of the default project mode, topics split at
\\page, footnotes, hidden hotspot targets and the file's tables left out,
picture and window references ({bmc ...}, {ewc ...}) removed, bytes read
through the code page the file must have, and text in a symbol font through
the font's published mapping (tests/data/symbol). The HTML side: the topic
block of each page, the list that repeats a picture's hotspot links and the
placeholders of embedded windows removed; the popup topics a page embeds
are not part of its block.

Every page shows its topic's title once: a page with a heading does not
repeat it in its first paragraph with text, and a page without one belongs
to a topic without a title (in the RTF) or says the title at the start of
that paragraph (both read without regard to case, spaces and punctuation).

Korvane's symbol-font tables (system_dump symbol-characters) are the published mappings entry by entry:
the character, or U+F000 + the byte where a mapping gives none or a private-use one; a byte below 0x20
is itself."""
import collections
import html
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from site_tools import convert, corpus_files, footnotes, rtf_topics, segment_texts  # noqa: E402

SYMBOL_DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "symbol")


def symbol_fonts():
    """The characters of the symbol fonts' bytes 0x20-0xFF by lower-case face
    name, from the published tables: U+F000 + byte where a table gives no
    character or a private-use one."""
    def table(entries):
        return {b: entries.get(b, 0x20 if b == 0x20 else 0xF000 + b) for b in range(0x20, 0x100)}

    def apple(name):
        with open(os.path.join(SYMBOL_DATA, name)) as f:
            entries = re.findall(r"^#?0x([0-9A-F]{2})(?:\t| = )0x([0-9A-F]{4})", f.read(), re.M)
        return table({int(b, 16): int(c, 16) for b, c in entries if not 0xE000 <= int(c, 16) <= 0xF8FF})

    wdings = [{}, {}, {}, {}]
    with open(os.path.join(SYMBOL_DATA, "WDingsSources.txt")) as f:
        for fields in (line.strip().split(";") for line in f if line.strip() and not line.startswith("#")):
            for index in fields[1:]:
                wdings[int(index) // 1000][int(index) % 1000] = int(fields[0], 16)
    dingbats = apple("DINGBATS.TXT")
    return {"symbol": apple("SYMBOL.TXT"), "webdings": table(wdings[0]), "wingdings": table(wdings[1]),
            "wingdings 2": table(wdings[2]), "wingdings 3": table(wdings[3]), "zapf dingbats": dingbats,
            "zapfdingbats": dingbats, "marlett": table({}), "mt extra": table({})}


SYMBOLS = symbol_fonts()


def font_tables(data):
    """The symbol-font tables of the fonts in an RTF file's \\fonttbl, by number."""
    m = re.search(rb"\{\\fonttbl((?:[^{}]|\{[^{}]*\})*)\}", data)
    fonts = re.findall(rb"\\f(\d+)(?:\\[a-z]+-?\d* ?)*([^\\{};]*)", m.group(1) if m else b"")
    return {int(n): SYMBOLS[face.decode("latin-1").strip().lower()] for n, face in fonts
            if face.decode("latin-1").strip().lower() in SYMBOLS}


def words_of_page(block):
    block = re.sub(r'<ul class="image-map">.*?</ul>', " ", block, flags=re.S)
    block = re.sub(r'<span class="(?:embedded-window[^"]*|picture missing[^"]*)">\[.*?\]</span>', " ", block, flags=re.S)
    block = re.sub(r"</?(?:p|div|table|tr|td|br|ul|li|map|area|img)\b[^>]*>", " ", block)
    return tuple(html.unescape(re.sub(r"<[^>]*>", "", block)).split())


def letters(text):
    return "".join(c.lower() for c in text if c.isalnum())


def title_fault(page, block, titles):
    """Why the page shows its title twice or not at all; None when it does not."""
    title = html.unescape(re.search(r"<title>(.*?)</title>", page, re.S).group(1))
    heading = re.search(r'<h1 class="title">(.*?)</h1>\n<div class="topic">', page, re.S)
    paragraphs = (html.unescape(re.sub(r"<[^>]*>", " ", p)).strip() for p in re.findall(r"<p\b[^>]*>(.*?)</p>", block, re.S))
    first = next((p for p in paragraphs if p), "")
    if heading and letters(first) == letters(html.unescape(heading.group(1))):
        return "title shown twice: " + title
    if not heading and title in titles and not letters(first).startswith(letters(title)):
        return "title not shown: %s (the text starts %r)" % (title, first[:40])
    return None


def check(cli, help_file, code_page, options, work):
    convert(cli, help_file, work + "/rtf", *options)
    convert(cli, help_file, work + "/site", "--html", *options)
    expected, found, titles, faults = collections.Counter(), collections.Counter(), set(), []
    for name in (n for n in os.listdir(work + "/rtf") if n.upper().endswith(".RTF")):
        with open(os.path.join(work, "rtf", name), "rb") as f:
            data = f.read()
        fonts = font_tables(data)
        titles.update(title for topic in footnotes(data, b"$", code_page) for title in topic)
        for topic in rtf_topics(data):
            expected[tuple(" ".join(" ".join(segment_texts(p, code_page, fonts)) for p in topic).split())] += 1
    (site,) = [os.path.join(work, "site", d) for d in os.listdir(work + "/site")]
    for name in sorted(n for n in os.listdir(site) if n.endswith(".html")):
        with open(os.path.join(site, name), encoding="utf-8") as f:
            page = f.read()
        # The topic's block ends where the popups it embeds or the body end.
        block = re.search(r'<div class="topic">(.*?)</div>\n(?:<div hidden|</body>)', page, re.S)
        if block:
            found[words_of_page(block[1])] += 1
            fault = title_fault(page, block[1], titles)
            if fault:
                faults.append(f"{name}: {fault}")
    missing, extra = expected - found, found - expected
    for what, differing in (("RTF topic without a page with its words", missing), ("page whose words no RTF topic has", extra)):
        for words, count in list(differing.items())[:5]:
            print("%s (%d): %s" % (what, count, " ".join(words[:30])))
    print("\n".join(faults[:5] + ["%s: %d topics, %d differ, %d pages show their title twice or not at all" % (
        help_file, sum(expected.values()), sum(missing.values()) + sum(extra.values()), len(faults))]))
    return bool(missing or extra or faults)


def check_symbol_tables(dump, work):
    subprocess.run([dump, work + "/symbols", "symbol-characters"], check=True)
    tables = collections.defaultdict(dict)
    for byte, char, face in (line.rstrip("\n").split(" ", 2) for line in open(work + "/symbols")):
        tables[face.lower()][int(byte, 16)] = int(char, 16)
    wrong = [f"{face} 0x{b:02X}: U+{t.get(b, 0):04X}, published U+{SYMBOLS[face].get(b, b):04X}"
             for face, t in tables.items() for b in range(256) if t.get(b) != SYMBOLS[face].get(b, b)]
    print("\n".join(wrong[:10] + [f"symbol-font tables: {sorted(tables)}, {len(wrong)} entries differ"]))
    return bool(wrong) or set(tables) != set(SYMBOLS) - {"zapfdingbats"}


def main(cli, source, dump):
    seeds = os.path.join(source, "fuzz/seeds/")
    cases = [(f, 1252, []) for f in corpus_files(source)] + [
        (seeds + "codepage-japanese.hlp", 932, []), (seeds + "codepage-western.hlp", 1251, ["--codepage=1251"]),
        (seeds + "version30.hlp", 1252, []), (seeds + "table-types.hlp", 1252, [])]
    with tempfile.TemporaryDirectory() as work:
        failed = [check(cli, *case, os.path.join(work, str(i))) for i, case in enumerate(cases)]
        failed.append(check_symbol_tables(dump, work))
    return 1 if any(failed) else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
