#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The HTML Help files of the corpus, held against the web sites of the same help files.

Every corpus file, the seeds that convert and a hostile help file are converted with --chm and --html.
Each CHM is read back with chmlib (chm_tools.py): every [FILES] page stored, its contents, keywords and
context map as the project says; then against the site, which is the reference:
  - the contents file's tree is the site contents page's (books, entries, the pages they open, the other
    topics), a page of another help file in that file's CHM;
  - every keyword of the index has the topics (and places) of the site's keyword page, in both levels;
  - every [Map] number of the help file (its sources' .HPJ) opens, through #IVB and #STRINGS, the page the
    site gives that context (its page, or where the page named after it forwards);
  - the full-text search finds a rare word of each of a sample of topics;
  - every script of the pages parses as ES5 (check_es5.js).
The hostile help file's project files hold its names as values (nothing else in the project file, only
sitemap elements in the contents and index), its pages run no script of its own, and nothing is written
outside the output. Without chmcmd the project is written and the conversion succeeds; a failing compiler
fails it and leaves no CHM.
Usage: check_chm.py KORVANE_CLI SOURCE_DIR   (run with /usr/bin/python3, which has python3-chm)"""
import collections
import html
import os
import re
import subprocess
import sys
import tempfile
from html.parser import HTMLParser

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "html"))
import chm_tools  # noqa: E402
from site_tools import corpus_files, halibut  # noqa: E402

SEEDS = ["codepage-japanese.hlp", "codepage-western.hlp", "codepage-symbol-font.hlp", "halibut-small.hlp",
         "hcrtf-small.hlp", "named-pictures.hlp", "table-types.hlp", "version30.hlp", "longest-name.hlp"]
HOSTILE = "<script>alert(1)</script> \"q\" 'a' = ] [x] > & &amp; ../../etc"
SAMPLE = 6  # topics a CHM is searched for


def run(cli, *args, env=None):
    return subprocess.run([cli, "-q", *args], capture_output=True, text=True, env=env)


class Tree(HTMLParser):
    """The site's contents page as (depth, name, pages): books (<details><summary>) and entries of
    nav.contents, the other topics as one book after them."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.entries, self.depth, self.nav, self.text, self.href, self.other = [], -1, False, None, None, False
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "nav" and attrs.get("class") == "contents":
            self.nav = True
        elif tag == "h2" and attrs.get("id") == "other-topics":
            self.other, self.text = True, ""
        elif self.nav and tag == "ul":
            self.flush()
            if attrs.get("class") == "other-topics" and self.entries:
                self.depth += 1
            self.depth += 1
        elif self.nav and tag in ("li", "summary"):
            self.flush()
            self.text, self.href = "", None
        elif self.nav and tag == "a":
            self.href = attrs.get("href")

    def handle_endtag(self, tag):
        if tag == "h2" and self.other:
            self.entries.append((0, self.text.strip(), ()))
            self.other, self.text = False, None
        elif tag == "nav":
            self.flush()
            self.nav, self.depth = False, -1
        elif self.nav and tag == "ul":
            self.flush()
            self.depth -= 1
        elif self.nav and tag in ("li", "summary", "details"):
            self.flush()

    def handle_data(self, data):
        if self.text is not None:
            self.text += data

    def flush(self):
        if self.nav and self.text is not None and self.text.strip():
            href = self.href
            if href and href.startswith("../"):  # another help file's site: its CHM
                key, _, page = href[3:].partition("/")
                href = f"ms-its:{key}.chm::/{page}"
            self.entries.append((self.depth, self.text.strip(), (chm_tools.page_key(href),) if href else ()))
        if not self.other:
            self.text, self.href = None, None


class Keywords(HTMLParser):
    """The K keywords of the site's keyword page: (first,) or (first, second) -> the pages of its topics."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.table, self.path, self.kw_text, self.in_index, self.depth, self.seen = {}, [], None, False, 0, False
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "ul" and attrs.get("class") == "index" and not self.seen:
            self.in_index = self.seen = True
        if not self.in_index:
            return
        if tag == "ul":
            self.depth += 1
        elif tag == "li" and "data-key" in attrs:
            self.path = self.path[:1] if attrs["data-key"] != "" and self.depth == 2 else []
            self.kw_text = None
        elif "kw" in (attrs.get("class") or "").split():
            self.kw_text = ""
            if tag == "a":
                self.pending = attrs.get("href")
        elif tag == "a" and self.path:
            self.table[tuple(self.path)].add(chm_tools.page_key(attrs.get("href")))

    def handle_data(self, data):
        if self.kw_text is not None:
            self.kw_text += data

    def handle_endtag(self, tag):
        if not self.in_index:
            return
        if self.kw_text is not None and tag in ("a", "span", "summary"):
            self.path.append(self.kw_text)
            self.table.setdefault(tuple(self.path), set())
            if tag == "a":
                self.table[tuple(self.path)].add(chm_tools.page_key(self.pending))
            self.kw_text = None
        elif tag == "ul":
            self.depth -= 1
            if self.depth == 0:
                self.in_index = False


def safe_name(text, most=64):
    """A context id as the site names its page (base/file_names.h safe_name)."""
    out = ""
    for i, b in enumerate(text.encode("latin-1")):
        c = chr(b)
        kept = c.isascii() and (c.isalnum() or c == "_" or (c == "." and i > 0))
        piece = c if kept else "-%02X" % b
        if len(out) + len(piece) > most:
            break
        out += piece
    return out or "-"


def site_page_of(site, name):
    """The page the site gives a context: its page, or where the page named after it forwards."""
    page = safe_name("".join(c.lower() if c.isascii() else c for c in name)) + ".html"
    path = os.path.join(site, page)
    if not os.path.isfile(path):
        return None
    forward = re.search(r'<meta http-equiv="refresh" content="0; url=([^"]*)">', open(path, encoding="utf-8").read())
    return html.unescape(forward.group(1)) if forward else page


def help_map(cli, help_file, work):
    """[Map] of the help file's sources: (number, name), in order."""
    out = os.path.join(work, "sources")
    os.makedirs(out, exist_ok=True)
    run(cli, "-C", out, help_file)
    entries = []
    for name in os.listdir(out):
        if name.upper().endswith(".HPJ"):
            text = open(os.path.join(out, name), encoding="latin-1").read().replace("\r", "")
            section = text.partition("[Map]\n")[2]
            for line in section.split("\n"):
                words = line.split()
                if len(words) == 3 and words[0] == "#define":
                    entries.append((int(words[2]) & 0xFFFFFFFF, words[1]))
                elif line.startswith("["):
                    break
    return entries


def page_texts(chm, pages):
    """The title and the body's text of each page as the compiler indexes them: tags left out,
    character references as they are (it does not decode them)."""
    texts = {}
    for page in pages:
        raw = chm.text(chm.read("/" + page) or b"")
        title = re.search(r"<title>(.*?)</title>", raw, re.S)
        texts[page] = (title.group(1) if title else "", re.sub(r"<[^>]*>", " ", raw.split("<body>", 1)[-1]))
    return texts


def rare_words(texts):
    """(word, page) for a sample of pages: an ASCII word of the page that the fewest pages hold.
    chmlib's search reads the first of a word's two entries that chmcmd writes (the titles that hold
    it, then the pages), and gives one page per title: words of a title and pages whose title another
    page has are left aside, and so are words next to an apostrophe or a character reference (the
    compiler joins or splits them)."""
    edge = "A-Za-z0-9'&#;\u00de\u00fe"
    pattern = f"(?<![{edge}])[A-Za-z]{{5,}}(?![{edge}])"
    words = {page: set(re.findall(pattern, body.lower())) for page, (_, body) in texts.items()}
    in_titles = {w for title, _ in texts.values() for w in re.findall("[a-z0-9]+", title.lower())}
    titles = collections.Counter(title for title, _ in texts.values())
    frequency = collections.Counter(w for ws in words.values() for w in ws)
    pages = sorted(p for p, ws in words.items() if ws - in_titles and titles[texts[p][0]] == 1)
    sample = pages[::max(1, len(pages) // SAMPLE)][:SAMPLE]
    return [(min(sorted(words[p] - in_titles), key=lambda w: frequency[w]), p) for p in sample]


def check_one(cli, help_file, work, problems):
    name = os.path.basename(help_file)
    out = os.path.join(work, name)
    os.makedirs(out)
    made = run(cli, "--chm", "-C", out, help_file)
    site = run(cli, "--html", "-C", out, help_file)
    if made.returncode or site.returncode:
        problems.append(f"{name}: --chm exit {made.returncode}, --html exit {site.returncode}: {made.stderr}")
        return None
    chms = [f for f in os.listdir(out) if f.endswith(".chm")]
    if len(chms) != 1:
        problems.append(f"{name}: written {sorted(os.listdir(out))}")
        return None
    key = chms[0][:-4]
    site_dir, project = os.path.join(out, key), os.path.join(out, key + "-chm")
    chm = chm_tools.Chm(os.path.join(out, chms[0]))
    hhp = chm_tools.Project(os.path.join(project, key + ".hhp"), chm.encoding)
    pages = [f for f in hhp.files if f.endswith(".html")]
    project_files = {key + e for e in (".hhp", ".hhc", ".hhk", ".h")}
    written = {os.path.relpath(os.path.join(d, f), project) for d, _, fs in os.walk(project) for f in fs}
    if written - project_files != set(hhp.files):
        problems.append(f"{name}: [FILES] is not every file written: {sorted(written - project_files ^ set(hhp.files))}")
    finds = rare_words(page_texts(chm, pages))
    said = [f"{name}: {p}" for p in chm_tools.check(chm, hhp, finds)]

    want = Tree(open(os.path.join(site_dir, "index.html"), encoding="utf-8").read()).entries
    have = list(chm_tools.flatten(chm.contents()))
    if want != have:
        at = next(i for i in range(max(len(want), len(have))) if want[i:i + 1] != have[i:i + 1])
        said.append(f"{name}: contents entry {at}: CHM {have[at:at + 1]}, site {want[at:at + 1]}")
    want = Keywords(open(os.path.join(site_dir, "keywords.html"), encoding="utf-8").read()).table
    have = {k: v[0] for k, v in chm_tools.keywords(chm.index()).items()}
    for k in sorted(set(want) | set(have)):
        if want.get(k) != have.get(k):
            said.append(f"{name}: keyword {k}: CHM {sorted(have.get(k, ()))}, site {sorted(want.get(k, ()))}")
    stored, numbers = chm.context_map(), set()
    checked = 0
    for number, context in help_map(cli, help_file, work):
        if number in numbers:
            continue
        numbers.add(number)
        page = site_page_of(site_dir, context)
        if page is None:
            continue
        checked += 1
        if chm_tools.page_key(stored.get(number, "")) != chm_tools.page_key(page):
            said.append(f"{name}: context {number} ({context}) opens {stored.get(number)!r}, the site's {page!r}")
    es5 = subprocess.run(["node", os.path.join(HERE, "check_es5.js"), project], capture_output=True, text=True)
    if es5.returncode:
        said.append(f"{name}: scripts not ES5: {es5.stdout.strip()}")
    problems.extend(said)
    print(f"{name}: {len(pages)} pages, {len(have)} keywords, {checked} of {len(stored)} map numbers held against "
          f"the site, {len(finds)} words searched{'' if said else ': ok'}")
    return out, key


class Elements(HTMLParser):
    """Tags, attributes and scripts of a file, to find what does not belong."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.tags, self.attrs, self.params = set(), [], []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        self.attrs.extend((tag, k, v or "") for k, v in attrs)
        if tag == "param":
            self.params.append(dict(attrs))


def check_hostile(cli, work, problems):
    body = HOSTILE.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}")
    evil = halibut(work, "evil", f"\\title Evil {body}\n\n\\C{{evil}} Chapter {body}\n\nText {body} and "
                   f"\\I{{{body}}}an index term, \\i{{first, second {body}}}.\n\n"
                   "\\C{other} Keyboard\n\nKeys, see \\k{evil}.\n\n")
    runs = os.path.join(work, "hostile")
    os.makedirs(runs)
    out = check_one(cli, evil, runs, problems)
    if not out:
        return
    folder, key = out
    if sorted(os.listdir(runs)) != ["evil.hlp", "sources"]:
        problems.append(f"hostile: written beside the output: {sorted(os.listdir(runs))}")
    if sorted(os.listdir(folder)) != sorted([key + ".chm", key + "-chm", key]):
        problems.append(f"hostile: the output holds {sorted(os.listdir(folder))}")
    project = os.path.join(folder, key + "-chm")
    chm = chm_tools.Chm(os.path.join(folder, key + ".chm"))
    hhp = chm_tools.Project(os.path.join(project, key + ".hhp"), chm.encoding)
    if set(hhp.sections) - {"OPTIONS", "WINDOWS", "FILES", "ALIAS", "MAP"}:
        problems.append(f"hostile: sections {sorted(hhp.sections)}")
    known = {"compatibility", "compiled file", "contents file", "index file", "default topic", "default window",
             "display compile progress", "full-text search", "binary toc", "binary index", "language", "title"}
    if set(hhp.options) != known:
        problems.append(f"hostile: options {sorted(hhp.options)}")
    if hhp.options.get("title") != "Evil " + HOSTILE:
        problems.append(f"hostile: title {hhp.options.get('title')!r}")
    for f in hhp.files:
        real = os.path.realpath(os.path.join(project, f))
        if not real.startswith(os.path.realpath(project) + os.sep) or not os.path.isfile(real):
            problems.append(f"hostile: [FILES] {f!r} is no file of the project")
    for stored in chm.files():
        if ".." in stored.split("/"):
            problems.append(f"hostile: the CHM stores {stored!r}")
    for sitemap in (key + ".hhc", key + ".hhk"):
        parsed = Elements(open(os.path.join(project, sitemap), encoding=chm.encoding).read())
        if parsed.tags - {"html", "head", "meta", "body", "ul", "li", "object", "param"}:
            problems.append(f"hostile: {sitemap} holds {sorted(parsed.tags)}")
        names = " | ".join(p.get("value", "") for p in parsed.params if p.get("name") == "Name")
        for param in parsed.params:
            if param.get("name") not in ("Name", "Local"):
                problems.append(f"hostile: {sitemap} param {param}")
            elif param["name"] == "Local" and not chm.has(param["value"]):
                problems.append(f"hostile: {sitemap} leads to {param['value']!r}, not stored")
        # The help file's names come back as the text they are (a keyword ends
        # at the ';' of "&amp;").
        for part in ("<script>alert(1)</script> \"q\" 'a' ", "] [x]", "> & &amp"):
            if part not in names:
                problems.append(f"hostile: {sitemap} has no name with {part!r}: {names}")
    for page in hhp.files:
        if not page.endswith(".html"):
            continue
        parsed = Elements(chm.text(chm.read("/" + page) or b""))
        for tag, attr, value in parsed.attrs:
            if attr.startswith("on") or (attr in ("href", "src") and value.lower().startswith(("javascript", "vbscript"))):
                problems.append(f"hostile: {page} <{tag} {attr}={value!r}>")
            if tag == "script" and (attr, value) not in (("src", "korvane.js"), ("defer", "")):
                problems.append(f"hostile: {page} has a script {attr}={value!r}")
        if "pwned" in parsed.tags or "<script>alert" in chm.text(chm.read("/" + page) or b""):
            problems.append(f"hostile: {page} holds the help file's script as markup")


def check_compiler_missing_or_failing(cli, source, work, problems):
    help_file = os.path.join(source, "tests/corpus/statlist/StatList.hlp")
    fake = os.path.join(work, "fakebin")
    os.makedirs(fake)
    for path, outcome in ((os.path.join(work, "nobin"), "missing"), (fake, "failing")):
        if outcome == "failing":
            with open(os.path.join(fake, "chmcmd"), "w") as f:
                f.write("#!/bin/sh\necho 'An unhandled exception occurred' >&2\ntouch chmcmd.chm\nexit 217\n")
            os.chmod(os.path.join(fake, "chmcmd"), 0o755)
        out = os.path.join(work, outcome)
        result = subprocess.run([cli, "--chm", "-C", out, help_file], capture_output=True, text=True,
                                env=dict(os.environ, PATH=path))
        written = sorted(os.listdir(out)) if os.path.isdir(out) else []
        hhp = os.path.isfile(os.path.join(out, "statlist-chm", "statlist.hhp"))
        if outcome == "missing" and (result.returncode or "No HTML Help compiler found" not in result.stderr
                                     or written != ["statlist-chm"] or not hhp or "hhc statlist.hhp" not in result.stderr):
            problems.append(f"without chmcmd: exit {result.returncode}, written {written}: {result.stderr}")
        if outcome == "failing":
            log = os.path.join(out, "statlist-chm", "chmcmd.log")
            if (result.returncode != 1 or "exit code 217" not in result.stderr or written != ["statlist-chm"]
                    or not os.path.isfile(log) or os.path.exists(os.path.join(out, "statlist-chm", "chmcmd.chm"))):
                problems.append(f"failing chmcmd: exit {result.returncode}, written {written}: {result.stderr}")


def main(argv):
    cli, source = argv
    problems = []
    with tempfile.TemporaryDirectory(prefix="check-chm-") as work:
        inputs = corpus_files(source) + [os.path.join(source, "fuzz/seeds", s) for s in SEEDS]
        for n, help_file in enumerate(inputs):
            os.makedirs(os.path.join(work, str(n)))
            check_one(cli, help_file, os.path.join(work, str(n)), problems)
        check_hostile(cli, work, problems)
        check_compiler_missing_or_failing(cli, source, work, problems)
    print("\n".join(problems) or "every CHM matches its site")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
