#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Finding things in a site as in the viewer, in headless Chromium from
# file://: the keyword index filters as letters are typed and Enter opens
# the first match, second-level keywords nest under their first level, a
# keyword with several topics lists them, a keyword in the middle of a topic
# leads there, and macros that a browser can follow are links (jumps and
# popups by context id to the page of their target, a popup of this file
# opening the target's text).
#
# Usage: find_site.py KORVANE_CLI
#
# The help file comes from halibut, then is changed where halibut has no
# way to say it: a keyword is moved into the middle of its topic (its
# |KWDATA offset), and the jumps to the "macros" section become macro
# hotspots (|TOPIC records rewritten, the topic block moved to the end of
# the file). The site must also pass check_site.py.

import os
import struct
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_site  # noqa: E402
from site_tools import Browser, convert, directory, halibut  # noqa: E402

BUT = r"""\title Finder

\C{intro} Introduction

\I{apple}\I{apricot}\I{printing}The first topic. Macros: MACROS.

Second paragraph.

\I{middle of the topic}The place of a keyword inside the topic.

\C{print} Printing

\I{printing}\I{printing, options}\I{printing:paper}\I{\u00C4rger}\I{banana}Text.

\C{macros} Macros

Where the macros jump before they are macros.
"""
MACROS_CONTEXT = "t00000002"  # halibut's name of the third section
# Each macro, and the link it must become: its href (None: inert text), its
# class, and for a popup of this file the text of the box it opens. Those
# the corpus files lack, among them jumps and popups by context id to this
# file (named with or without a window) and to another.
MACROS = [
    ('KLink("apple;banana")', "keywords.html#found-1", "jump", None),
    ('KL(`printing\')', "keywords.html#k-printing", "jump", None),
    ('EF("javascript:alert(1)")', None, "macro", None),
    ('JumpContents("other.hlp")', "../other/index.html", "jump", None),
    ('JumpId("FINDER.HLP>big", "t00000002")', "t00000002.html", "jump", None),
    ('PopupId(`\', `T00000001\')', "t00000001.html", "popup", "Chapter 2: Printing Text."),
    ('JI(`other.hlp>main\', `IDH_Intro\')', "../other/idh_intro.html", "jump", None),
    ('PI("other.hlp", "note")', "../other/note.html", "popup", None),
]


def context_hash(name):
    h = 0
    for c in name:
        v = (ord(c) - 48 if "1" <= c <= "9" else 10 if c == "0" else 12 if c == "." else 13 if c == "_"
             else ord(c.lower()) - 97 + 17 if c.isascii() and c.isalpha() else 0)
        if v:
            h = (h * 43 + v) & 0xFFFFFFFF
    return h


def patch(path, keyword, text, macros):
    data = bytearray(open(path, "rb").read())
    files = directory(data)
    topic = files["|TOPIC"][1]
    used = struct.unpack_from("<I", data, topic + 4)[0]
    block = data[topic + 9:topic + 9 + used]
    assert used <= 4096, "one uncompressed topic block"
    records, at, offset = [], 12, 0
    while True:
        size, text_size, _, next_link, data1, kind = struct.unpack_from("<iiiiiB", block, at)
        records.append([kind, bytes(block[at + 21:at + data1]), bytes(block[at + data1:at + size]), offset])
        if kind in (0x01, 0x20, 0x23):
            offset += text_size
        if next_link == -1:
            break
        at += size
    # The keyword moves from the topic's first record to the record with text.
    kwbtree, kwdata = files["|KWBTREE"][1] + 9, files["|KWDATA"][1] + 9
    leaf = kwbtree + 38 + struct.unpack_from("<h", data, kwbtree + 26)[0] * struct.unpack_from("<H", data, kwbtree + 4)[0]
    at = leaf + 8
    for _ in range(struct.unpack_from("<H", data, leaf + 2)[0]):
        end = data.index(b"\0", at)
        name, at = data[at:end], end + 7
        if name == keyword.encode():
            where = kwdata + struct.unpack_from("<I", data, end + 3)[0]
            start = struct.unpack_from("<I", data, where)[0]
            target = next(r[3] for r in records if r[3] > start and text.encode() in r[2])
            struct.pack_into("<I", data, where, target)
    # The jumps to the macros section in the paragraph of macros become the
    # macros, in order.
    jump = struct.pack("<I", context_hash(MACROS_CONTEXT))
    pending = list(macros)
    for r in (r for r in records if b"Macros:" in r[2]):
        for code, macro_code in ((0xE3, 0xC8), (0xE7, 0xCC)):
            while pending and bytes([code]) + jump in r[1]:
                macro = pending.pop(0).encode("latin-1") + b"\0"
                r[1] = r[1].replace(bytes([code]) + jump, bytes([macro_code]) + struct.pack("<h", len(macro)) + macro, 1)
    assert not pending, "a jump for every macro"
    out, positions = bytearray(block[:12]), []
    for kind, fmt, txt, _ in records:
        positions.append(len(out))
        out += struct.pack("<iiiiiB", 21 + len(fmt) + len(txt), len(txt), 0, 0, 21 + len(fmt), kind) + fmt + txt
    for i, pos in enumerate(positions):
        struct.pack_into("<i", out, pos + 12, positions[i + 1] if i + 1 < len(positions) else -1)
    struct.pack_into("<ii", out, 4, 12, max(p for p, r in zip(positions, records) if r[0] == 0x02))
    struct.pack_into("<I", data, files["|TOPIC"][0], len(data))
    data += struct.pack("<IIB", len(out), len(out), 0) + out
    struct.pack_into("<I", data, 12, len(data))
    open(path, "wb").write(data)


def type_text(browser, text):
    browser.evaluate("document.getElementById('index-filter').value = ''; document.getElementById('index-filter').focus()")
    browser.call("Input.insertText", {"text": text})


VISIBLE = """[...document.querySelectorAll('ul.index li[data-key]')].filter(li => li.offsetParent !== null)
  .map(li => li.getAttribute('data-key'))"""
CURRENT = "(document.querySelector('li.current') || {getAttribute: () => null}).getAttribute('data-key')"


def check(site):
    failures = []

    def expect(group, what, got, wanted):
        if got != wanted:
            failures.append(f"{group}: {what}: got {got!r}, wanted {wanted!r}")

    keywords = "file://" + urllib.parse.quote(os.path.join(site, "keywords.html"))
    browser = Browser()
    try:
        browser.navigate(keywords)
        # Typed letters keep the entries that start with them, case and
        # accents aside; the first is marked, Enter opens it.
        everything = ["apple", "apricot", "Ärger", "banana", "middle of the topic", "printing", "printing, options",
                      "printing, paper"]
        for typed, shown, first in (("", everything, "apple"), ("AP", ["apple", "apricot"], "apple"),
                                    ("arg", ["Ärger"], "Ärger"), ("zz", [], None),
                                    ("printing, o", ["printing", "printing, options"], "printing, options")):
            type_text(browser, typed)
            expect("filter", f"entries for {typed!r}", browser.evaluate(VISIBLE), shown)
            expect("filter", f"first match for {typed!r}", browser.evaluate(CURRENT), first)
        type_text(browser, "apr")
        for kind in ("keyDown", "keyUp"):
            browser.call("Input.dispatchKeyEvent", {"type": kind, "key": "Enter", "code": "Enter", "windowsVirtualKeyCode": 13})
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and not browser.evaluate("location.pathname").endswith("t00000000.html"):
            time.sleep(0.1)
        expect("filter", "Enter on apricot opens", os.path.basename(browser.evaluate("location.pathname")),
               "t00000000.html")

        # Second levels nest under one first-level entry; a keyword with
        # several topics lists them, opened when the page is opened at it.
        browser.navigate(keywords + "#k-printing")
        expect("nesting", "second levels of printing", browser.evaluate("""[...document.querySelectorAll(
            'li[data-key="printing"] > ul.sub > li')].map(li => li.querySelector('.kw').textContent)"""),
               ["options", "paper"])
        expect("nesting", "first levels", browser.evaluate("""[...document.querySelectorAll('ul.index > li')]
            .map(li => li.getAttribute('data-key'))"""), [k for k in everything if ", " not in k])
        expect("topics found", "printing's list, opened", browser.evaluate("""(() => {
            const d = document.querySelector('#k-printing > details.found');
            return [d.open, ...[...d.querySelectorAll('ul.found a')].map(a => a.getAttribute('href'))];
            })()"""), [True, "t00000000.html", "t00000001.html"])
        expect("topics found", "a keyword with one topic links to it",
               browser.evaluate("document.querySelector('#k-apricot > a.kw').getAttribute('href')"), "t00000000.html")
        browser.navigate(keywords + "#found-1")
        expect("topics found", "the list of a link's keywords", browser.evaluate("""(() => {
            const s = document.getElementById('found-1');
            return [s.offsetParent !== null, ...[...s.querySelectorAll('a')].map(a => a.getAttribute('href'))];
            })()"""), [True, "t00000000.html", "t00000001.html"])
        browser.navigate(keywords)
        expect("topics found", "the list hidden elsewhere",
               browser.evaluate("document.getElementById('found-1').offsetParent"), None)

        # A keyword in the middle of its topic leads to its paragraph.
        href = browser.evaluate("document.querySelector('li[data-key=\"middle of the topic\"] a.kw').getAttribute('href')")
        page, _, fragment = (href or "").partition("#")
        expect("place", "page of the keyword", page, "t00000000.html")
        browser.navigate("file://" + urllib.parse.quote(os.path.join(site, "t00000000.html")))
        expect("place", "text at the keyword's anchor", browser.evaluate(
            f"document.getElementById({fragment!r})?.closest('p')?.textContent ?? null"),
            "The place of a keyword inside the topic.")

        # Macros a browser can follow are links, the others inert text.
        links = browser.evaluate("""Object.fromEntries([...document.querySelectorAll('.topic [title]')].map(e => {
            const box = e.dataset.popup ? document.getElementById('popup-' + e.dataset.popup) : null;
            return [e.getAttribute('title'), [e.tagName === 'A' ? e.getAttribute('href') : null, e.className,
                                              box ? box.textContent.replace(/\s+/g, ' ').trim() : null]];
            }))""")
        for macro, *wanted in MACROS:
            expect("macros", macro, links.get(macro, "missing"), wanted)

        # Without scripts the search box stays hidden and every entry shows.
        browser.call("Emulation.setScriptExecutionDisabled", {"value": True})
        browser.navigate(keywords)
        expect("no scripts", "entries and box", [browser.evaluate(VISIBLE), browser.evaluate(
            "document.getElementById('index-filter').offsetParent")], [everything, None])
    finally:
        browser.close()
    return failures


def main(cli):
    with tempfile.TemporaryDirectory() as work:
        finder = halibut(work, "finder", BUT.replace("MACROS", " ".join(r"\k{macros}" for _ in MACROS)))
        patch(finder, "middle of the topic", "The place of a keyword", [m for m, *_ in MACROS])
        convert(cli, finder, os.path.join(work, "out"), "--html")
        failures = check(os.path.join(work, "out", "finder"))
        if check_site.check(os.path.join(work, "out", "finder"))[0]:
            failures.append("check_site: the site fails")
    print("\n".join(failures + [f"find_site: {len(failures)} failures"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
