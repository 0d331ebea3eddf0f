#!/usr/bin/env python3
"""Checks a static HTML site written by Korvane's HTML export.

Usage: check_site.py [--no-tidy] [--no-browser] DIR

Every .html file under DIR is checked:
  links   every local href/src names an existing file inside DIR, and a
          #fragment an element with that id in the target page; no link is a
          script (javascript:, vbscript:, data:); a.popup[data-popup=ID] has
          its content in the page (an element with id popup-ID);
  images  every referenced picture decodes (ImageMagick's identify, its
          warnings taken as errors);
  tidy    `tidy -e -q` reports no errors (warnings are allowed);
  browser the pages are loaded, one after the other, in one headless
          Chromium (scripts on, driven over its DevTools pipe): no console
          error, no uncaught exception, no failed load, every <img> shown;
          every popup link opens its box with the popup's text and closes it
          again when clicked a second time.
Prints one line per problem and a summary; exits with 1 when there is a
problem, 2 when a tool is missing or DIR is no folder.
"""

import fcntl
import html.parser
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

IMAGE_EXTENSIONS = {".png", ".gif", ".jpg", ".jpeg", ".bmp", ".svg", ".webp", ".ico"}
LINK_ATTRIBUTES = {("a", "href"), ("area", "href"), ("link", "href"), ("img", "src"), ("script", "src"),
                   ("iframe", "src"), ("embed", "src"), ("source", "src"), ("audio", "src"), ("video", "src"),
                   ("object", "data")}
SCRIPT_SCHEMES = {"javascript", "vbscript", "data"}
PAGE_LOAD_SECONDS = 15


class Page(html.parser.HTMLParser):
    """The ids, links and popup links of one page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []   # (line, tag, attribute, value)
        self.popups = []  # (line, popup id)

    def handle_starttag(self, tag, attrs):
        line = self.getpos()[0]
        values = dict(attrs)
        if values.get("id") is not None:
            self.ids.add(values["id"])
        if tag == "a" and values.get("name") is not None:
            self.ids.add(values["name"])
        for name, value in attrs:
            if (tag, name) in LINK_ATTRIBUTES:
                self.links.append((line, tag, name, value or ""))
        if tag == "a" and "popup" in (values.get("class") or "").split() and "data-popup" in values:
            self.popups.append((line, values["data-popup"] or ""))

    handle_startendtag = handle_starttag


def browser_view(url):
    """The URL as a browser reads it: tab and line ends removed, ends cut."""
    return "".join(c for c in url if c not in "\t\r\n").strip("".join(chr(i) for i in range(0x21)))


def check_links(root, pages, parsed, problems):
    images = {}
    for page in pages:
        where = os.path.relpath(page, root)
        for line, tag, attribute, value in parsed[page].links:
            url = browser_view(value)
            parts = urllib.parse.urlsplit(url)
            if parts.scheme.lower() in SCRIPT_SCHEMES:
                problems.append(f"{where}:{line}: <{tag} {attribute}> is a script link: {value!r}")
                continue
            if parts.scheme or parts.netloc:
                continue  # external
            if url == "":
                problems.append(f"{where}:{line}: <{tag} {attribute}> is empty")
                continue
            path = urllib.parse.unquote(parts.path)
            target = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            if os.path.commonpath([root, os.path.realpath(target)]) != root:
                problems.append(f"{where}:{line}: {value!r} points outside the site")
                continue
            if not os.path.isfile(target):
                problems.append(f"{where}:{line}: broken link {value!r}: no file {os.path.relpath(target, root)}")
                continue
            fragment = urllib.parse.unquote(parts.fragment)
            if fragment:
                ids = parsed[target].ids if target in parsed else set()
                if fragment not in ids:
                    problems.append(f"{where}:{line}: broken link {value!r}: no id {fragment!r} in "
                                    f"{os.path.relpath(target, root)}")
            if os.path.splitext(target)[1].lower() in IMAGE_EXTENSIONS:
                images.setdefault(target, f"{where}:{line}")
        for line, popup in parsed[page].popups:
            if "popup-" + popup not in parsed[page].ids:
                problems.append(f"{where}:{line}: popup {popup!r} has no element popup-{popup} in the page")
    return images


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
            for error in errors:
                problems.append(f"{os.path.relpath(page, root)}: tidy: {error.strip()}")


# Runs in each loaded page: the pictures that did not load, and each popup
# link clicked twice. A click the page's script did not take is stopped
# before it navigates away and reported.
PAGE_CHECK = r"""(() => {
  const problems = [];
  for (const img of document.images) {
    if (!img.complete || img.naturalWidth === 0) problems.push('image not shown: ' + img.getAttribute('src'));
  }
  let unhandled = false;
  const guard = (event) => { if (!event.defaultPrevented) { unhandled = true; event.preventDefault(); } };
  window.addEventListener('click', guard);
  for (const link of document.querySelectorAll('a.popup[data-popup]')) {
    if (link.closest('[hidden]')) continue;  // inside popup content, tried where it is shown
    const id = link.getAttribute('data-popup');
    const content = document.getElementById('popup-' + id);
    if (!content) continue;
    unhandled = false;
    link.click();
    const box = link.nextElementSibling;
    const shown = box && box.classList.contains('popup-box') && box.getClientRects().length > 0;
    if (unhandled || !shown) { problems.push('popup ' + id + ' does not open in place'); continue; }
    const text = (node) => node.textContent.replace(/\s+/g, ' ').trim();
    if (text(box) !== text(content)) problems.push('popup ' + id + ' shows other text: ' + text(box).slice(0, 60));
    link.click();
    const after = link.nextElementSibling;
    if (after && after.classList.contains('popup-box')) problems.push('popup ' + id + ' does not close');
  }
  window.removeEventListener('click', guard);
  return problems;
})()"""


class Browser:
    """Headless Chromium driven over --remote-debugging-pipe (fds 3 and 4)."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="check-site-")
        to_browser_r, to_browser_w = os.pipe()
        from_browser_r, from_browser_w = os.pipe()

        def wire():
            # Through fds above 4 first, so that neither end is closed by the
            # other's dup2.
            reading = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
            writing = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-extensions",
             "--remote-debugging-pipe", "--user-data-dir=" + self.profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, pass_fds=(3, 4), preexec_fn=wire)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.out = os.fdopen(to_browser_w, "wb", buffering=0)
        self.inp = os.fdopen(from_browser_r, "rb", buffering=0)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.session = None
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable")

    def message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError
            data = self.inp.read(1 << 16)
            if not data:
                self.log.seek(0)
                raise RuntimeError("chromium stopped: " + self.log.read().decode(errors="replace")[-2000:])
            self.buffer += data
        raw, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(raw)

    def call(self, method, params=None, seconds=PAGE_LOAD_SECONDS):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params or {}}
        if self.session:
            request["sessionId"] = self.session
        self.out.write(json.dumps(request).encode() + b"\0")
        deadline = time.monotonic() + seconds
        while True:
            m = self.message(deadline)
            if m.get("id") == self.next_id:
                if "error" in m:
                    raise RuntimeError(f"{method}: {m['error']}")
                return m.get("result", {})
            if "method" in m:
                self.events.append(m)

    def wait_for(self, event, seconds):
        deadline = time.monotonic() + seconds
        while True:
            for i, m in enumerate(self.events):
                if m["method"] == event:
                    del self.events[i]
                    return True
            try:
                m = self.message(deadline)
            except TimeoutError:
                return False
            if "method" in m:
                self.events.append(m)

    def load(self, url):
        """Problems of one page: errors logged while it loads and its checks."""
        self.events = []
        result = self.call("Page.navigate", {"url": url})
        if result.get("errorText"):
            return [f"not loaded: {result['errorText']}"]
        if not self.wait_for("Page.loadEventFired", PAGE_LOAD_SECONDS):
            return ["did not finish loading"]
        checked = self.call("Runtime.evaluate", {"expression": PAGE_CHECK, "returnByValue": True})
        problems = list(checked.get("result", {}).get("value") or [])
        if "exceptionDetails" in checked:
            problems.append("the checks failed: " + json.dumps(checked["exceptionDetails"])[:200])
        for m in self.events:
            params = m.get("params", {})
            if m["method"] == "Runtime.exceptionThrown":
                details = params.get("exceptionDetails", {})
                text = details.get("exception", {}).get("description") or details.get("text", "")
                problems.append(f"uncaught exception (line {details.get('lineNumber', 0) + 1}): "
                                f"{text.splitlines()[0] if text else ''}")
            elif m["method"] == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                args = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
                problems.append(f"console error: {args}")
            elif m["method"] == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
                entry = params["entry"]
                problems.append(f"browser error: {entry.get('text', '')} {entry.get('url', '')}".strip())
        return problems

    def close(self):
        try:
            self.session = None
            self.call("Browser.close", seconds=5)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def check_browser(root, pages, problems):
    browser = Browser()
    try:
        for page in pages:
            for problem in browser.load("file://" + urllib.parse.quote(page)):
                problems.append(f"{os.path.relpath(page, root)}: browser: {problem}")
    finally:
        browser.close()


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    options = {a for a in argv if a.startswith("--")}
    if len(args) != 1 or options - {"--no-tidy", "--no-browser"} or not os.path.isdir(args[0]):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    tools = ["identify"] + ([] if "--no-tidy" in options else ["tidy"]) + \
        ([] if "--no-browser" in options else ["chromium"])
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        print("check_site: missing " + ", ".join(missing) + " (tools/install-deps.sh test installs them)",
              file=sys.stderr)
        return 2
    root = os.path.realpath(args[0])
    pages = sorted(os.path.join(d, f) for d, _, files in os.walk(root) for f in files if f.endswith(".html"))
    parsed = {}
    for page in pages:
        parser = Page()
        with open(page, encoding="utf-8", errors="replace") as f:
            parser.feed(f.read())
        parsed[page] = parser

    problems = []
    started = time.monotonic()
    check_images(root, check_links(root, pages, parsed, problems), problems)
    if "--no-tidy" not in options:
        check_tidy(root, pages, problems)
    if "--no-browser" not in options:
        check_browser(root, pages, problems)
    for problem in problems:
        print(problem)
    print(f"check_site: {len(pages)} pages, {len(problems)} problems, {time.monotonic() - started:.1f} s")
    return 1 if problems or not pages else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
