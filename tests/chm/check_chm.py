#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The HTML Help files of the corpus, held against the web sites of the same help files.

Every corpus file, the seeds that convert and a hostile help file are converted with --chm and --html.
Each CHM is read back with chmlib (Debian's python3-chm, for the system's /usr/bin/python3 alone) and the
site is the reference:
  - [FILES] is every file written into the project's folder, each stored; the default topic is stored;
  - the contents file's tree is the site contents page's (books, entries, the pages they open, the other
    topics), a page of another help file in that file's CHM;
  - every keyword of the index has the topics (and places) of the site's keyword page, in both levels;
  - #IVB over #STRINGS gives each number of the project's [MAP] header the page its [ALIAS] names, and no
    other number; each [Map] number of the help file (its sources' .HPJ) opens the page the site gives that
    context (its page, or where the page named after it forwards);
  - the full-text search finds a rare word of each of a sample of topics;
  - every script parses as ECMAScript 5 (Debian's acorn), which the viewer of Windows 10 and 11 knows and no
    later; the pages have no script of their own.
The hostile help file's project files hold its names as values (nothing else in the project file, only
sitemap elements in the contents and index), and nothing is written outside the output. Without chmcmd the
project is written and the conversion succeeds; a failing compiler fails it and leaves no CHM. MM.HLP's CHM
shows its default page and the page of context 4601 in xchm (xchm_shot.sh), and they differ.
The CHM's strings are in the ANSI code page of its language (#SYSTEM); so are the project's files.
Usage: check_chm.py KORVANE_CLI SOURCE_DIR"""
import collections
import html
import os
import re
import struct
import subprocess
import sys
import tempfile
from html.parser import HTMLParser

from chm import chmlib, extra

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "html"))
from site_tools import corpus_files, halibut  # noqa: E402

SEEDS = ["codepage-japanese.hlp", "codepage-western.hlp", "codepage-symbol-font.hlp", "halibut-small.hlp",
         "hcrtf-small.hlp", "named-pictures.hlp", "table-types.hlp", "version30.hlp", "longest-name.hlp"]
HOSTILE = "<script>alert(1)</script> \"q\" 'a' = ] [x] > & &amp; ../../etc"
SAMPLE = 6  # topics a CHM is searched for
# Primary language of an LCID -> Windows ANSI code page (1252 for the rest).
CODE_PAGES = {0x11: "cp932", 0x12: "cp949", 0x19: "cp1251", 0x22: "cp1251", 0x02: "cp1251", 0x23: "cp1251",
              0x2f: "cp1251", 0x08: "cp1253", 0x1f: "cp1254", 0x0d: "cp1255", 0x01: "cp1256", 0x25: "cp1257",
              0x26: "cp1257", 0x27: "cp1257", 0x05: "cp1250", 0x0e: "cp1250", 0x15: "cp1250", 0x18: "cp1250",
              0x1b: "cp1250", 0x24: "cp1250", 0x1c: "cp1250", 0x1e: "cp874", 0x2a: "cp1258"}
ES5 = """const acorn = require('/usr/share/nodejs/acorn'), fs = require('fs');
for (const f of process.argv.slice(1)) {
  try { acorn.parse(fs.readFileSync(f, 'latin1'), {ecmaVersion: 5}); } catch (e) { console.log(f + ': ' + e.message); }
}"""


def code_page(lcid):
    if lcid & 0x3ff == 0x04:  # Chinese: Taiwan and Hong Kong traditional, the rest simplified
        return "cp950" if lcid in (0x0404, 0x0c04, 0x1404) else "cp936"
    return "cp1251" if lcid in (0x0c1a, 0x1c1a) else CODE_PAGES.get(lcid & 0x3ff, "cp1252")


def page_key(path):
    """A page as the CHM finds it: no leading slash or ./, forward slashes, any case."""
    return re.sub(r"^(/|\./)+", "", (path or "").replace("\\", "/")).lower()


def run(cli, *args, env=None):
    return subprocess.run([cli, "-q", *args], capture_output=True, text=True, env=env)


class Chm:
    """A CHM as chmlib reads it."""

    def __init__(self, path):
        self.handle = chmlib.chm_open(path.encode())
        if self.handle is None:
            raise SystemExit(f"{path}: not a CHM that chmlib opens")
        self.system, data, at = {}, self.read("/#SYSTEM") or b"", 4
        while at + 4 <= len(data):
            code, size = struct.unpack_from("<HH", data, at)
            self.system[code], at = data[at + 4:at + 4 + size], at + 4 + size
        lcid = struct.unpack_from("<I", self.system[4])[0] if len(self.system.get(4, b"")) >= 4 else 0x409
        self.encoding = code_page(lcid)

    def text(self, raw):
        return raw.split(b"\0")[0].decode(self.encoding, "replace")

    def read(self, path):
        """The bytes of a stored file, None when there is no such file."""
        found, info = chmlib.chm_resolve_object(self.handle, path.encode())
        if found != chmlib.CHM_RESOLVE_SUCCESS:
            return None
        if info.length == 0:
            return b""
        size, data = chmlib.chm_retrieve_object(self.handle, info, 0, info.length)
        if size != info.length:
            raise SystemExit(f"chmlib reads {size} bytes of {path}'s {info.length}")
        return data

    def has(self, page):
        return self.read("/" + page_key(page).split("#")[0]) is not None

    def files(self):
        paths = []
        chmlib.chm_enumerate(self.handle, chmlib.CHM_ENUMERATE_ALL,
                             lambda _, info, __: paths.append(info.path.decode("utf-8", "replace"))
                             or chmlib.CHM_ENUMERATOR_CONTINUE, None)
        return paths

    def context_map(self):
        """Context number -> the page #IVB gives it, as #STRINGS holds it."""
        ivb, strings = self.read("/#IVB") or b"", self.read("/#STRINGS") or b""
        end = min(len(ivb), 4 + struct.unpack_from("<I", ivb)[0]) if len(ivb) >= 4 else 0
        pairs = [struct.unpack_from("<II", ivb, at) for at in range(4, end - 7, 8)]
        return {number: self.text(strings[at:]) for number, at in pairs}

    def sitemap(self, code):
        """The stored .hhc (#SYSTEM 0) or .hhk (#SYSTEM 1), parsed."""
        data = self.read("/" + self.text(self.system.get(code, b"")))
        return Sitemap(data.decode(self.encoding, "replace")).entries if data else []

    def search(self, word):
        """Full-text search, whole words: the pages holding the word."""
        found = extra.search(self.handle, word.encode(self.encoding), 1, 0)
        return {page_key(self.text(page)) for page in (found[1] if found else {}).values()}


class Sitemap(HTMLParser):
    """A .hhc or .hhk: nested <UL> of <LI><OBJECT type="text/sitemap"> with <param> name and value, as
    [name, pages, children]: the first Name is the entry's name; each Local after it is one of its pages.
    Also every tag and every <param>'s attributes."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.entries, self.levels, self.current, self.tags, self.params = [], [], None, set(), []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs, level = {k: v or "" for k, v in attrs}, self.levels[-1] if self.levels else self.entries
        self.tags.add(tag)
        self.params += [attrs] if tag == "param" else []
        if tag == "ul":
            self.levels.append(level[-1][2] if level and self.levels else level)
        elif tag == "object" and attrs.get("type", "").lower() == "text/sitemap":
            self.current = [None, [], []]
            level.append(self.current)
        elif tag == "param" and self.current is not None:
            name = attrs.get("name", "").lower()
            if name == "name" and self.current[0] is None:
                self.current[0] = attrs.get("value", "")
            elif name == "local":
                self.current[1].append(page_key(attrs.get("value")))

    def handle_endtag(self, tag):
        if tag == "ul" and self.levels:
            self.levels.pop()
        elif tag == "object":
            self.current = None


def flatten(entries, depth=0):
    """(depth, name, pages) of a tree, in order."""
    for name, pages, children in entries:
        yield depth, name, tuple(pages)
        yield from flatten(children, depth + 1)


def keywords(entries, path=()):
    """Keyword path -> its pages; repeated keywords merge."""
    table = collections.defaultdict(set)
    for name, pages, children in entries:
        table[path + (name,)] |= set(pages)
        for sub, sub_pages in keywords(children, path + (name,)).items():
            table[sub] |= sub_pages
    return table


class Project:
    """The .hhp's sections and options, read in the CHM's code page."""

    def __init__(self, hhp, encoding):
        self.folder, self.encoding, self.sections, section = os.path.dirname(hhp), encoding, {}, None
        for line in self.lines(os.path.basename(hhp)):
            if line.startswith("[") and "]" in line:
                section = self.sections.setdefault(line[1:line.index("]")].upper(), [])
            elif section is not None and line.strip():
                section.append(line.strip())
        self.options = {k.strip().lower(): v.strip() for k, _, v in
                        (line.partition("=") for line in self.sections.get("OPTIONS", []))}
        self.files = self.sections.get("FILES", [])

    def lines(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read().decode(self.encoding, "replace").splitlines()

    def context_map(self):
        """Number -> page of the [MAP] header's #defines through [ALIAS]."""
        aliases = dict(line.split("=", 1) for line in self.sections.get("ALIAS", []))
        header = [line.split() for name in self.sections.get("MAP", []) for line in self.lines(name.split()[1])]
        return {int(w[2], 0) & 0xFFFFFFFF: aliases.get(w[1]) for w in header if len(w) == 3 and w[0] == "#define"}


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
            self.depth += 2 if attrs.get("class") == "other-topics" and self.entries else 1
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
        elif self.nav and tag in ("ul", "li", "summary", "details"):
            self.flush()
            self.depth -= tag == "ul"

    def handle_data(self, data):
        if self.text is not None:
            self.text += data

    def flush(self):
        if self.nav and self.text is not None and self.text.strip():
            href = self.href
            if href and href.startswith("../"):  # another help file's site: its CHM
                key, _, page = href[3:].partition("/")
                href = f"ms-its:{key}.chm::/{page}"
            self.entries.append((self.depth, self.text.strip(), (page_key(href),) if href else ()))
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
            self.path, self.kw_text = self.path[:1] if attrs["data-key"] != "" and self.depth == 2 else [], None
        elif "kw" in (attrs.get("class") or "").split():
            self.kw_text, self.pending = "", attrs.get("href") if tag == "a" else None
        elif tag == "a" and self.path:
            self.table[tuple(self.path)].add(page_key(attrs.get("href")))

    def handle_data(self, data):
        if self.kw_text is not None:
            self.kw_text += data

    def handle_endtag(self, tag):
        if not self.in_index:
            return
        if self.kw_text is not None and tag in ("a", "span", "summary"):
            self.path.append(self.kw_text)
            self.table.setdefault(tuple(self.path), set()).update([page_key(self.pending)] if tag == "a" else [])
            self.kw_text = None
        elif tag == "ul":
            self.depth -= 1
            self.in_index = self.depth > 0


def site_page_of(site, name):
    """The page the site gives a context (base/file_names.h safe_name): its page, or where the page named
    after it forwards."""
    page = ""
    for i, b in enumerate("".join(c.lower() if c.isascii() else c for c in name).encode("latin-1")):
        piece = chr(b) if chr(b).isascii() and (chr(b).isalnum() or chr(b) == "_" or (b == 46 and i)) else "-%02X" % b
        if len(page) + len(piece) > 64:
            break
        page += piece
    page = (page or "-") + ".html"
    if not os.path.isfile(os.path.join(site, page)):
        return None
    forward = re.search(r'<meta http-equiv="refresh" content="0; url=([^"]*)">', open(os.path.join(site, page), encoding="utf-8").read())
    return html.unescape(forward.group(1)) if forward else page


def help_map(cli, help_file, work):
    """[Map] of the help file's sources: (number, name), in order."""
    out = os.path.join(work, "sources")
    run(cli, "-C", out, help_file)
    hpj = [n for n in os.listdir(out) if n.upper().endswith(".HPJ")]
    text = open(os.path.join(out, hpj[0]), encoding="latin-1").read().replace("\r", "") if hpj else ""
    return [(int(w[2]) & 0xFFFFFFFF, w[1]) for w in (line.split() for line in
            text.partition("[Map]\n")[2].split("\n[")[0].split("\n")) if len(w) == 3 and w[0] == "#define"]


def rare_words(chm, pages):
    """(word, page) for a sample of pages: an ASCII word of the page that the fewest pages hold.
    chmlib's search reads the first of a word's two entries that chmcmd writes (the titles that hold
    it, then the pages), and gives one page per title: words of a title and pages whose title another
    page has are left aside, and so are words next to an apostrophe or a character reference (the
    compiler joins or splits them; it decodes no reference)."""
    texts = {}
    for page in pages:
        raw = (chm.read("/" + page) or b"").decode(chm.encoding, "replace")
        title = re.search(r"<title>(.*?)</title>", raw, re.S)
        texts[page] = (title.group(1) if title else "", re.sub(r"<[^>]*>", " ", raw.split("<body>", 1)[-1]))
    edge = "A-Za-z0-9'&#;\u00de\u00fe"
    words = {p: set(re.findall(f"(?<![{edge}])[A-Za-z]{{5,}}(?![{edge}])", body.lower())) for p, (_, body) in texts.items()}
    in_titles = {w for title, _ in texts.values() for w in re.findall("[a-z0-9]+", title.lower())}
    titles = collections.Counter(title for title, _ in texts.values())
    frequency = collections.Counter(w for ws in words.values() for w in ws)
    pages = sorted(p for p, ws in words.items() if ws - in_titles and titles[texts[p][0]] == 1)
    return [(min(sorted(words[p] - in_titles), key=lambda w: frequency[w]), p)
            for p in pages[::max(1, len(pages) // SAMPLE)][:SAMPLE]]


def check_one(cli, help_file, work, problems):
    name, out = os.path.basename(help_file), os.path.join(work, "out")
    made, site = run(cli, "--chm", "-C", out, help_file), run(cli, "--html", "-C", out, help_file)
    chms = [f for f in os.listdir(out) if f.endswith(".chm")] if os.path.isdir(out) else []
    if made.returncode or site.returncode or len(chms) != 1:
        problems.append(f"{name}: --chm exit {made.returncode}, --html exit {site.returncode}, written "
                        f"{sorted(os.listdir(out)) if os.path.isdir(out) else []}: {made.stderr}")
        return None
    key = chms[0][:-4]
    site_dir, project = os.path.join(out, key), os.path.join(out, key + "-chm")
    chm = Chm(os.path.join(out, chms[0]))
    hhp = Project(os.path.join(project, key + ".hhp"), chm.encoding)
    pages = [f for f in hhp.files if f.endswith(".html")]
    said = []
    written = {os.path.relpath(os.path.join(d, f), project) for d, _, fs in os.walk(project) for f in fs}
    if written - {key + e for e in (".hhp", ".hhc", ".hhk", ".h")} != set(hhp.files):
        said.append(f"[FILES] is not every file written: {sorted(written ^ set(hhp.files))}")
    said += [f"[FILES] page not stored: {f}" for f in hhp.files if not chm.has(f)]
    home = chm.text(chm.system.get(2, b""))
    if page_key(home) != page_key(hhp.options.get("default topic")) or not chm.has(home):
        said.append(f"default topic {home!r}, the project's {hhp.options.get('default topic')!r}")
    said += [f"{p} has a script of its own" for p in pages if re.search(
        rb"<script(?![^>]*\bsrc=)|<[^>]*\son[a-z]+\s*=", chm.read("/" + p) or b"", re.I)]
    es5 = subprocess.run(["node", "-e", ES5, *(os.path.join(d, f) for d, _, fs in os.walk(project) for f in fs
                                               if f.endswith(".js"))], capture_output=True, text=True)
    said += [f"not ES5: {line}" for line in (es5.stdout + es5.stderr).splitlines()]

    want, have = Tree(open(os.path.join(site_dir, "index.html"), encoding="utf-8").read()).entries, list(
        flatten(chm.sitemap(0)))
    if want != have:
        at = next(i for i in range(max(len(want), len(have))) if want[i:i + 1] != have[i:i + 1])
        said.append(f"contents entry {at}: CHM {have[at:at + 1]}, site {want[at:at + 1]}")
    want, have = Keywords(open(os.path.join(site_dir, "keywords.html"), encoding="utf-8").read()).table, keywords(
        chm.sitemap(1))
    said += [f"keyword {k}: CHM {sorted(have.get(k, ()))}, site {sorted(want.get(k, ()))}"
             for k in sorted(set(want) | set(have)) if want.get(k) != have.get(k)]

    stored, numbers, checked = chm.context_map(), set(), 0
    if {n: page_key(p) for n, p in stored.items()} != {n: page_key(p) for n, p in hhp.context_map().items()}:
        said.append(f"#IVB {sorted(stored.items())[:5]}..., the project's {sorted(hhp.context_map().items())[:5]}...")
    for number, context in help_map(cli, help_file, work):
        page = None if number in numbers else site_page_of(site_dir, context)
        numbers.add(number)
        checked += page is not None
        if page and page_key(stored.get(number)) != page_key(page):
            said.append(f"context {number} ({context}) opens {stored.get(number)!r}, the site's {page!r}")
    said += [f"context {n} ({stored[n]}) is no [Map] number of the help file" for n in set(stored) - numbers]
    said += [f"context {n}'s page {p!r} is not stored" for n, p in stored.items() if not chm.has(p)]

    finds = rare_words(chm, pages)
    said += [f"the full-text search for {w!r} does not find {p}" for w, p in finds if page_key(p) not in chm.search(w)]
    problems.extend(f"{name}: {p}" for p in said)
    print(f"{name}: {len(pages)} pages, {len(have)} keywords, {checked} of {len(stored)} map numbers held against "
          f"the site, {len(finds)} words searched{'' if said else ': ok'}")
    return out, key, chm, hhp


def check_hostile(cli, work, problems):
    body = HOSTILE.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}")
    evil = halibut(work, "evil", f"\\title Evil {body}\n\n\\C{{evil}} Chapter {body}\n\nText {body} and "
                   f"\\I{{{body}}}an index term, \\i{{first, second {body}}}.\n\n"
                   "\\C{other} Keyboard\n\nKeys, see \\k{evil}.\n\n")
    found = check_one(cli, evil, work, problems)
    if not found:
        return
    folder, key, chm, hhp = found
    said = []
    if sorted(os.listdir(work)) != ["evil.but", "evil.cnt", "evil.hlp", "out", "sources"]:
        said.append(f"written beside the output: {sorted(os.listdir(work))}")
    if sorted(os.listdir(folder)) != sorted([key + ".chm", key + "-chm", key]):
        said.append(f"the output holds {sorted(os.listdir(folder))}")
    if set(hhp.sections) - {"OPTIONS", "WINDOWS", "FILES", "ALIAS", "MAP"}:
        said.append(f"sections {sorted(hhp.sections)}")
    if set(hhp.options) != {"compatibility", "compiled file", "contents file", "index file", "default topic",
                            "default window", "display compile progress", "full-text search", "binary toc",
                            "binary index", "language", "title"}:
        said.append(f"options {sorted(hhp.options)}")
    if hhp.options.get("title") != "Evil " + HOSTILE:
        said.append(f"title {hhp.options.get('title')!r}")
    project = os.path.realpath(hhp.folder)
    said += [f"[FILES] {f!r} is no file of the project" for f in hhp.files
             if not os.path.realpath(os.path.join(project, f)).startswith(project + os.sep)]
    said += [f"the CHM stores {f!r}" for f in chm.files() if ".." in f.split("/")]
    for sitemap in (key + ".hhc", key + ".hhk"):
        parsed = Sitemap("\n".join(hhp.lines(sitemap)))
        if parsed.tags - {"html", "head", "meta", "body", "ul", "li", "object", "param"}:
            said.append(f"{sitemap} holds {sorted(parsed.tags)}")
        said += [f"{sitemap} param {p}" for p in parsed.params if p.get("name") not in ("Name", "Local")]
        # The help file's names come back as the text they are (a keyword ends at the ';' of "&amp;").
        names = " | ".join(p.get("value", "") for p in parsed.params if p.get("name") == "Name")
        said += [f"{sitemap} has no name with {part!r}: {names}" for part in
                 ("<script>alert(1)</script> \"q\" 'a' ", "] [x]", "> & &amp") if part not in names]
    problems.extend("hostile: " + p for p in said)


def check_compiler_missing_or_failing(cli, source, work, problems):
    help_file, fake = os.path.join(source, "tests/corpus/statlist/StatList.hlp"), os.path.join(work, "bin")
    os.makedirs(fake)
    for outcome in ("missing", "failing"):
        out = os.path.join(work, outcome)
        result = subprocess.run([cli, "--chm", "-C", out, help_file], capture_output=True, text=True,
                                env=dict(os.environ, PATH=fake))
        written, project = sorted(os.listdir(out)) if os.path.isdir(out) else [], os.path.join(out, "statlist-chm")
        if outcome == "missing" and (result.returncode or "No HTML Help compiler found" not in result.stderr or "hhc statlist.hhp"
                                     not in result.stderr or not os.path.isfile(os.path.join(project, "statlist.hhp"))):
            problems.append(f"without chmcmd: exit {result.returncode}: {result.stderr}")
        if outcome == "failing" and (result.returncode != 1 or "exit code 217" not in result.stderr or os.path.exists(
                os.path.join(project, "chmcmd.chm")) or not os.path.isfile(os.path.join(project, "chmcmd.log"))):
            problems.append(f"failing chmcmd: exit {result.returncode}: {result.stderr}")
        if written != ["statlist-chm"]:
            problems.append(f"{outcome} chmcmd: written {written}")
        with open(os.path.join(fake, "chmcmd"), "w") as f:
            f.write("#!/bin/sh\necho 'An unhandled exception occurred' >&2\n/usr/bin/touch chmcmd.chm\nexit 217\n")
        os.chmod(os.path.join(fake, "chmcmd"), 0o755)


def check_viewer(folder, problems):
    shots = [os.path.join(folder, s) for s in ("default.png", "context.png")]
    for context, shot in (([], shots[0]), (["-c", "4601"], shots[1])):
        shown = subprocess.run([os.path.join(HERE, "xchm_shot.sh"), *context, os.path.join(folder, "mm.chm"), shot],
                               capture_output=True, text=True)
        print(shown.stdout.strip())
        if shown.returncode:
            problems.append(f"xchm: {shown.stdout}{shown.stderr}")
    differ = subprocess.run(["compare", "-metric", "AE", *shots, "null:"], capture_output=True, text=True).stderr
    if differ.split(" ")[0] == "0":
        problems.append("xchm: context 4601 shows the default page")


def main(cli, source):
    problems = []
    with tempfile.TemporaryDirectory(prefix="check-chm-") as work:
        inputs = corpus_files(source) + [os.path.join(source, "fuzz/seeds", s) for s in SEEDS]
        for n, help_file in enumerate(inputs):
            os.makedirs(os.path.join(work, str(n)))
            found = check_one(cli, help_file, os.path.join(work, str(n)), problems)
            if found and found[1] == "mm":
                check_viewer(found[0], problems)
        os.makedirs(os.path.join(work, "hostile"))
        check_hostile(cli, os.path.join(work, "hostile"), problems)
        check_compiler_missing_or_failing(cli, source, work, problems)
    print("\n".join(problems) or "every CHM matches its site")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
