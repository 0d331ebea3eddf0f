#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The search page of sites, opened from file:// in headless Chromium:
# search.html?q=... lists the expected topic first with the words marked,
# folds case and accents, finds Japanese words in text without spaces, says
# when nothing is found or scripts are off. A hostile help file, with markup,
# quotes, script links and path separators in its title, its topics' titles,
# text and index terms: every page of its site shows them as text with
# nothing of them run (no dialog, no changed title, no picture, no inline
# script, no event handler), the site passes check_site.py, and nothing is
# written outside the sites' folders.
#
# Usage: site_search.py KORVANE_CLI SOURCE_TREE
#        site_search.py --time SITE_DIR QUERY   (prints the milliseconds from
#        opening search.html?q=QUERY until its results are listed)

import os
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_site  # noqa: E402
from site_tools import Browser, convert, halibut  # noqa: E402

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
HOSTILE = "<script>document.title='pwned'</script><img src=x onerror=alert(1)> </script><!-- \"q\" \\\\ end"


def search(browser, site, query):
    url = "file://" + urllib.parse.quote(os.path.join(site, "search.html")) + "?q=" + urllib.parse.quote_plus(query)
    errors = browser.load(url)
    return dict(browser.evaluate(RESULTS), errors=errors)


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
    before = set(os.listdir(work.name))
    for help_file in inputs:
        convert(cli, help_file, work.name, "--html")
    sites = {"evil", "winfile", "codepage-2Djapanese", "codepage-2Dwestern"}
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
    expect(not check_site.check(site("evil"))[0], "the hostile file's site fails check_site.py", {})
    work.cleanup()
    print("\n".join(problems + [f"site_search: {len(problems)} problems"]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
