#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The search page of sites, opened from file:// in headless Chromium (the
# site checker's browser): search.html?q=... lists the expected topic first
# with the words marked, folds case and accents, finds Japanese words in
# text without spaces, says when nothing is found or scripts are off, and
# shows a hostile help file's markup as text without running any of it.
#
# Usage: site_search.py KORVANE_CLI SOURCE_DIR
#        site_search.py --time SITE_DIR QUERY   (prints the milliseconds from
#        opening search.html?q=QUERY until its results are listed)

import json
import os
import subprocess
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_site import Browser  # noqa: E402

# What the page shows: status, and per hit its link, title, marked words and excerpt.
RESULTS = r"""JSON.stringify({
  status: (document.getElementById('search-status') || {}).textContent,
  hits: Array.from(document.querySelectorAll('#search-results > li')).map((li) => ({
    href: li.querySelector('a').getAttribute('href'), title: li.querySelector('a').textContent,
    marks: Array.from(li.querySelectorAll('mark'), (m) => m.textContent), text: li.textContent})),
  title: document.title, images: document.images.length, scripts: document.scripts.length,
  body: document.body.innerText,
  ms: performance.getEntriesByType('navigation')[0].loadEventStart})"""

HOSTILE = "<script>document.title='pwned'</script><img src=x onerror=alert(1)> </script><!-- \"q\" \\\\ end"


def search(browser, site, query, scripts=True):
    browser.call("Emulation.setScriptExecutionDisabled", {"value": not scripts})
    browser.events = []
    url = "file://" + urllib.parse.quote(os.path.join(site, "search.html")) + "?q=" + urllib.parse.quote_plus(query)
    browser.call("Page.navigate", {"url": url})
    # A dialog (alert) holds the page until it is answered: each is noted and closed.
    dialogs, waiting = [], ("Page.loadEventFired", "Page.javascriptDialogOpening")
    while True:
        m = next((m for m in browser.events if m["method"] in waiting), None) or browser.until(
            lambda m: m.get("method") in waiting, 30)
        if m is None:
            raise RuntimeError(f"{url} did not load")
        browser.events.remove(m)
        if m["method"] == waiting[0]:
            break
        dialogs.append(m["params"].get("message"))
        browser.call("Page.handleJavaScriptDialog", {"accept": True})
    page = json.loads(browser.call("Runtime.evaluate", {"expression": RESULTS, "returnByValue": True})["result"]["value"])
    page["dialogs"] = dialogs
    page["errors"] = [m for m in browser.events if m["method"] == "Runtime.exceptionThrown"]
    return page


def main(argv):
    if argv[:1] == ["--time"]:
        browser = Browser()
        try:
            print("%.0f" % search(browser, os.path.abspath(argv[1]), argv[2])["ms"])
        finally:
            browser.close()
        return 0
    cli, source = argv
    work = tempfile.mkdtemp(prefix="site-search-")
    # A help file whose title and text carry markup, and one with a word in
    # a title and more often in another topic's text.
    but = ("\\title Evil\n\n\\C{evil} Chapter " + HOSTILE.replace("\\", "\\\\") + "\n\nText "
           + HOSTILE.replace("\\", "\\\\") + " pwned.\n\n\\C{other} Keyboard\n\nKeys.\n\n"
           "\\C{first} Another\n\nThe keyboard, the keyboard and the keyboard.\n\n")
    with open(os.path.join(work, "evil.but"), "w") as f:
        f.write(but)
    subprocess.run(["halibut", "--winhelp=evil.hlp", "evil.but"], cwd=work, check=True)
    inputs = [os.path.join(work, "evil.hlp"), os.path.join(source, "tests/corpus/winfile/winfile.hlp"),
              os.path.join(source, "fuzz/seeds/codepage-japanese.hlp"), os.path.join(source, "fuzz/seeds/codepage-western.hlp")]
    subprocess.run([cli, "-q", "--html", "-C", work] + inputs, check=True)
    site = lambda name: os.path.join(work, name)
    problems = []

    def expect(condition, what, page):
        if not condition:
            problems.append(f"{what}: {dict((k, v) for k, v in page.items() if k != 'body')}")

    # (site, query, title of the first hit, words marked in it)
    cases = [("winfile", "disk COPY", "Copy Disk", {"Copy", "Disk", "disk", "copy"}),
             ("winfile", "selecting files", "Selecting Files", {"Selecting", "Files", "files"}),
             ("evil", "KEYBOARD", "Chapter 2: Keyboard", {"Keyboard"}),
             ("codepage-2Djapanese", "機能", "Title", {"機能"}),
             ("codepage-2Djapanese", "ヘルプ", "Title", {"ヘルプ"}),
             ("codepage-2Dwestern", "grösse ubernehmen", "Title", {"Größe", "Übernehmen"}),
             ("codepage-2Dwestern", "GROSSE", "Title", {"Größe"})]
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
        page = search(browser, site("winfile"), "copy", scripts=False)
        expect("needs JavaScript" in page["body"], "without scripts: no word that scripts are needed", page)
        # The hostile text is found and shown as the text it is; nothing of it runs.
        for query in ("pwned", "script document", "img onerror alert"):
            page = search(browser, site("evil"), query)
            expect(page["hits"] and HOSTILE in page["hits"][0]["text"],
                   f"evil ?q={query}: the hostile text is not shown as text", page)
            expect(page["title"] == query + " - Evil - Search" and not page["dialogs"] and not page["images"]
                   and page["scripts"] == 4 and not page["errors"], f"evil ?q={query}: the help file's text ran", page)
    finally:
        browser.close()
        subprocess.run(["rm", "-rf", work])
    print("\n".join(problems + [f"site_search: {len(problems)} problems"]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
