#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Checks a static HTML site written by Korvane's HTML export.
#
# Usage: check_site.py DIR
#
# Every .html file under DIR is checked:
#   links   every local href/src names an existing file inside DIR, and a
#           #fragment an element with that id in the target page; no link is
#           a script (javascript:, vbscript:, data:); a.popup[data-popup=ID]
#           has its content in the page (an element with id popup-ID);
#   images  every referenced picture decodes (ImageMagick's identify, its
#           warnings taken as errors);
#   reach   every page is reached from index.html by following links (<a>
#           and <area> hrefs, form actions, through forwarding pages), when there is an
#           index.html; pages that only forward need not be reached;
#   tidy    `tidy -e -q` reports no errors (warnings are allowed);
#   browser the pages are loaded one after the other in one headless
#           Chromium (scripts on, driven over its DevTools pipe): no console
#           error, no uncaught exception, no failed load, every <img> shown;
#           every popup link opens its box (the element its aria-controls
#           names) with the popup's text and closes it again when clicked a
#           second time; every run of two or more
#           spaces in a topic's text (div.topic), up to 50 a page, is as wide
#           as the same spaces laid out with white-space: pre (the browser
#           must not collapse what the help file lines up with spaces).
# Prints one line per problem and a summary (with the number of space runs
# measured); exits with 1 when there is a
# problem, 2 when a tool is missing or DIR is no folder.

import fcntl
import html.parser
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

IMAGE_EXTENSIONS = {".png", ".gif", ".jpg", ".jpeg", ".bmp", ".svg", ".webp", ".ico"}
LINK_ATTRIBUTES = {("a", "href"), ("area", "href"), ("link", "href"), ("img", "src"), ("script", "src"),
                   ("iframe", "src"), ("embed", "src"), ("source", "src"), ("object", "data"), ("form", "action")}
SCRIPT_SCHEMES = {"javascript", "vbscript", "data"}
PAGE_SECONDS = 15


# The ids, links (line, tag, attribute, value) and popup links of a page.
class Page(html.parser.HTMLParser):
    def __init__(self, path):
        super().__init__(convert_charrefs=True)
        self.ids, self.links, self.popups, self.hrefs = set(), [], [], []
        self.forwards = False  # a page that only forwards (meta refresh) to another
        with open(path, encoding="utf-8", errors="replace") as f:
            self.feed(f.read())

    def handle_starttag(self, tag, attrs):
        line, values = self.getpos()[0], dict(attrs)
        if tag == "meta" and (values.get("http-equiv") or "").lower() == "refresh":
            self.forwards = True
        self.ids.update(v for k, v in attrs if k == "id" or (tag == "a" and k == "name"))
        self.links += [(line, tag, k, v or "") for k, v in attrs if (tag, k) in LINK_ATTRIBUTES]
        if tag in ("a", "area") and values.get("href"):
            self.hrefs.append(values["href"])
        if tag == "form" and values.get("action"):  # the search box leads to the search page
            self.hrefs.append(values["action"])
        if tag == "a" and "popup" in (values.get("class") or "").split() and "data-popup" in values:
            self.popups.append((line, values["data-popup"] or ""))

    handle_startendtag = handle_starttag


def check_links(root, parsed, problems, notes):
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
            if os.path.commonpath([root, real]) != root:
                # A jump into another help file leads to its site beside this one:
                # checked when that site is there, noted when it is not.
                sibling = os.path.relpath(real, parent).split(os.sep)[0]
                if os.path.commonpath([parent, real]) == parent and sibling not in ("", "..", "."):
                    if not os.path.isdir(os.path.join(parent, sibling)):
                        notes.add(sibling)
                    elif not os.path.isfile(real):
                        problems.append(f"{where}:{line}: broken link {value!r} into the site {sibling}")
                else:
                    problems.append(f"{where}:{line}: {value!r} points outside the site")
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


# The pages that following links from index.html never reaches.
def check_reach(root, parsed, problems):
    start = os.path.join(root, "index.html")
    if start not in parsed:
        return
    reached, todo = {start}, [start]
    while todo:
        page = todo.pop()
        for href in parsed[page].hrefs:
            parts = urllib.parse.urlsplit(href.strip())
            if parts.scheme or parts.netloc or not parts.path:
                continue
            target = os.path.normpath(os.path.join(os.path.dirname(page), urllib.parse.unquote(parts.path)))
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


# Runs in each loaded page: the pictures that did not show, and each popup
# link clicked twice. A click the page's script did not take is stopped
# before it navigates away, and reported.
PAGE_CHECK = r"""(() => {
  const problems = [], text = (node) => node.textContent.replace(/\s+/g, ' ').trim();
  const boxOf = (link) => document.getElementById(link.getAttribute('aria-controls') || '');
  for (const img of document.images) {
    if (!img.complete || img.naturalWidth === 0) problems.push('image not shown: ' + img.getAttribute('src'));
  }
  let unhandled = false;
  const guard = (event) => { if (!event.defaultPrevented) { unhandled = true; event.preventDefault(); } };
  window.addEventListener('click', guard);
  for (const link of document.querySelectorAll('a.popup[data-popup]')) {
    const id = link.getAttribute('data-popup'), content = document.getElementById('popup-' + id);
    if (!content || link.closest('[hidden]')) continue;  // reported, or tried where it is shown
    unhandled = false;
    link.click();
    const box = boxOf(link);
    if (unhandled || !box || !box.classList.contains('popup-box') || box.getClientRects().length === 0) {
      problems.push('popup ' + id + ' does not open in place');
      continue;
    }
    if (text(box) !== text(content)) problems.push('popup ' + id + ' shows other text: ' + text(box).slice(0, 60));
    link.click();
    if (box.isConnected) problems.push('popup ' + id + ' does not close');
  }
  window.removeEventListener('click', guard);
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
  return {problems, runs};
})()"""


# Headless Chromium driven over --remote-debugging-pipe (fds 3 and 4).
class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="check-site-")
        to_r, to_w = os.pipe()
        from_r, from_w = os.pipe()

        def wire():  # through fds above 4, so that no dup2 closes the other end
            reading, writing = fcntl.fcntl(to_r, fcntl.F_DUPFD, 10), fcntl.fcntl(from_w, fcntl.F_DUPFD, 10)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-extensions",
             "--remote-debugging-pipe", "--user-data-dir=" + self.profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, pass_fds=(3, 4), preexec_fn=wire)
        os.close(to_r)
        os.close(from_w)
        self.out, self.inp = os.fdopen(to_w, "wb", buffering=0), from_r
        self.buffer, self.next_id, self.events, self.session = b"", 0, [], None
        self.space_runs = 0  # runs of spaces measured in all pages loaded
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable")

    # Reads messages, keeping the events, until one matches (returned) or
    # the time runs out (None).
    def until(self, matches, seconds):
        deadline = time.monotonic() + seconds
        while True:
            while b"\0" not in self.buffer:
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([self.inp], [], [], left)[0]:
                    return None
                data = os.read(self.inp, 1 << 16)
                if not data:
                    self.log.seek(0)
                    raise RuntimeError("chromium stopped: " + self.log.read().decode(errors="replace")[-2000:])
                self.buffer += data
            raw, self.buffer = self.buffer.split(b"\0", 1)
            m = json.loads(raw)
            if "method" in m:
                self.events.append(m)
            if matches(m):
                return m

    def call(self, method, params=None, seconds=PAGE_SECONDS):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params or {}}
        if self.session:
            request["sessionId"] = self.session
        self.out.write(json.dumps(request).encode() + b"\0")
        m = self.until(lambda m, i=self.next_id: m.get("id") == i, seconds)
        if m is None or "error" in m:
            raise RuntimeError(f"{method}: {m['error'] if m else 'no answer'}")
        return m.get("result", {})

    # Problems of one page: errors logged while it loads, and its checks
    # (the expression check, returning {problems, runs}; None for none).
    def load(self, url, check=PAGE_CHECK):
        self.events = []
        result = self.call("Page.navigate", {"url": url})
        if result.get("errorText"):
            return [f"not loaded: {result['errorText']}"]
        loaded = lambda m: m.get("method") == "Page.loadEventFired"
        if not any(map(loaded, self.events)) and not self.until(loaded, PAGE_SECONDS):
            return ["did not finish loading"]
        checked = self.call("Runtime.evaluate", {"expression": check, "returnByValue": True}) if check else {}
        value = checked.get("result", {}).get("value") or {}
        problems = list(value.get("problems") or [])
        self.space_runs += value.get("runs") or 0
        if "exceptionDetails" in checked:
            problems.append("the checks failed: " + json.dumps(checked["exceptionDetails"])[:200])
        for m in self.events:
            method, params = m["method"], m.get("params", {})
            if method == "Runtime.exceptionThrown":
                details = params.get("exceptionDetails", {})
                text = details.get("exception", {}).get("description") or details.get("text", "")
                problems.append(f"uncaught exception (line {details.get('lineNumber', 0) + 1}): "
                                f"{text.splitlines()[0] if text else ''}")
            elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                args = params.get("args", [])
                problems.append("console error: " + " ".join(str(a.get("value", a.get("description"))) for a in args))
            elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
                entry = params["entry"]
                problems.append(f"browser error: {entry.get('text', '')} {entry.get('url', '')}".strip())
        return problems

    def close(self):
        self.session = None
        try:
            self.call("Browser.close", seconds=5)
            self.process.wait(timeout=10)
        except (RuntimeError, OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def main(argv):
    if len(argv) != 1 or not os.path.isdir(argv[0]):
        print("usage: check_site.py DIR", file=sys.stderr)
        return 2
    missing = [t for t in ("identify", "tidy", "chromium") if not shutil.which(t)]
    if missing:
        print(f"check_site: missing {', '.join(missing)} (tools/install-deps.sh test installs them)", file=sys.stderr)
        return 2
    started, root = time.monotonic(), os.path.realpath(argv[0])
    pages = sorted(os.path.join(d, f) for d, _, files in os.walk(root) for f in files if f.endswith(".html"))
    parsed = {page: Page(page) for page in pages}
    problems, notes = [], set()
    check_images(root, check_links(root, parsed, problems, notes), problems)
    check_reach(root, parsed, problems)
    check_tidy(root, pages, problems)
    browser = Browser()
    try:
        for page in pages:
            if parsed[page].forwards:
                continue  # its link is checked above; the browser would only follow it
            problems += [f"{os.path.relpath(page, root)}: browser: {p}"
                         for p in browser.load("file://" + urllib.parse.quote(page))]
    finally:
        browser.close()
    for sibling in sorted(notes):
        print(f"check_site: note: links into the site {sibling!r}, which is not beside this one")
    print("\n".join(problems + [f"check_site: {len(pages)} pages, {len(problems)} problems, "
                                f"{browser.space_runs} space runs measured, {time.monotonic() - started:.1f} s"]))
    return 1 if problems or not pages else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
