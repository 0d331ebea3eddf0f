#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Measures a help file's web site in headless Chromium against the layout its
sources give: the RTF topic files and the project file of Korvane's project
mode (what the help compiler read).

usage: check_layout.py SITE_DIR SOURCE_DIR
       check_layout.py KORVANE_CLI SOURCE_TREE   (ctest site_layout: seven
           corpus files with tab-stop lists, non-scrolling regions, window
           colours, popups and pictures, and one that halibut writes with
           bulleted, numbered and nested lists, each converted both ways)

Each topic page is matched to its RTF topic by the text of its paragraphs,
each paragraph to the RTF paragraph at its place. The groups of checks:
  tabs      the text after each tab starts at the stop the viewer takes
            (within 4 px): the next of the stops (\\tx, \\tqr right, \\tqc
            centred, and the left indent when the first-line indent is
            negative) past the end of the text before the tab, else the next
            half inch past the last stop; text after a right stop ends at
            it, after a centred one is centred on it. Tabs whose text wraps
            to another line are not measured. Loaded again with scripts off,
            the first tab of each hanging indent that fits still reaches the
            indent (hanging).
  spacing   an empty paragraph is as tall as its space before and after and
            its font's line, or its exact line spacing (within 1.5 px).
  windows   the colours behind the topic's text and its non-scrolling region,
            the caption and the width (1 px a unit, 160 to 1,024 px; fluid
            without one) are those of the window a jump to the topic names,
            else of the main window.
  region    scrolled by 150 px in a window 300 px high, the non-scrolling
            region stays at the top, the text under it.
  popups    a popup opens in a box of its own over the text, inside the
            window, not splitting its link's paragraph, without a band, with
            the popup's text; a popup link in the box opens a second box
            above it; Escape closes that one, a click outside the rest.
  pictures  inline ones sit on the baseline, left and right ones float with
            the text beside them; no alternative text is a file name, and a
            picture that is all of a link has one.
Prints the failures (8 a group) and the figures; exits with 1 on a failure.
"""
import collections
import json
import os
import re
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from site_tools import Browser, convert, footnotes, halibut, rtf_topics, segment_texts  # noqa: E402

PX = 15.0  # twips a CSS pixel
CORPUS = ["abbrevia-readme/README.HLP", "verinfo/verinfo.hlp", "3dmm/MM.HLP", "onguard/onguard.hlp",
          "msgdlg/PJMessageDialog.hlp", "winfile/winfile.hlp", "teraterm/ttermp.hlp"]
LISTS = "\n\n".join([r"\title Lists", r"\C{lists} Lists", r"\b A bulleted item", r"\b A second bulleted item, long "
                     r"enough to wrap onto a second line under the first line of its text.", r"\lcont{",
                     r"\n A numbered item in the bullet", r"\n A second one", "}", r"\H{more} More"]
                    + [r"\n " + n for n in "One Two Three Four Five Six Seven Eight Nine Ten".split()]) + "\n"


def key_of(segments):
    """A paragraph's text as both sides give it: the segments between tabs,
    letters and digits only (symbol fonts, escapes and spaces differ)."""
    return tuple(re.sub(r"[^A-Za-z0-9]", "", s) for s in segments)


def read_sources(source_dir):
    """The topics of every RTF file in order (paragraphs and context ids),
    the windows jumps name for contexts, and the project file's windows."""
    topics, jumps, windows = [], collections.defaultdict(set), {}
    for name in sorted(os.listdir(source_dir), key=lambda f: [int(d) for d in re.findall(r"\d+", f)]):
        with open(os.path.join(source_dir, name), "rb") as f:
            data = f.read()
        if name.upper().endswith(".RTF"):
            code_page = int((re.search(rb"\\ansicpg(\d+)", data) or [0, 1252])[1])
            for paragraphs, contexts in zip(rtf_topics(data), footnotes(data, b"#", code_page)):
                for p in paragraphs:
                    p["key"] = key_of(segment_texts(p, code_page))
                topics.append((paragraphs, [c.lower() for c in contexts]))
            for target, window in re.findall(rb"\{\\v %?([^}>@]+)>([^}@]+)", re.sub(rb"[\r\n]", b"", data)):
                jumps[target.decode("latin-1").lower()].add(window.decode("latin-1").lower())
        elif name.upper().endswith(".HPJ"):
            # name="caption",(x,y,width,height),state,(r,g,b),(r,g,b); the state's
            # low bit maximizes (the later compiler keeps more bits above it)
            section = re.search(rb"\[Windows\]([^[]*)", data, re.I)
            for line in (section.group(1).decode("latin-1").splitlines() if section else []):
                if "=" not in line:
                    continue
                window, rest = line.split("=", 1)
                caption = re.match(r'"([^"]*)"', rest)
                fields = re.split(r",(?![^()]*\))", rest[caption.end() if caption else 0:]) + [""] * 5
                width = (fields[1].strip("()").split(",") + [""] * 4)[2]
                colour = lambda f: "rgb(%s, %s, %s)" % tuple(f.strip("()").split(",")) if f.count(",") == 2 else None
                windows[window.strip().lower()] = {
                    "caption": caption.group(1) if caption else "", "bg": colour(fields[3]), "band": colour(fields[4]),
                    "width": int(width) if width.isdigit() and not int(fields[2] or 0) & 1 else None}
    return topics, jumps, windows


# Runs in a loaded page: each topic paragraph's text between tabs and where
# its tabs and their texts lie, the empty paragraphs, the pictures, the
# window's colours and width.
PROBE = r"""(() => {
  const background = (el) => {
    for (; el; el = el.parentElement) {
      const c = getComputedStyle(el).backgroundColor;
      if (c !== 'rgba(0, 0, 0, 0)') return c;
    }
    return 'rgb(255, 255, 255)';
  };
  const overlap = (a, b) => a.top < b.bottom && a.bottom > b.top;
  const textRects = (node) => {  // of its text only, not of pictures
    const rects = [], walker = document.createTreeWalker(node, NodeFilter.SHOW_TEXT), range = document.createRange();
    for (let t; (t = walker.nextNode());) {
      range.selectNodeContents(t);
      rects.push(...[...range.getClientRects()].filter((r) => r.width > 0));
    }
    return rects;
  };
  const topic = document.querySelector('div.topic'), win = document.querySelector('div.window');
  if (!topic) return null;
  const paragraphs = [...topic.querySelectorAll('p')].map((p) => {
    const segments = [''], c = p.parentElement, cs = getComputedStyle(c);
    const origin = c.getBoundingClientRect().left + parseFloat(cs.borderLeftWidth) + parseFloat(cs.paddingLeft);
    (function walk(node) {
      for (let n = node.firstChild; n; n = n.nextSibling) {
        if (n.nodeType === 3) segments[segments.length - 1] += n.data;
        else if (n.nodeType !== 1) continue;
        else if (n.matches('span.tab')) segments.push('');
        else if (!n.matches('.embedded-window, .picture.missing')) walk(n);
      }
    })(p);
    const marks = [...p.querySelectorAll('span.tab, br')], tabs = [];
    marks.forEach((mark, i) => {
      if (mark.tagName === 'BR') return;
      const at = mark.getBoundingClientRect(), range = document.createRange();
      range.setStartAfter(mark);
      if (marks[i + 1]) range.setEndBefore(marks[i + 1]); else range.setEnd(p, p.childNodes.length);
      const rects = [...range.getClientRects()].filter((r) => r.width > 0);
      tabs.push(rects.length && overlap(rects[0], at) ? {before: at.left - origin, start: rects[0].left - origin,
        end: Math.max(...rects.filter((r) => overlap(r, rects[0])).map((r) => r.right)) - origin} : null);
    });
    const s = getComputedStyle(p), empty = !p.textContent.length && !p.querySelector('img');
    return {segments, tabs, empty: empty && {family: getComputedStyle(p.querySelector('span') || p).fontFamily,
      height: p.getBoundingClientRect().height - parseFloat(s.borderTopWidth) - parseFloat(s.borderBottomWidth)}};
  });
  const pictures = [...topic.querySelectorAll('img.picture')].map((img) => {
    const r = img.getBoundingClientRect(), probe = document.createElement('span'), link = img.closest('a');
    probe.style.cssText = 'display:inline-block;width:0;height:0';
    img.after(probe);
    const baseline = probe.getBoundingClientRect().top;
    probe.remove();
    return {src: img.getAttribute('src'), alt: img.getAttribute('alt'), bare: !!link && !link.textContent.trim(),
            kind: (img.className.match(/left|right/) || ['none'])[0], float: getComputedStyle(img).cssFloat,
            offBaseline: r.bottom - baseline, covered: textRects(img.closest('p') || img).filter((t) =>
              overlap(t, r) && t.left < r.right - 1 && t.right > r.left + 1).length};
  });
  const text = [...topic.querySelectorAll(':scope > p')].map(textRects).find((r) => r.length);
  const hit = text && document.elementFromPoint(text[0].left + 1, (text[0].top + text[0].bottom) / 2);
  const header = topic.querySelector('header.nonscroll'), caption = win && win.querySelector('.caption');
  return {paragraphs, pictures, textBackground: hit ? background(hit) : null, band: header && background(header),
          caption: caption ? caption.textContent : '', width: win && win.getBoundingClientRect().width,
          fluid: document.body.clientWidth - 2 * parseFloat(getComputedStyle(document.body).paddingLeft),
          popups: document.querySelectorAll('a.popup[data-popup]').length};
})()"""

LINE_HEIGHTS = r"""((fonts) => fonts.map(([family, points]) => {
  const probe = document.createElement('div');
  probe.style.cssText = `position:absolute;line-height:normal;font-family:${family};font-size:${points}pt`;
  probe.textContent = 'x';
  document.body.appendChild(probe);
  const height = probe.getBoundingClientRect().height;
  probe.remove();
  return height;
}))"""

FRAME = "new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))"

REGION = r"""(async () => {
  const header = document.querySelector('div.topic header.nonscroll'), filler = document.createElement('div');
  filler.style.height = '2000px';
  document.querySelector('div.topic').appendChild(filler);
  window.scrollTo(0, header.getBoundingClientRect().top + window.scrollY + 150);
  await FRAME;
  const h = header.getBoundingClientRect(), hit = document.elementFromPoint(h.left + 2, h.top + 1);
  const after = [...document.querySelectorAll('div.topic > p')].find((p) => !header.contains(p));
  return {top: h.top, onTop: !!hit && header.contains(hit), under: !after || after.getBoundingClientRect().top < h.bottom};
})()""".replace("FRAME", FRAME)

POPUPS = r"""(async () => {
  const problems = [], inside = (r) => r.left >= -1 && r.top >= -1 && r.right <= innerWidth + 1 &&
                                       r.bottom <= innerHeight + 1;
  const boxOf = (link) => document.getElementById(link.getAttribute('aria-controls') || '');
  const onTop = (box) => { const r = box.getBoundingClientRect();
                           return box.contains(document.elementFromPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2)); };
  let opened = 0, nested = 0;
  for (const link of [...document.querySelectorAll('div.topic a.popup[data-popup]')].slice(0, 6)) {
    const id = 'popup ' + link.dataset.popup, p = link.closest('p');
    link.scrollIntoView({block: 'center'});
    await FRAME;
    const before = p.getBoundingClientRect().height;
    link.click();
    await FRAME;
    const box = boxOf(link);
    if (!box) { problems.push(id + ' opens no box'); continue; }
    opened++;
    const content = document.getElementById('popup-' + link.dataset.popup), text = (e) => e.textContent.replace(/\s+/g, ' ');
    if (!content || text(box).trim() !== text(content).trim()) problems.push(id + ': the box shows other text');
    if (!inside(box.getBoundingClientRect())) problems.push(id + ': the box reaches out of the window');
    if (p.contains(box) || p.getBoundingClientRect().height !== before) problems.push(id + ': the box splits the text');
    if (!/absolute|fixed/.test(getComputedStyle(box).position) || !onTop(box)) problems.push(id + ': not over the text');
    for (const h of box.querySelectorAll('header.nonscroll'))
      if (getComputedStyle(h).position === 'sticky' || getComputedStyle(h).backgroundColor !== 'rgba(0, 0, 0, 0)')
        problems.push(id + ': a non-scrolling band');
    const inner = box.querySelector('a.popup[data-popup]');
    if (inner) {
      inner.click();
      await FRAME;
      const second = boxOf(inner);
      if (!second || !box.isConnected || !inside(second.getBoundingClientRect()) || !onTop(second))
        problems.push(id + ': the popup inside it opens no box above it in the window');
      else nested++;
      document.dispatchEvent(new KeyboardEvent('keydown', {key: 'Escape'}));
      await FRAME;
      if ((second && second.isConnected) || !box.isConnected) problems.push(id + ': Escape closes another box');
    }
    document.body.click();
    await FRAME;
    if (box.isConnected) problems.push(id + ': a click outside leaves it open');
  }
  return {problems, opened, nested};
})()""".replace("FRAME", FRAME)


def next_stop(stops, x):
    """The stop (px, kind) the text after a tab ending at x goes to."""
    last = 0
    for at, kind in stops:
        if at > x + 0.01:
            return at, kind
        last = at
    return (int(max(x, last) * PX / 720 + 1e-6) + 1) * 720 / PX, "l"


class Layout:
    def __init__(self, site, source):
        self.site = site
        self.topics, self.jumps, self.windows = read_sources(source)
        self.by_key = {tuple(p["key"] for p in paragraphs): (paragraphs, contexts)
                       for paragraphs, contexts in reversed(self.topics)}
        self.problems, self.counts, self.hanging_pages = collections.defaultdict(list), collections.Counter(), set()
        self.browser = Browser()

    def fail(self, group, text):
        self.problems[group].append(text)

    def viewport(self, height):
        self.browser.call("Emulation.setDeviceMetricsOverride",
                          {"width": 1100, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def check_tabs(self, page, probe, paragraphs, scripted):
        for html, rtf in zip(probe["paragraphs"], paragraphs):
            stops = sorted([(t / PX, kind) for t, kind in rtf["tabs"]] + ([(rtf["li"] / PX, "l")] if rtf["fi"] < 0 else []))
            bad, measured = [], 0
            for i, t in enumerate(html["tabs"]):
                at, kind = next_stop(stops, t["before"]) if t else (None, None)
                hanging = i == 0 and rtf["fi"] < 0 and at == rtf["li"] / PX
                self.hanging_pages.update([page] if hanging else [])
                if not t or not (scripted or hanging):
                    continue  # no text after it on its line; without scripts only hanging indents line up
                measured += 1
                self.counts[kind + " stops"] += scripted
                where = {"l": t["start"], "r": t["end"], "c": (t["start"] + t["end"]) / 2}[kind]
                if abs(where - at) > 4:
                    bad.append(f"tab {i + 1} to the {kind} stop at {at:.1f} px: text at {where:.1f} px")
            group = "tabs" if scripted else "hanging"
            self.counts[group + " probed"] += bool(measured)
            if bad:
                self.fail(group, f"{page}: {' | '.join(html['segments'])[:50]!r}: " + "; ".join(bad))
            elif measured:
                self.counts[group + " aligned"] += 1

    def check_spacers(self, page, probe, paragraphs):
        empty = [(html, rtf) for html, rtf in zip(probe["paragraphs"], paragraphs) if html["empty"]]
        fonts = [[html["empty"]["family"], rtf["size"] / 2] for html, rtf in empty]
        lines = self.browser.evaluate(LINE_HEIGHTS + "(" + json.dumps(fonts) + ")") or []
        for (html, rtf), line in zip(empty, lines):
            line = -rtf["sl"] / PX if rtf["sl"] < 0 else max(line, rtf["sl"] / PX)
            expected = (max(rtf["sb"], 0) + max(rtf["sa"], 0)) / PX + line
            self.counts["spacers"] += 1
            if abs(html["empty"]["height"] - expected) > 1.5:
                self.fail("spacing", f"{page}: empty paragraph ({rtf['size'] / 2}pt, sb {rtf['sb']} sa {rtf['sa']} "
                                     f"sl {rtf['sl']}) {html['empty']['height']:.1f} px high, not {expected:.1f}")

    def check_window(self, page, probe, contexts):
        # The window a jump to the topic names, else the main one.
        names = sorted({w for c in contexts for w in self.jumps.get(c, ()) if w in self.windows}) or ["main"]
        w = self.windows.get(names[0]) or {"caption": "", "bg": None, "band": None, "width": None}
        white, self.counts["windows"] = "rgb(255, 255, 255)", self.counts["windows"] + 1
        shown = (probe["textBackground"] or w["bg"] or white, probe["band"] or w["band"] or white, probe["caption"])
        width = min(max(w["width"], 160), 1024) if w["width"] else probe["fluid"]
        if shown != (w["bg"] or white, w["band"] or white, w["caption"]) or abs(probe["width"] - width) > 1:
            self.fail("windows", f"{page}: text on {shown[0]}, region on {shown[1]}, caption {shown[2]!r}, "
                                 f"{probe['width']} px wide: not the window {names[0]} ({w}, {width} px)")

    def check_pictures(self, page, probe):
        for p in probe["pictures"]:
            self.counts["pictures"] += 1
            what = f"{page}: picture {p['src']} ({p['kind']})"
            if re.search(r"\.(png|bmp|shg|wmf)\b|^bm\d+$", p["alt"] or "", re.I) or (p["bare"] and not p["alt"]):
                self.fail("pictures", f"{what}: alternative text {p['alt']!r}")
            if p["float"] != p["kind"] or (p["kind"] == "none" and abs(p["offBaseline"]) > 1) or p["covered"]:
                self.fail("pictures", f"{what}: float {p['float']}, {p['offBaseline']:.1f} px off the baseline, "
                                      f"{p['covered']} text boxes over it")

    def check_page(self, page, scripted):
        path = os.path.join(self.site, page)
        with open(path, encoding="utf-8", errors="replace") as f:
            if 'http-equiv="refresh"' in f.read():
                return  # a page that forwards to its topic's
        problems = self.browser.load("file://" + urllib.parse.quote(path), check=None)
        if problems:
            return self.fail("browser", f"{page}: " + "; ".join(problems))
        if scripted:  # without scripts no promise settles
            self.browser.evaluate("document.fonts.ready.then(() => " + FRAME + ")")
        probe = self.browser.evaluate(PROBE)
        found = probe and self.by_key.get(tuple(key_of(p["segments"]) for p in probe["paragraphs"]))
        if not found:
            self.counts["unmatched"] += bool(probe and scripted)
            return
        paragraphs, contexts = found
        self.check_tabs(page, probe, paragraphs, scripted)
        if not scripted:
            return
        self.counts["pages"] += 1
        self.check_spacers(page, probe, paragraphs)
        self.check_window(page, probe, contexts)
        self.check_pictures(page, probe)
        if probe["band"]:
            self.viewport(300)
            region = self.browser.evaluate(REGION) or {}
            self.viewport(800)
            self.counts["regions"] += 1
            if abs(region.get("top", 99)) > 1 or not region.get("onTop") or not region.get("under"):
                self.fail("region", f"{page}: after scrolling: {region}")
        popups = self.browser.evaluate(POPUPS) if probe["popups"] else {}
        for problem in popups.get("problems", []):
            self.fail("popups", f"{page}: {problem}")
        self.counts["popups"] += popups.get("opened", 0)
        self.counts["nested popups"] += popups.get("nested", 0)

    def run(self):
        try:
            self.viewport(800)
            pages = sorted(f for f in os.listdir(self.site) if f.endswith(".html"))
            for page in pages:
                self.check_page(page, True)
            self.browser.call("Emulation.setScriptExecutionDisabled", {"value": True})
            for page in sorted(self.hanging_pages):
                self.check_page(page, False)
        finally:
            self.browser.close()
        for group, problems in sorted(self.problems.items()):
            more = [f"... {len(problems) - 8} more"] if len(problems) > 8 else []
            print("\n".join(f"{group}: {p}" for p in problems[:8] + more))
        print("check_layout: " + ", ".join(f"{k} {v}" for k, v in sorted(self.counts.items()))
              + f"; {sum(map(len, self.problems.values()))} problems")
        return 1 if self.problems else 0


def corpus(cli, source):
    """Each corpus file and the lists, converted to sources and a site."""
    failed, counts = 0, collections.Counter()
    with tempfile.TemporaryDirectory() as work:
        for i, help_file in enumerate([os.path.join(source, "tests/corpus", f) for f in CORPUS]
                                      + [halibut(work, "lists", LISTS)]):
            out = os.path.join(work, str(i))
            convert(cli, help_file, out + "/source")
            convert(cli, help_file, out + "/site", "--html")
            print("==", help_file)
            layout = Layout(os.path.join(out, "site", os.listdir(out + "/site")[0]), out + "/source")
            failed |= layout.run()
            counts.update(layout.counts)
    print(f"site_layout: text after a tab at its stop in {counts['tabs aligned']} of {counts['tabs probed']} paragraphs")
    return 1 if failed or not counts["tabs probed"] else 0


if __name__ == "__main__":
    if os.path.isdir(sys.argv[1]):
        sys.exit(Layout(os.path.realpath(sys.argv[1]), sys.argv[2]).run())
    sys.exit(corpus(*sys.argv[1:]))
