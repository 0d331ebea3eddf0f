#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Reads an HTML Help file (.chm) back with chmlib (Debian's python3-chm, so the
system /usr/bin/python3) and compares it with the project it was compiled from.

  chm_tools.py files|map|contents|index FILE.chm
  chm_tools.py search FILE.chm WORD...
  chm_tools.py check FILE.chm PROJECT.hhp [--find WORD=PAGE]...

`check` wants every [FILES] page stored, every contents entry and keyword of the
project's .hhc and .hhk in the CHM with the same pages, and every [MAP] number
to resolve through #IVB and #STRINGS to a stored page, the page its [ALIAS]
names. It prints one line a difference and exits 1 when there is any.

The CHM's strings are in the ANSI code page of its language (#SYSTEM); so are
the project's .hhp, .hhc, .hhk and header, which is how both are read."""
import difflib
import os
import struct
import sys
from html.parser import HTMLParser

from chm import chmlib, extra

# Primary language of an LCID -> Windows ANSI code page (1252 for the rest).
CODE_PAGES = {0x11: "cp932", 0x12: "cp949", 0x19: "cp1251", 0x22: "cp1251", 0x02: "cp1251", 0x23: "cp1251",
              0x2f: "cp1251", 0x08: "cp1253", 0x1f: "cp1254", 0x0d: "cp1255", 0x01: "cp1256", 0x25: "cp1257",
              0x26: "cp1257", 0x27: "cp1257", 0x05: "cp1250", 0x0e: "cp1250", 0x15: "cp1250", 0x18: "cp1250",
              0x1b: "cp1250", 0x24: "cp1250", 0x1c: "cp1250", 0x1e: "cp874", 0x2a: "cp1258"}


def code_page(lcid):
    if lcid & 0x3ff == 0x04:  # Chinese: Taiwan and Hong Kong traditional, the rest simplified
        return "cp950" if lcid in (0x0404, 0x0c04, 0x1404) else "cp936"
    if lcid == 0x0c1a or lcid == 0x1c1a:  # Serbian and Bosnian in Cyrillic
        return "cp1251"
    return CODE_PAGES.get(lcid & 0x3ff, "cp1252")


def page_key(path):
    """A page as the CHM finds it: no leading slash or ./, forward slashes, any case."""
    path = path.replace("\\", "/")
    while path.startswith(("/", "./")):
        path = path[1:] if path[0] == "/" else path[2:]
    return path.lower()


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def c_string(data, at):
    end = data.find(b"\0", at)
    return data[at:end if end >= 0 else len(data)]


class Entry:
    """A contents entry or a keyword: its name, its pages and its children."""

    def __init__(self, name, pages=(), see_also=""):
        self.name, self.pages, self.see_also, self.children = name, list(pages), see_also, []


class Sitemap(HTMLParser):
    """A .hhc or .hhk: nested <UL> of <LI><OBJECT type="text/sitemap"> with <param> name and value.
    The first Name is the entry's name; each Local after it is one of its pages."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.entries, self.levels, self.current = [], [], None
        self.feed(text)
        self.close()

    def level(self):
        return self.levels[-1] if self.levels else self.entries

    def handle_starttag(self, tag, attrs):
        attrs = {k: v or "" for k, v in attrs}
        if tag == "ul":
            level = self.level()
            self.levels.append(level[-1].children if level and self.levels else level)
        elif tag == "object" and attrs.get("type", "").lower() == "text/sitemap":
            self.level().append(Entry(None))
            self.current = self.level()[-1]
        elif tag == "param" and self.current is not None:
            name, value = attrs.get("name", "").lower(), attrs.get("value", "")
            if name in ("name", "keyword") and self.current.name is None:
                self.current.name = value
            elif name == "local":
                self.current.pages.append(value)
            elif name == "see also":
                self.current.see_also = value

    def handle_endtag(self, tag):
        if tag == "ul" and self.levels:
            self.levels.pop()
        elif tag == "object":
            self.current = None


class Chm:
    """A CHM as chmlib reads it."""

    def __init__(self, path, encoding=None):
        self.handle = chmlib.chm_open(path.encode())
        if self.handle is None:
            raise SystemExit(f"{path}: not a CHM that chmlib opens")
        self.system = {}
        data = self.read("/#SYSTEM") or b""
        at = 4
        while at + 4 <= len(data):
            code, size = struct.unpack_from("<HH", data, at)
            self.system[code] = data[at + 4:at + 4 + size]
            at += 4 + size
        lcid = u32(self.system[4], 0) if len(self.system.get(4, b"")) >= 4 else 0x409
        self.encoding = encoding or code_page(lcid)
        self.cache = {}

    def text(self, raw):
        return raw.decode(self.encoding, "replace")

    def read(self, path):
        """The bytes of a stored file, None when there is no such file."""
        found, info = chmlib.chm_resolve_object(self.handle, path.encode() if isinstance(path, str) else path)
        if found != chmlib.CHM_RESOLVE_SUCCESS:
            return None
        data = b""
        while len(data) < info.length:
            size, chunk = chmlib.chm_retrieve_object(self.handle, info, len(data), info.length - len(data))
            if size == 0:
                raise SystemExit(f"chmlib cannot read {path} past byte {len(data)}")
            data += chunk[:size]
        return data

    def internal(self, path):
        if path not in self.cache:
            self.cache[path] = self.read(path) or b""
        return self.cache[path]

    def has(self, page):
        return self.read("/" + page_key(page).split("#")[0]) is not None

    def files(self):
        """Every stored file's path (folders left out)."""
        paths = []

        def each(_, info, __):
            paths.append(info.path.decode("utf-8", "replace"))
            return chmlib.CHM_ENUMERATOR_CONTINUE

        chmlib.chm_enumerate(self.handle, chmlib.CHM_ENUMERATE_ALL, each, None)
        return sorted(p for p in paths if not p.endswith("/"))

    def string(self, offset):
        return self.text(c_string(self.internal("/#STRINGS"), offset))

    def context_map(self):
        """Context number -> the page #IVB gives it, as #STRINGS holds it."""
        ivb = self.internal("/#IVB")
        if len(ivb) < 4:
            return {}
        return {u32(ivb, at): self.string(u32(ivb, at + 4)) for at in range(4, min(len(ivb), 4 + u32(ivb, 0)) - 7, 8)}

    def topic(self, index):
        """(title, page) of a #TOPICS entry."""
        topics, table, urls = self.internal("/#TOPICS"), self.internal("/#URLTBL"), self.internal("/#URLSTR")
        title_at, url_at = struct.unpack_from("<II", topics, index * 16 + 4)
        title = "" if title_at == 0xFFFFFFFF else self.string(title_at)
        return title, self.text(c_string(urls, u32(table, url_at + 8) + 8))

    def contents(self):
        """The contents tree: from the binary contents (#TOCIDX) when there is one, else the stored .hhc."""
        toc = self.internal("/#TOCIDX")
        if not toc:
            return self.sitemap(0)
        seen = set()

        def level(at):
            entries = []
            while at and at not in seen and at + 20 <= len(toc):
                seen.add(at)
                props, value, next_at = u32(toc, at + 4), u32(toc, at + 8), u32(toc, at + 16)
                if props & 8:
                    title, page = self.topic(value)
                    entry = Entry(title, [page])
                else:
                    entry = Entry(self.string(value))
                if props & 4:
                    entry.children = level(u32(toc, at + 20))
                entries.append(entry)
                at = next_at
            return entries

        return level(u32(toc, 0))

    def index(self):
        """The keywords: from the binary index ($WWKeywordLinks/BTree) when there is one, else the stored .hhk."""
        tree = self.internal("/$WWKeywordLinks/BTree")
        if len(tree) < 0x4C:
            return self.sitemap(1)
        block_size, last = struct.unpack_from("<H", tree, 4)[0], u32(tree, 26)
        roots, levels = [], []
        for block in range(last + 1):
            base = 0x4C + block * block_size
            free, count = struct.unpack_from("<HH", tree, base)
            at, end = base + 12, base + block_size - free
            for _ in range(count):
                stop = at
                while tree[stop:stop + 2] != b"\0\0":
                    stop += 2
                name = tree[at:stop].decode("utf-16-le", "replace")
                see_also, depth, comma, _, pairs = struct.unpack_from("<HHIII", tree, stop + 2)
                at = stop + 18
                entry = Entry(name[comma:] if comma else name)
                if see_also:
                    stop = at
                    while tree[stop:stop + 2] != b"\0\0":
                        stop += 2
                    entry.see_also, at = tree[at:stop].decode("utf-16-le", "replace"), stop + 2
                else:
                    entry.pages = [self.topic(u32(tree, at + 4 * i))[1] for i in range(pairs)]
                    at += 4 * pairs
                at += 8
                levels[depth:] = [entry]
                (levels[depth - 1].children if depth else roots).append(entry)
                if at > end:
                    raise SystemExit(f"binary index: entry past the end of block {block}")
        return roots

    def sitemap(self, code):
        """The stored .hhc (#SYSTEM 0) or .hhk (#SYSTEM 1), parsed."""
        name = c_string(self.system.get(code, b""), 0)
        data = self.read(b"/" + name) if name else None
        return Sitemap(self.text(data)).entries if data else []

    def search(self, word, whole_words=True):
        """Full-text search: page -> title of the pages holding the word."""
        found = extra.search(self.handle, word.encode(self.encoding), int(whole_words), 0)
        hits = found[1] if found else {}
        return {self.text(page): self.text(title) for title, page in hits.items()}


def flatten(entries, depth=0):
    """(depth, name, pages) of a tree, in order."""
    for entry in entries:
        yield depth, entry.name, tuple(page_key(p) for p in entry.pages)
        yield from flatten(entry.children, depth + 1)


def keywords(entries, path=()):
    """Keyword path -> (pages, see also) of a sitemap tree; repeated keywords merge."""
    table = {}
    for entry in entries:
        key = path + (entry.name,)
        pages, see_also = table.get(key, (set(), ""))
        table[key] = (pages | {page_key(p) for p in entry.pages}, see_also or entry.see_also)
        for sub, (sub_pages, sub_also) in keywords(entry.children, key).items():
            old = table.get(sub, (set(), ""))
            table[sub] = (old[0] | sub_pages, old[1] or sub_also)
    return table


class Project:
    """The .hhp and the files it names, read in the CHM's code page."""

    def __init__(self, hhp, encoding):
        self.folder, self.encoding = os.path.dirname(os.path.abspath(hhp)), encoding
        self.sections = {}
        section = None
        for line in self.lines(os.path.basename(hhp)):
            if line.startswith("[") and "]" in line:
                section = self.sections.setdefault(line[1:line.index("]")].upper(), [])
            elif section is not None and line.strip() and not line.startswith(";"):
                section.append(line)
        self.options = {}
        for line in self.sections.get("OPTIONS", []):
            key, _, value = line.partition("=")
            self.options[key.strip().lower()] = value.strip()
        self.files = [f.strip() for f in self.sections.get("FILES", [])]
        self.aliases, self.map = {}, {}
        self.read_lines(self.sections.get("ALIAS", []), self.alias_line)
        self.read_lines(self.sections.get("MAP", []), self.map_line)

    def lines(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read().decode(self.encoding, "replace").splitlines()

    def read_lines(self, lines, handle):
        for line in lines:
            line = line.split(";")[0].strip()
            if line.lower().startswith("#include"):
                self.read_lines(self.lines(line[8:].strip().strip('"')), handle)
            elif line:
                handle(line)

    def alias_line(self, line):
        name, _, page = line.partition("=")
        self.aliases[name.strip().upper()] = page.strip()

    def map_line(self, line):
        words = line.split()
        if len(words) == 3 and words[0].lower() == "#define":
            self.map[int(words[2], 0) & 0xFFFFFFFF] = words[1].upper()

    def sitemap(self, option):
        name = self.options.get(option)
        return Sitemap("\n".join(self.lines(name))).entries if name else []


def check(chm, project, finds):
    """The differences between a CHM and its project, one line each."""
    problems = []
    for name in project.files:
        if not chm.has(name):
            problems.append(f"[FILES] page not stored: {name}")
    home = chm.text(c_string(chm.system.get(2, b""), 0))
    if project.options.get("default topic") and page_key(home) != page_key(project.options["default topic"]):
        problems.append(f"default topic is {home!r}, the project says {project.options['default topic']!r}")
    if not chm.has(home):
        problems.append(f"default topic not stored: {home}")

    want, have = list(flatten(project.sitemap("contents file"))), list(flatten(chm.contents()))
    if want != have:
        for line in difflib.unified_diff([repr(e) for e in want], [repr(e) for e in have], "project contents",
                                         "CHM contents", n=0, lineterm=""):
            if line[:1] in "+-" and line[:3] not in ("---", "+++"):
                problems.append(f"contents {'missing' if line[0] == '-' else 'extra'}: {line[1:]}")

    want, have = keywords(project.sitemap("index file")), keywords(chm.index())
    for key in sorted(set(want) | set(have)):
        name = " / ".join(key)
        if key not in have:
            problems.append(f"keyword missing: {name}")
        elif key not in want:
            problems.append(f"keyword not in the project: {name}")
        elif want[key] != have[key]:
            problems.append(f"keyword {name}: pages {sorted(have[key][0])} see also {have[key][1]!r}, "
                            f"the project gives {sorted(want[key][0])} see also {want[key][1]!r}")

    stored = chm.context_map()
    for number, name in sorted(project.map.items()):
        page = project.aliases.get(name)
        if page is None:
            problems.append(f"[MAP] {name} {number} has no [ALIAS]")
        elif number not in stored:
            problems.append(f"context {number} ({name}) not in #IVB")
        elif not chm.has(stored[number]):
            problems.append(f"context {number} ({name}) gives {stored[number]!r}, which is not stored")
        elif page_key(stored[number]) != page_key(page):
            problems.append(f"context {number} ({name}) gives {stored[number]!r}, its alias {page!r}")
    for number in sorted(set(stored) - set(project.map)):
        problems.append(f"context {number} in #IVB but not in [MAP]: {stored[number]!r}")

    for word, page in finds:
        if page_key(page) not in {page_key(p) for p in chm.search(word)}:
            problems.append(f"full-text search for {word!r} does not find {page}")
    return problems


def show(entries, depth=0):
    for entry in entries:
        also = f" (see also {entry.see_also})" if entry.see_also else ""
        print("  " * depth + f"{entry.name}  {' '.join(entry.pages)}{also}")
        show(entry.children, depth + 1)


def main(args):
    if len(args) < 2 or args[0] not in ("files", "map", "contents", "index", "search", "check"):
        raise SystemExit(__doc__.split("\n\n")[1])
    chm = Chm(args[1])
    if args[0] == "files":
        print("\n".join(chm.files()))
    elif args[0] == "map":
        for number, page in sorted(chm.context_map().items()):
            print(number, page, "" if chm.has(page) else "(not stored)")
    elif args[0] in ("contents", "index"):
        show(chm.contents() if args[0] == "contents" else chm.index())
    elif args[0] == "search":
        for word in args[2:]:
            print(word + ":", " ".join(sorted(chm.search(word))) or "(nothing)")
    else:
        finds = [tuple(args[i + 1].split("=", 1)) for i in range(3, len(args) - 1) if args[i] == "--find"]
        problems = check(chm, Project(args[2], chm.encoding), finds)
        print("\n".join(problems) or f"{args[1]}: matches {args[2]}")
        return 1 if problems else 0
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
