# SPDX-License-Identifier: MIT
"""What the site checks share: headless Chromium driven over its DevTools
pipe, conversions with korvane-cli and halibut, the internal files of a
small help file (to change it where halibut has no way to say it), and the
topics of the RTF sources, which tell what the pages must show."""
import fcntl
import json
import os
import re
import select
import shutil
import struct
import subprocess
import tempfile
import time

PAGE_SECONDS = 15


def convert(cli, help_file, out, *options):
    subprocess.run([cli, "-q", *options, "-C", out, help_file], check=True)


def corpus_files(source):
    """The help files of tests/corpus (those of not-winhelp aside)."""
    return sorted(os.path.join(d, f) for d, _, files in os.walk(os.path.join(source, "tests/corpus"))
                  for f in files if f.lower().endswith(".hlp") and "not-winhelp" not in d)


def halibut(work, name, text):
    """A help file that halibut writes from text: its path."""
    with open(os.path.join(work, name + ".but"), "w") as f:
        f.write(text)
    subprocess.run(["halibut", f"--winhelp={name}.hlp", name + ".but"], cwd=work, check=True)
    return os.path.join(work, name + ".hlp")


def directory(data):
    """The internal files of a help file's bytes: name -> (where the
    directory holds its offset, offset). A help file as small as those the
    tests write has a directory of one page."""
    root = struct.unpack_from("<i", data, 4)[0] + 9
    assert struct.unpack_from("<h", data, root + 32)[0] == 1, "a directory of one level"
    at = root + 38 + struct.unpack_from("<h", data, root + 26)[0] * 1024
    files, count, at = {}, struct.unpack_from("<H", data, at + 2)[0], at + 8
    for _ in range(count):
        end = data.index(b"\0", at)
        files[data[at:end].decode("latin-1")] = (end + 1, struct.unpack_from("<I", data, end + 1)[0])
        at = end + 5
    return files


class Browser:
    """Headless Chromium driven over --remote-debugging-pipe (fds 3 and 4)."""

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
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable")
        self.call("Page.setLifecycleEventsEnabled", {"enabled": True})

    def until(self, matches, seconds):
        """Reads messages, keeping the events, until one matches (returned)
        or the time runs out (None)."""
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

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression[:60]}: {json.dumps(result['exceptionDetails'])[:300]}")
        return result["result"].get("value")

    def navigate(self, url):
        """Opens url and waits until it has loaded (a move within the page
        loads nothing; the load of a page before it does not count); a
        dialog the page opens (alert) is an error."""
        self.events = []
        result = self.call("Page.navigate", {"url": url})
        if result.get("errorText"):
            raise RuntimeError(f"{url}: not loaded: {result['errorText']}")
        ends = lambda m: m.get("method") == "Page.javascriptDialogOpening" or m.get("method") == "Page.lifecycleEvent" \
            and m["params"]["name"] == "load" and m["params"]["loaderId"] == result["loaderId"]
        end = "loaderId" in result and (next(filter(ends, self.events), None) or self.until(ends, PAGE_SECONDS))
        if end is None:
            raise RuntimeError(f"{url}: did not finish loading")
        if end and end["method"] == "Page.javascriptDialogOpening":
            raise RuntimeError(f"{url}: opened a dialog: {end['params'].get('message')!r}")

    def load(self, url, check=None):
        """Opens url, runs the expression check (returning {problems: [...]}),
        and gives its problems and the errors logged meanwhile."""
        self.navigate(url)
        problems = list((self.evaluate(check) or {}).get("problems", [])) if check else []
        for m in self.events:
            params = m.get("params", {})
            if m["method"] == "Runtime.exceptionThrown":
                problems.append("uncaught exception: " + json.dumps(params.get("exceptionDetails"))[:300])
            elif m["method"] == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                problems.append("console error: " + json.dumps(params.get("args"))[:300])
            elif m["method"] == "Log.entryAdded" and params["entry"].get("level") == "error":
                problems.append(f"browser error: {params['entry'].get('text', '')} {params['entry'].get('url', '')}")
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


SKIPPED = re.compile(rb"\{(?:[#$K+!A-Z@>*]?\{\\footnote|\\fonttbl|\\colortbl|\\header|\\v[ \\{]|\\\*)")
TOKEN = re.compile(rb"\\([a-zA-Z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\([^a-zA-Z'])|([{}])|[\r\n]+|([^\\{}\r\n]+)")


def rtf_topics(data):
    """The topics of an RTF file: lists of paragraphs, each a dict of its
    format (li, fi, sb, sa, sl in twips, size in half points, tabs as
    (twips, "l", "r" or "c")) and its segments between tabs, each a list of
    runs [font number, bytes] (\\line a space). Footnotes, hidden text and
    the tables are left out. A paragraph ends at \\par or \\cell, or where a
    record left it open: at the next \\pard or \\page, or at the end."""
    topics, paragraphs, segments = [], [], [[]]
    new = lambda: {"li": 0, "fi": 0, "sb": 0, "sa": 0, "sl": 0, "tabs": []}
    fmt, kind, font, size, depth, skip, outer = new(), "l", 0, 24, 0, None, []

    def add(text):
        if not text:
            return
        if not segments[-1] or segments[-1][-1][0] != font:
            segments[-1].append([font, bytearray()])
        segments[-1][-1][1] += text

    def flush(always=True):
        nonlocal segments
        if always or segments != [[]]:
            paragraphs.append(dict(fmt, size=size, segments=segments))
        segments = [[]]

    for m in TOKEN.finditer(data):
        word, number, hexa, symbol, brace, chunk = m.groups()
        if brace == b"{":
            skip = depth if skip is None and SKIPPED.match(data, m.start()) else skip
            depth += 1
            outer.append((font, size))
        elif brace:
            depth -= 1
            skip = None if skip == depth else skip
            font, size = outer.pop() if outer else (font, size)
        elif skip is not None:
            continue
        elif chunk or hexa or symbol:
            add(chunk or (bytes([int(hexa, 16)]) if hexa else symbol if symbol in b"{}\\" else b""))
        elif word in (b"li", b"fi", b"sb", b"sa", b"sl"):
            fmt[word.decode()] = int(number)
        elif word in (b"tqr", b"tqc"):
            kind = chr(word[2])
        elif word == b"tx":
            fmt["tabs"], kind = [*fmt["tabs"], (int(number), kind)], "l"
        elif word == b"f":
            font = int(number)
        elif word == b"fs":
            size = int(number)
        elif word == b"tab":
            segments.append([])
        elif word == b"line":
            add(b" ")
        elif word in (b"par", b"cell"):
            flush()
        elif word in (b"pard", b"page"):
            flush(False)
            fmt = new()
            if word == b"page":
                topics.append(paragraphs)
                paragraphs = []
    flush(False)
    return topics + [paragraphs]


def segment_texts(paragraph, code_page, fonts={}):
    """A paragraph's segments as text: bytes through the code page, or in a
    font of fonts through its table (byte to character); picture and window
    references are spaces, control characters (written "(0x1f)") nothing."""
    def text(font, data):
        data = re.sub(rb"\(0x[0-9a-f]{2}\)", b"", re.sub(rb"\{(?:bm|ew)[clr] [^}]*\}", b" ", bytes(data)))
        table = fonts.get(font)
        return "".join(chr(table[b]) if b >= 0x20 else chr(b) for b in data) if table else \
            data.decode("cp%d" % code_page, errors="replace")
    return ["".join(text(*run) for run in runs) for runs in paragraph["segments"]]


def footnotes(data, mark, code_page):
    """The texts of each topic's footnotes of one mark (b"#" context ids, b"$" titles)."""
    pattern = re.compile(rb"\{" + re.escape(mark) + rb"\{\\footnote\{" + re.escape(mark) + rb"\}((?:[^\\{}]|\\.)*)\}\}")
    unescape = lambda t: re.sub(rb"\\'([0-9a-fA-F]{2})|\\(.)", lambda m: bytes([int(m[1], 16)]) if m[1] else m[2], t)
    return [[unescape(t).decode("cp%d" % code_page, errors="replace") for t in pattern.findall(topic)]
            for topic in re.sub(rb"[\r\n]", b"", data).split(b"\\page")]
