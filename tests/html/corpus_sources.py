#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What Korvane writes for real help files, held against the sources their authors wrote: the RTF topics
(titles, keywords, context ids, jumps, text, tab stops) and the project file (title, [CONFIG], [MAP],
windows). And end to end on a help file that halibut writes: the text of every paragraph, as unrtf reads
the topic files, comes out in order, and every cross reference becomes a jump to a context id of the
topic it names. And the code page of the text: Japanese text decoded in the code page its RTF file
declares is the text that went in, no trail byte written as an RTF symbol escape (which readers take for a
character of its own); the user's code page wins, with its character set. And a help file that holds its
context ids only as hashes: the contents file beside it (found whatever the case of its name) names them
in the RTF sources and in the site, whose contents page follows its books.

usage: corpus_sources.py KORVANE_CLI SOURCE_TREE

Both sides are read alike: the text without the font, colour and style tables, the information group,
headers, comments and pictures; the footnotes apart, by their mark (the character before the group), and
the runs of hidden text, the jump targets (word processors may split one over adjacent groups). Context
names are compared by their hashes (names of the same hash are one); tab stops are stored in tens of
twips, so each stop written (kind and position) must be one the authors set, to the stored unit."""
import collections
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from find_site import context_hash  # noqa: E402
from site_tools import TOKEN, halibut  # noqa: E402

# Help file, its RTF source, its project file, whether the text is the same (PJMessageDialog.rtf has
# changed since its help file was built) and whether its tab stops are compared.
CASES = [("statlist/StatList.hlp", "statlist/StatList.Rtf", "statlist/StatList.Hpj", True, False),
         ("leakybin/LEAKYBIN.HLP", "leakybin/LeakyBin.Rtf", "leakybin/LeakyBin.Hpj", True, False),
         ("msgdlg/PJMessageDialog.hlp", "msgdlg/PJMessageDialog.rtf", "msgdlg/PJMessageDialog.hpj", False, True),
         ("msgdlg/MainForm.hlp", "msgdlg/MainForm.rtf", "msgdlg/MainForm.hpj", True, False),
         ("msgdlg/DemoHelp1.hlp", "msgdlg/DemoHelp1.rtf", "msgdlg/DemoHelp1.hpj", True, False),
         ("verinfo/verinfo.hlp", "verinfo/verinfo.rtf", "verinfo/verinfo.hpj", True, False),
         ("abbrevia-readme/README.HLP", "abbrevia-readme/ReadMe.rtf", "abbrevia-readme/ReadMe.hpj", True, True)]
SKIPPED = {b"fonttbl", b"colortbl", b"stylesheet", b"info", b"header", b"comment", b"pict", b"*"}
BREAKS = {b"par", b"line", b"tab", b"cell", b"row", b"page"}


def read_rtf(data):
    """(text, footnotes by mark, hidden runs) of an RTF document, as bytes."""
    text, notes, hidden = bytearray(), collections.defaultdict(list), []
    groups, in_hidden = [[False, False, None]], False  # skipped, hidden, the mark of its footnote
    for m in TOKEN.finditer(data):
        word, number, hexa, symbol, brace, chunk = m.groups()
        group = groups[-1]
        if brace:
            if brace == b"{":
                groups.append(list(group))
            elif len(groups) > 1:
                groups.pop()
            continue
        if word or symbol == b"*":
            if (word or symbol) in SKIPPED:
                group[0] = True
            elif word == b"footnote" and not group[0] and text:
                group[2] = bytes(text[-1:])
                del text[-1:]
                notes[group[2]].append(bytearray())
            elif word == b"v":
                group[1] = number != b"0"
            if word not in BREAKS:
                continue
        piece = b" " if word else bytes([int(hexa, 16)]) if hexa else symbol or chunk or b""
        if group[0] or not piece:
            continue
        if group[2]:
            notes[group[2]][-1] += piece
        elif group[1]:
            if not in_hidden:
                hidden.append(bytearray())
            hidden[-1] += piece
        else:
            text += piece
        in_hidden = group[1] and not group[2]
    for mark, texts in notes.items():
        for i, note in enumerate(texts):
            note = note.strip()
            texts[i] = (note[1:].strip() if note[:1] == mark else note).decode("latin-1")
    return bytes(text), notes, [h.decode("latin-1") for h in hidden]


def jump_hashes(hidden):
    """The context hashes of the jump and popup targets, macros left out."""
    targets = (t[1:] if t[:1] in ("%", "*") else t for t in (t.strip() for t in hidden))
    return {context_hash(re.split("[>@]", t)[0]) for t in targets if t and t[0] != "!"}


def words(text):
    """The words, lower-cased and kept to their ASCII letters and digits, picture references dropped."""
    return re.sub(rb"[^a-z0-9\s]", b"", re.sub(rb"\{bm[^}]*\}", b" ", text).lower()).split()


def keywords(notes):
    """The keywords of footnotes, each a list separated by ';'."""
    return sorted(k.strip() for note in notes for k in re.sub(";$", "", note).split(";") if note)


def sections(text):
    """Section name (lower case) -> its lines, comments and blank lines dropped."""
    out, current = collections.defaultdict(list), ""
    for line in (line.strip() for line in text.splitlines()):
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1].lower()
            out[current]
        elif line and line[0] != ";":
            out[current].append(line)
    return out


def value_of(lines, key):
    return next((v.strip() for k, _, v in (line.partition("=") for line in lines) if k.strip().lower() == key), "")


def windows(lines):
    """Each window definition: its name, and the values after its caption (the parenthesized groups and
    the plain numbers between them)."""
    return [(line.partition("=")[0].strip().lower(),
             re.findall(r"\([^)]*\)|\b\d+\b", line.partition("=")[2].rpartition('"')[2])) for line in lines]


def map_of(lines):
    """The [MAP] lines "name=number", "name number" or "#define name number" as (hash, number), sorted."""
    found = (re.match(r"(?:#define\s+)?([^\s=]+)[\s=]+(\d+)", line) for line in lines)
    return sorted((context_hash(m[1]), int(m[2])) for m in found if m)


def tab_stops(rtf):
    """Kind ('l', 'r', 'c') and position of every \\tx, after its \\tqr or \\tqc."""
    return {(kind or "l", int(at)) for _, kind, at in re.findall(r"(\\tq([rc]))?(?:\\tl[a-z]+)?\\tx(\d+)", rtf)}


def check(cli, corpus, case, work):
    hlp, source, project, same_text, stops = case
    out = os.path.join(work, hlp.replace("/", "_"))
    os.makedirs(out)
    run = subprocess.run([cli, "-q", os.path.join(corpus, hlp)], cwd=out, capture_output=True, text=True)
    if run.returncode:
        return [f"exit {run.returncode}: {run.stderr}"]
    ours = b"".join(open(os.path.join(out, n), "rb").read() for n in sorted(os.listdir(out)) if n.endswith(".RTF"))
    theirs = open(os.path.join(corpus, source), "rb").read()
    (our_text, our_notes, our_hidden), (their_text, their_notes, their_hidden) = read_rtf(ours), read_rtf(theirs)
    problems = []

    def expect(what, got, wanted):
        if got != wanted:
            problems.append(f"{what}: Korvane's {str(got)[:300]}, the authors' {str(wanted)[:300]}")

    expect("titles", our_notes[b"$"], their_notes[b"$"])
    for table in (b"K", b"A"):
        expect(f"{table.decode()} keywords", keywords(our_notes[table]), keywords(their_notes[table]))
    expect("context ids", sorted(map(context_hash, our_notes[b"#"])), sorted(map(context_hash, their_notes[b"#"])))
    # Every target the authors jump to, and no other (PJMessageDialog.rtf has grown a paragraph since).
    expect("jump targets", jump_hashes(our_hidden), jump_hashes(their_hidden))
    if same_text:
        expect("more than 20 words", len(words(our_text)) > 20, True)
        expect("words", words(our_text), words(their_text))
    if stops:
        our_stops, their_stops = tab_stops(ours.decode("latin-1")), tab_stops(theirs.decode("latin-1"))
        expect("more than 3 tab stops", len(our_stops) > 3, True)
        expect("tab stops the authors did not set", sorted(s for s in our_stops if not any(
            k == s[0] and abs(at - s[1]) < 10 for k, at in their_stops)), [])
    hpj = next(n for n in os.listdir(out) if n.endswith(".HPJ"))
    our_project = sections(open(os.path.join(out, hpj), encoding="latin-1").read())
    their_project = sections(open(os.path.join(corpus, project), encoding="latin-1").read())
    if value_of(their_project["options"], "title"):
        expect("title", value_of(our_project["options"], "title"), value_of(their_project["options"], "title"))
    expect("[MAP]", map_of(our_project["map"]), map_of(their_project["map"]))
    expect("[CONFIG]", our_project["config"], their_project["config"])
    expect("[WINDOWS]", windows(our_project["windows"]), windows(their_project["windows"]))
    return problems


def halibut_document():
    """Three chapters with sections, enough text for several topic blocks, and cross references both
    ways: (markup, the text as it reads without the references, whether it has references) a paragraph,
    and the document."""
    paragraphs = [(s + " and ends here.", s + " and ends here.", False) for s in (
        f"Paragraph {i} of the introduction says" + "".join(f" word{i * 10 + w}" for w in range(i % 9 + 1))
        for i in range(40))]
    paragraphs += [("See \\k{second} and also \\k{third} for more.", "See and also for more.", True),
                   ("Braces \\{like these\\} and a back\\\\slash stay.", "Braces {like these} and a back\\slash stay.", False),
                   ("Some \\e{emphasised} and \\c{coded} words.", "Some emphasised and coded words.", False),
                   ("Back to \\k{intro} from here.", "Back to from here.", True)]
    p = [markup for markup, _, _ in paragraphs]
    return paragraphs, ("\\title Round trip\n\n\\C{intro} Introduction\n\n" + "".join(m + "\n\n" for m in p[:41]) +
                        "\\H{second} Second part\n\n" + p[41] + "\n\n\\b First bullet item\n\n\\b Second bullet item\n\n"
                        "\\S{third} Third part\n\n" + p[42] + "\n\n\\C{last} Last chapter\n\n" + p[43] + "\n\n")


JAPANESE = "日本語のヘルプです。表示とソフトの機能とムービーについて説明します。"


def rtf_text(rtf):
    """The text of RTF as bytes: control words dropped, escapes resolved, groups and line breaks flattened."""
    return re.sub(rb"\\'([0-9a-fA-F]{2})|\\[a-zA-Z]+-?[0-9]* ?|\\(.)|[{}\r\n]",
                  lambda m: bytes([int(m[1], 16)]) if m[1] else m[2] or b"", rtf)


def check_code_pages(cli, source, work):
    problems = []
    for option, head in (("", b"{\\rtf1\\ansi\\ansicpg932"),
                         ("--codepage=1251", b"{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1031 {\\fonttbl{\\f0\\fswiss\\fcharset204 Helv}}"),
                         ("--codepage=1252", b"{\\rtf1\\ansi\\deff0\\deflang1031 {\\fonttbl{\\f0\\fswiss Helv}}")):
        out = os.path.join(work, "codepage" + option)
        subprocess.run([cli, "-q", "--flags=0x18", *([option] if option else []), "-C", out,
                        os.path.join(source, "fuzz/seeds/codepage-japanese.hlp")], check=True)
        rtf = open(os.path.join(out, "codepa1.RTF"), "rb").read()
        if not rtf.startswith(head):
            problems.append(f"{option or 'no option'}: the RTF starts {rtf[:80]!r}")
        if not option and (JAPANESE not in rtf_text(rtf).decode("cp932", "replace") or
                            any(symbol in rtf for symbol in (b"\\\\", b"\\{", b"\\}"))):
            problems.append(f"the Japanese text does not read back: {rtf_text(rtf)[-200:]!r}")
    return problems


def check_contents_file(cli, work):
    folder = os.path.join(work, "named")
    os.makedirs(folder)
    halibut(folder, "N", "\\title Named\n\n\\C{first} First chapter\n\nSee \\k{second}.\n\n\\C{second} Second chapter\n\nText.\n\n")
    names = ["t00000000", "t00000001"]  # halibut's ids of the two chapters
    problems = [f"N.cnt does not name {n}" for n in names if "=" + n not in open(f"{folder}/N.cnt").read()]
    os.rename(f"{folder}/N.cnt", f"{folder}/n.cNT")
    for out in ("with", "without"):
        if out == "without":
            os.remove(f"{folder}/n.cNT")
        for mode in ([], ["--html"]):
            subprocess.run([cli, "-q", *mode, "-C", out, "N.hlp"], cwd=folder, check=True)
        rtf, index = open(f"{folder}/{out}/N1.RTF").read(), open(f"{folder}/{out}/n/index.html").read()
        for name in names:
            named = ("{#{\\footnote{#}" + name + "}}" in rtf, os.path.isfile(f"{folder}/{out}/n/{name}.html"),
                     f'href="{name}.html"' in index)
            if named != ((out == "with"),) * 3:
                problems.append(f"{out} the contents file: {name} in the RTF, as a page, in the contents page: {named}")
    return problems


def squeeze(text):
    return " ".join(text.split())


def check_halibut(cli, work):
    paragraphs, markup = halibut_document()
    out = os.path.join(work, "halibut")
    os.makedirs(out)
    subprocess.run([cli, "-q", halibut(work, "doc", markup)], cwd=out, check=True)
    rtfs = [open(os.path.join(out, n), "rb").read() for n in sorted(os.listdir(out)) if n.endswith(".RTF")]
    text = ""
    for rtf in rtfs:
        # unrtf takes an escaped backslash followed by a line break for a backslash and "\<line break>" (a
        # paragraph mark); the line breaks the writer adds carry no meaning, so they are left out for it.
        with open(os.path.join(work, "plain.rtf"), "wb") as f:
            f.write(rtf.replace(b"\\\\\r\n", b"\\\\"))
        read = subprocess.run(["unrtf", "--text", "plain.rtf"], cwd=work, capture_output=True, check=True)
        # unrtf reads one font from a font table without semicolons and notes every other font number.
        text += squeeze(re.sub(r"### invalid font number [0-9]*", "", read.stdout.decode("latin-1"))) + " "
    problems, at = [], 0
    for piece in (piece for _, expected, links in paragraphs for piece in (expected.split() if links else [expected])):
        found = text.find(piece, at)
        if found < 0:
            return [f"missing or out of order: {piece}"]
        at = found + len(piece)
    problems += [f"no heading {h}" for h in ("Introduction", "Second part", "First bullet item", "Second bullet item",
                                              "Third part", "Last chapter") if h not in text]
    # Each topic's title with its context ids, and every jump: visible text, target.
    ids_of_title, jumps = collections.defaultdict(set), []
    for topic in b"".join(rtfs).decode("latin-1").replace("\r", "").replace("\n", "").split("\\page\\pard"):
        titles = re.findall(r"\{\$\{\\footnote\{\$\}(.*?)\}\}", topic)
        for name in re.findall(r"\{#\{\\footnote\{#\}(.*?)\}\}", topic):
            ids_of_title[titles[0].lower() if titles else None].add(name)
        for visible, target in re.findall(r"\\strike ([^}]*?)\\strike0\\ul0\{\\v ([^}]*)\}", topic):
            jumps.append((squeeze(rtf_text(visible.encode("latin-1")).decode("latin-1")).lower(), target))
    references = 0
    for visible, target in jumps:
        # A reference reads "section 1.1"; the title "Section 1.1: Second part".
        ids = [names for title, names in ids_of_title.items() if title == visible or (title or "").startswith(visible + ":")]
        if not ids or target not in ids[-1]:
            problems.append(f"{visible!r} jumps to {target}, the topic's ids are {ids}")
        references += ":" not in visible
    if len(jumps) < 3 or references != 3:
        problems.append(f"{len(jumps)} jumps, {references} cross references: {jumps}")
    return problems


def main(cli, source):
    failed = False
    with tempfile.TemporaryDirectory() as work:
        for name, problems in [(case[0], check(cli, os.path.join(source, "tests/corpus"), case, work)) for case in CASES] + [
                ("halibut's help file", check_halibut(cli, work)),
                ("the code pages", check_code_pages(cli, source, work)),
                ("the contents file's names", check_contents_file(cli, work))]:
            print("\n".join(f"{name}: {p}" for p in problems) or f"{name}: as its sources")
            failed |= bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
