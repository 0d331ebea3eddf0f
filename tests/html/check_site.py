#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Checks a static HTML site written by Korvane's HTML export.
#
# Usage: check_site.py DIR
#        check_site.py KORVANE_CLI SOURCE_TREE   (ctest corpus_sites: the
#            site of every corpus file, see corpus() below)
#
# Every .html file under DIR is checked:
#   links   every local href/src names an existing file inside DIR (or in a
#           site beside it, when that is there), and a #fragment an element
#           with that id in the target page; no link is a script
#           (javascript:, vbscript:, data:); a.popup[data-popup=ID] has its
#           content in the page (an element with id popup-ID);
#   images  every referenced picture decodes (ImageMagick's identify, its
#           warnings taken as errors);
#   reach   every page but those that only forward is reached from
#           index.html, when there is one, by following links;
#   tidy    `tidy -e -q` reports no errors (warnings are allowed);
#   browser the pages are loaded one after the other in one headless
#           Chromium (scripts on): no console error, no uncaught exception,
#           no failed load, every <img> shown; every run of two or more
#           spaces in a topic's text (div.topic), up to 50 a page, is as wide
#           as the same spaces laid out with white-space: pre (the browser
#           must not collapse what the help file lines up with spaces).
# Prints one line per problem and a summary (with the number of space runs
# measured); exits with 1 when there is a problem.

import html.parser
import os
import subprocess
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from site_tools import Browser, corpus_files  # noqa: E402  (tools/site-screenshot.sh takes it from here)

IMAGE_EXTENSIONS = {".png", ".gif", ".jpg", ".jpeg", ".bmp", ".svg", ".webp", ".ico"}
LINK_ATTRIBUTES = {("a", "href"), ("area", "href"), ("link", "href"), ("img", "src"), ("script", "src"),
                   ("iframe", "src"), ("embed", "src"), ("source", "src"), ("object", "data"), ("form", "action")}
SCRIPT_SCHEMES = {"javascript", "vbscript", "data"}


# The ids, links (line, tag, attribute, value) and popup links of a page;
# check_links adds the pages and files its local links lead to.
class Page(html.parser.HTMLParser):
    def __init__(self, path):
        super().__init__(convert_charrefs=True)
        self.ids, self.links, self.popups, self.targets = set(), [], [], []
        self.forwards = False  # a page that only forwards (meta refresh) to another
        with open(path, encoding="utf-8", errors="replace") as f:
            self.feed(f.read())

    def handle_starttag(self, tag, attrs):
        line, values = self.getpos()[0], dict(attrs)
        if tag == "meta" and (values.get("http-equiv") or "").lower() == "refresh":
            self.forwards = True
        self.ids.update(v for k, v in attrs if k == "id" or (tag == "a" and k == "name"))
        self.links += [(line, tag, k, v or "") for k, v in attrs if (tag, k) in LINK_ATTRIBUTES]
        if tag == "a" and "popup" in (values.get("class") or "").split() and "data-popup" in values:
            self.popups.append((line, values["data-popup"] or ""))

    handle_startendtag = handle_starttag


def check_links(root, parsed, problems):
    images = {}
    parent = os.path.dirname(root)
    for page, info in parsed.items():
        where = os.path.relpath(page, root)
        for line, tag, attribute, value in info.links:
            # The URL as a browser reads it: tab and line ends removed, ends cut.
            url = "".join(c for c in value if c not in "\t\r\n").strip("".join(map(chr, range(0x21))))
            parts = urllib.parse.urlsplit(url)
            if parts.scheme.lower() in SCRIPT_SCHEMES:
                problems.append(f"{where}:{line}: <{tag} {attribute}> is a script link: {value!r}")
            elif not url:
                problems.append(f"{where}:{line}: <{tag} {attribute}> is empty")
            if parts.scheme or parts.netloc or not url:
                continue  # external, or reported
            path = urllib.parse.unquote(parts.path)
            target = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            fragment = urllib.parse.unquote(parts.fragment)
            real = os.path.realpath(target)
            info.targets.append(target)
            if os.path.commonpath([root, real]) != root:
                # A jump into another help file leads to its site beside this
                # one: checked when that site is there.
                sibling = os.path.relpath(real, parent).split(os.sep)[0]
                if os.path.commonpath([parent, real]) != parent or sibling in ("", "..", "."):
                    problems.append(f"{where}:{line}: {value!r} points outside the site")
                elif os.path.isdir(os.path.join(parent, sibling)) and not os.path.isfile(real):
                    problems.append(f"{where}:{line}: broken link {value!r} into the site {sibling}")
            elif not os.path.isfile(target):
                problems.append(f"{where}:{line}: broken link {value!r}: no file {os.path.relpath(target, root)}")
            elif fragment and fragment not in (parsed[target].ids if target in parsed else set()):
                problems.append(f"{where}:{line}: broken link {value!r}: no id {fragment!r} in "
                                f"{os.path.relpath(target, root)}")
            elif os.path.splitext(target)[1].lower() in IMAGE_EXTENSIONS:
                images.setdefault(target, f"{where}:{line}")
        for line, popup in info.popups:
            if "popup-" + popup not in info.ids:
                problems.append(f"{where}:{line}: popup {popup!r} has no element popup-{popup} in the page")
    return images


# The pages that following links (hrefs, and the search box's form action)
# from index.html never reaches (check_links comes first).
def check_reach(root, parsed, problems):
    start = os.path.join(root, "index.html")
    if start not in parsed:
        return
    reached, todo = {start}, [start]
    while todo:
        page = todo.pop()
        for target in parsed[page].targets:
            if target in parsed and target not in reached:
                reached.add(target)
                todo.append(target)
    problems += [f"{os.path.relpath(page, root)}: not reached from index.html by links"
                 for page in sorted(parsed) if page not in reached and not parsed[page].forwards]


def check_images(root, images, problems):
    for image, where in sorted(images.items()):
        result = subprocess.run(["identify", "-regard-warnings", image], capture_output=True, text=True)
        if result.returncode != 0:
            reason = (result.stderr.strip().splitlines() or ["identify failed"])[0]
            problems.append(f"{where}: image {os.path.relpath(image, root)} does not decode: {reason}")


def check_tidy(root, pages, problems):
    for page in pages:
        result = subprocess.run(["tidy", "-e", "-q", page], capture_output=True, text=True)
        if result.returncode >= 2:
            errors = [l for l in result.stderr.splitlines() if "Error:" in l] or result.stderr.splitlines()[:3]
            problems += [f"{os.path.relpath(page, root)}: tidy: {error.strip()}" for error in errors]


# Runs in each loaded page: the pictures that did not show, and the runs of
# spaces in the topic's text.
PAGE_CHECK = r"""(() => {
  const problems = [];
  for (const img of document.images) {
    if (!img.complete || img.naturalWidth === 0) problems.push('image not shown: ' + img.getAttribute('src'));
  }
  // Runs of spaces: the run's width against a probe of the same spaces with
  // white-space: pre, in the same element (so in the same font). Only runs
  // on one line with the next character are measured: at a wrap the spaces
  // may hang past the line's end.
  let runs = 0;
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node; runs < 50 && (node = walker.nextNode());) {
    if (!node.parentElement.closest('div.topic')) continue;
    for (const m of node.data.matchAll(/ {2,}(?=[^ ])/g)) {
      if (runs >= 50) break;
      const range = document.createRange();
      range.setStart(node, m.index);
      range.setEnd(node, m.index + m[0].length);
      const spaces = range.getClientRects();
      range.setStart(node, m.index + m[0].length);
      range.setEnd(node, m.index + m[0].length + 1);
      const next = range.getClientRects();
      if (spaces.length !== 1 || next.length !== 1 || Math.abs(spaces[0].top - next[0].top) > 1) continue;
      const probe = document.createElement('span');
      probe.style.whiteSpace = 'pre';
      probe.textContent = m[0];
      node.parentNode.insertBefore(probe, node);
      const wide = probe.getBoundingClientRect().width;
      probe.remove();
      runs++;
      if (Math.abs(spaces[0].width - wide) > 1) {
        problems.push(`${m[0].length} spaces before "${node.data.substr(m.index + m[0].length, 20)}" are ` +
                      `${spaces[0].width.toFixed(1)} px wide, not ${wide.toFixed(1)} px`);
      }
    }
  }
  window.spaceRuns = runs;
  return {problems};
})()"""


def check(root):
    """The problems of the site in root, and the runs of spaces measured."""
    pages = sorted(os.path.join(d, f) for d, _, files in os.walk(root) for f in files if f.endswith(".html"))
    parsed = {page: Page(page) for page in pages}
    problems, runs = [] if pages else ["no pages"], 0
    check_images(root, check_links(root, parsed, problems), problems)
    check_reach(root, parsed, problems)
    check_tidy(root, pages, problems)
    browser = Browser()
    try:
        for page in pages:
            if parsed[page].forwards:
                continue  # its link is checked above; the browser would only follow it
            problems += [f"{os.path.relpath(page, root)}: browser: {p}"
                         for p in browser.load("file://" + urllib.parse.quote(page), PAGE_CHECK)]
            runs += browser.evaluate("window.spaceRuns")
    finally:
        browser.close()
    print("\n".join(problems + [f"check_site: {root}: {len(pages)} pages, {len(problems)} problems, "
                                f"{runs} space runs measured"]))
    return problems, runs


def corpus(cli, source):
    """ctest corpus_sites: every corpus file's site, all into one folder (so
    that jumps between them resolve). The Abbrevia read-me (a folder tree
    drawn with spaces) and the message dialog's help (indented code) must
    have runs of spaces measured."""
    failed = False
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([cli, "-q", "--html", "-C", work, *corpus_files(source)], check=True)
        for site in sorted(os.listdir(work)):
            problems, runs = check(os.path.join(work, site))
            failed |= bool(problems) or (site in ("readme", "pjmessagedialog") and not runs)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(corpus(*sys.argv[1:]) if len(sys.argv) == 3 else 1 if check(os.path.realpath(sys.argv[1]))[0] else 0)
