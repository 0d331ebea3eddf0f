#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The search page of sites, opened from file:// in headless Chromium:
# search.html?q=... lists the expected topic first with the words marked,
# folds case and accents, finds Japanese words in text without spaces, says
# when nothing is found or scripts are off. Its sentences are in the site's
# language: one help file with the locale of each language the site has
# words for, its search page with many topics found (and the button for
# more), one, none, no query and no scripts shows the language's
# own sentences, with the number in the language's form, and no English one.
# A hostile help file, with markup, quotes, script links and path separators
# in its title, its topics' titles, text and index terms: every page of its
# site shows them as text with nothing of them run (no dialog, no changed
# title, no picture, no inline script, no event handler), the site passes
# check_site.py, and nothing is written outside the sites' folders.
#
# Usage: site_search.py KORVANE_CLI SOURCE_TREE
#        site_search.py --time SITE_DIR QUERY   (prints the milliseconds from
#        opening search.html?q=QUERY until its results are listed)

import itertools
import os
import struct
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_site  # noqa: E402
from site_tools import Browser, convert, directory, halibut  # noqa: E402

# What the search page shows: status, and per hit its link, title, marked words and text.
RESULTS = r"""({
  status: (document.getElementById('search-status') || {}).textContent,
  hits: Array.from(document.querySelectorAll('#search-results > li')).map((li) => ({
    href: li.querySelector('a').getAttribute('href'), title: li.querySelector('a').textContent,
    marks: Array.from(li.querySelectorAll('mark'), (m) => m.textContent), text: li.textContent})),
  body: document.body.innerText, ms: performance.getEntriesByType('navigation')[0].loadEventStart})"""
# What of a hostile text would show that it ran or became markup.
INJECTED = r"""[document.title === 'pwned', document.images.length, [...document.scripts].filter((s) => !s.src).length,
  [...document.querySelectorAll('*')].filter((e) => [...e.attributes].some((a) => /^on/i.test(a.name))).length]"""
# The search page's sentences (the status line, the button that shows more
# topics, the credit of lunr.js, the note of the page without scripts).
SENTENCES = r"""({status: document.getElementById('search-status').textContent, body: document.body.innerText,
  sentences: ['#search-status', '#search-results + button', '.search-credit', 'noscript p']
    .map((s) => (document.querySelector(s) || {}).textContent).filter(Boolean)})"""
# Topics found by "login" (more than a page lists at first), one by
# "keyboard" (what could stand for the query or the number in the query
# stays text), none by "zzqxq"; the locale record of each language.
WORDS = "\\title Words\n\n" + "".join(f"\\C{{p{i}}} Part {i}\n\nLogin {i}.\n\n" for i in range(51)) + \
    "\\C{keys} Keys\n\nKeyboard q n.\n\n"
LOCALES = {"en": 0x0409, "de": 0x0407, "es": 0x0C0A, "fr": 0x040C, "ja": 0x0411}
ONE = "keyboard {q} {n} $&"
# The status line with many topics found and with one, in each language.
STATUS = {"en": ["51 topics found for “login”.", f"1 topic found for “{ONE}”."],
          "de": ["51 Themen gefunden für „login“.", f"1 Thema gefunden für „{ONE}“."],
          "es": ["51 temas encontrados para «login».", f"1 tema encontrado para «{ONE}»."],
          "fr": ["51 rubriques trouvées pour «\u00a0login\u00a0».", f"1 rubrique trouvée pour «\u00a0{ONE}\u00a0»."],
          "ja": ["「login」の検索結果: 51 件", f"「{ONE}」の検索結果: 1 件"]}
HOSTILE = "<script>document.title='pwned'</script><img src=x onerror=alert(1)> </script><!-- \"q\" \\\\ end"


def search(browser, site, query):
    url = "file://" + urllib.parse.quote(os.path.join(site, "search.html")) + "?q=" + urllib.parse.quote_plus(query)
    errors = browser.load(url)
    return dict(browser.evaluate(RESULTS), errors=errors)


def set_locale(path, lcid):
    """Puts lcid into the locale record of a help file that halibut wrote
    (in |SYSTEM: type 9, 10 bytes, the LCID at byte 8)."""
    data = bytearray(open(path, "rb").read())
    at = data.index(b"\x09\x00\x0a\x00", directory(data)["|SYSTEM"][1])
    struct.pack_into("<H", data, at + 4 + 8, lcid)
    open(path, "wb").write(data)


def main(argv):
    if argv[0] == "--time":
        browser = Browser()
        print("%.0f" % search(browser, os.path.abspath(argv[1]), argv[2])["ms"])
        return browser.close()
    cli, source = argv
    work = tempfile.TemporaryDirectory()
    hostile = HOSTILE.replace("\\", "\\\\")
    evil = halibut(work.name, "evil", f"\\title Evil \"title\" {hostile}\n\n\\C{{evil}} Chapter {hostile} ../../etc/x "
                   f"..\\\\..\\\\windows\n\nText {hostile} pwned and javascript:alert(2) and \\I{{{hostile}}}an "
                   "index term.\n\n\\C{other} Keyboard\n\nKeys.\n\n\\C{first} Another\n\n"
                   "The keyboard, the keyboard and the keyboard.\n\n")
    inputs = [evil, os.path.join(source, "tests/corpus/winfile/winfile.hlp"),
              os.path.join(source, "fuzz/seeds/codepage-japanese.hlp"), os.path.join(source, "fuzz/seeds/codepage-western.hlp")]
    for language, lcid in LOCALES.items():
        inputs.append(halibut(work.name, "words" + language, WORDS))
        set_locale(inputs[-1], lcid)
    before = set(os.listdir(work.name))
    for help_file in inputs:
        convert(cli, help_file, work.name, "--html")
    sites = {"evil", "winfile", "codepage-2Djapanese", "codepage-2Dwestern", *("words" + l for l in LOCALES)}
    site = lambda name: os.path.join(work.name, name)
    problems = [] if set(os.listdir(work.name)) - before == sites else [f"written: {os.listdir(work.name)}"]

    def expect(condition, what, page):
        if not condition:
            problems.append(f"{what}: {dict((k, v) for k, v in page.items() if k != 'body')}")

    # (site, query, title of the first hit, words marked in it)
    cases = [("winfile", "disk COPY", "Copy Disk", {"Copy", "Disk", "disk", "copy"}),
             ("evil", "KEYBOARD", "Chapter 2: Keyboard", {"Keyboard"}),
             ("codepage-2Djapanese", "機能", "Title", {"機能"}),
             ("codepage-2Dwestern", "grösse ubernehmen", "Title", {"Größe", "Übernehmen"})]
    browser = Browser()
    try:
        for name, query, title, marks in cases:
            page = search(browser, site(name), query)
            first = page["hits"][0] if page["hits"] else {"title": None, "marks": [], "href": ""}
            expect(first["title"] == title, f"{name} ?q={query}: first hit is not {title!r}", page)
            expect(marks <= set(first["marks"]), f"{name} ?q={query}: marked {first['marks']}, not {marks}", page)
            expect(os.path.isfile(os.path.join(site(name), first["href"])), f"{name} ?q={query}: broken link", page)
            expect(not page["errors"], f"{name} ?q={query}: script errors", page)
        page = search(browser, site("winfile"), "zzqxq copy")
        expect("no topics found" in page["status"].lower() and not page["hits"], "no hit: no such text", page)
        # Each language's page without scripts (None), with many topics found
        # (and the button for more), one, none, no query.
        said = {language: [] for language in LOCALES}
        for language, query in itertools.product(LOCALES, (None, "login", ONE, "zzqxq", "")):
            browser.call("Emulation.setScriptExecutionDisabled", {"value": query is None})
            search(browser, site("words" + language), query or "")
            said[language].append(browser.evaluate(SENTENCES))
        # The hostile text is found and shown as the text it is; nothing of it runs.
        for query in ("pwned", "script document", "img onerror alert"):
            page = search(browser, site("evil"), query)
            expect(page["hits"] and HOSTILE in page["hits"][0]["text"] and browser.evaluate(INJECTED) == [False, 0, 0, 0]
                   and not page["errors"], f"evil ?q={query}: the hostile text is not shown as text", page)
        shown = 0
        for name in sorted(n for n in os.listdir(site("evil")) if n.endswith(".html")):
            page = {"errors": browser.load("file://" + urllib.parse.quote(os.path.join(site("evil"), name)))}
            page["injected"] = browser.evaluate(INJECTED)
            expect(page["injected"] == [False, 0, 0, 0] and not page["errors"], f"evil/{name}: the help file's text ran",
                   page)
            shown += browser.evaluate("document.body.innerText").count(HOSTILE)
        expect(shown, "the hostile text is shown as text on no page of its site", {})
        browser.call("Emulation.setScriptExecutionDisabled", {"value": True})
        page = search(browser, site("winfile"), "copy")
        expect("needs JavaScript" in page["body"], "without scripts: no word that scripts are needed", page)
    finally:
        browser.close()
    # Each language's own sentences, no English one on any of its pages.
    english = {sentence for page in said["en"] for sentence in page["sentences"]}
    for language, pages in said.items():
        statuses = [page["status"] for page in pages[1:3]]
        expect(statuses == STATUS[language], f"{language}: the status lines are not the language's", {"got": statuses})
        found = sorted({s for s in english for page in pages if s in page["body"]} if language != "en" else [])
        expect(not found, f"{language}: English on the search page", {"found": found})
    expect(not check_site.check(site("evil"))[0], "the hostile file's site fails check_site.py", {})
    work.cleanup()
    print("\n".join(problems + [f"site_search: {len(problems)} problems"]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
