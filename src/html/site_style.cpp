// SPDX-License-Identifier: MIT
// The style sheet and the popup script (see site_style.h for the classes).
#include "html/site_style.h"

#include <cctype>
#include <cstdlib>

#include "base/format.h"
#include "html/keyword_page.h"
#include "topics/fonts.h"

namespace korvane::html {

const std::string_view kSiteStyleSheet = R"css(body {
  font-family: "Segoe UI", Arial, Helvetica, sans-serif;
  font-size: 100%;
  line-height: 1.4;
  color: #000;
  background: #fff;
  max-width: 48em;
  margin: 0 auto;
  padding: 0 1em 2em;
}
body:has(> div.window) { max-width: none; margin: 0; }
p { margin: 0.3em 0; }
p.no-wrap { white-space: pre; }
div.window {
  max-width: var(--width, none);
  box-sizing: border-box;
  margin-top: 0.5em;
  background: var(--bg, #fff);
  border: 1px solid #a0a0a0;
}
div.window > .caption {
  padding: 0.15em 0.5em;
  background: #e4e4e4;
  border-bottom: 1px solid #a0a0a0;
  font-weight: bold;
}
div.window > h1.title { margin: 0; padding: 0.3em 4px 0; }
div.topic { padding: 0 4px 4px; line-height: normal; }
:where(div.topic, .popup-box) p { margin: 0; font-size: 0; line-height: 0; white-space: pre-wrap; tab-size: 36pt; }
:where(div.topic, .popup-box) p * { line-height: var(--lh, normal); }
:where(div.topic, .popup-box) p :where(span[class^="f"], span:not([class]):not(span[class^="f"] *)) { font-size: 1rem; }
:where(div.topic, .popup-box) p :is(a, span.macro, span.missing, span.hang) { line-height: 0; }
header.nonscroll {
  position: sticky;
  top: 0;
  z-index: 1;
  background: var(--band, #fff);
  border-bottom: 1px solid #808080;
  margin: 0 -4px;
  padding: 0 4px;
}
span.tab { white-space: pre; }
span.hang { display: inline-block; min-width: var(--hang); text-indent: 0; }
span.hang span.tab { tab-size: 0; }
p.tabs-set span.hang { display: inline; }
p.tabs-set span.tab { display: inline-block; tab-size: 0; }
table { border-collapse: collapse; margin: 0.4em 0; }
td { vertical-align: top; padding: 0.15em 0.5em; }
table.border td { border: 1px solid #808080; }
img { max-width: 100%; height: auto; }
img.picture { vertical-align: baseline; }
img.picture.left { float: left; margin: 0 0.5em 0.25em 0; }
img.picture.right { float: right; margin: 0 0 0.25em 0.5em; }
a.jump { color: #006000; }
a.popup { color: #006000; text-decoration: underline dotted; }
a.popup[aria-expanded="true"] { background: #ffffe0; }
span.macro { color: #505050; text-decoration: underline dashed #a0a0a0; cursor: default; }
ul.image-map { font-size: 90%; margin: 0.2em 0 0.6em; padding-left: 1.5em; }
div.embedded-window {
  display: inline-block;
  border: 1px dashed #808080;
  color: #505050;
  font-style: italic;
  padding: 0.2em 0.6em;
}
.popup-box {
  position: absolute;
  z-index: 10;
  box-sizing: border-box;
  max-width: min(36em, calc(100vw - 16px));
  max-height: calc(100vh - 16px);
  overflow: auto;
  padding: 2px 6px 4px;
  border: 1px solid #404040;
  background: var(--bg, #fff);
  box-shadow: 2px 2px 4px rgba(0, 0, 0, 0.3);
  line-height: normal;
  text-align: left;
  text-indent: 0;
  white-space: normal;
}
form.search { display: inline-block; margin-left: 1em; }
form.search input { width: 10em; }
ol.search-results li { margin: 0.6em 0; }
p.excerpt { margin: 0.1em 0; color: #303030; }
mark { background: #fff0a0; color: inherit; }
.popup-box header.nonscroll { position: static; background: none; border: 0; margin: 0; padding: 0; }
nav.contents ul { list-style: none; padding-left: 1.2em; }
nav.contents > ul { padding-left: 0; }
[hidden] { display: none !important; }
)css";

const std::string_view kPopupScript = R"js((function () {
  'use strict';

  // Written for Internet Explorer 11 as well, the engine of the viewer of
  // HTML Help files: ES5, and no DOM methods it lacks.
  var matches = Element.prototype.matches || Element.prototype.msMatchesSelector;
  function closest(node, selector) {
    for (; node && node.nodeType === 1; node = node.parentNode) {
      if (matches.call(node, selector)) return node;
    }
    return null;
  }

  // Tab stops, in CSS pixels from the paragraph's left margin: 15 twips
  // make a pixel, the default stops lie every 720 twips. A browser without
  // custom properties (IE 11) finds a paragraph class's stops in
  // window.korvaneTabs, which a page may define ({"p3": "720 1440r"}).
  var TWIPS_PER_PIXEL = 15, DEFAULT_STOP = 720 / TWIPS_PER_PIXEL;
  var declaredTabs = window.korvaneTabs || {};
  function tabsOf(style, p) {
    var tabs = style.getPropertyValue('--tabs');
    if (tabs) return tabs;
    var format = /(?:^|\s)(p\d+)(?:\s|$)/.exec(p.className);
    return (format && declaredTabs[format[1]]) || '';
  }
  function stopsOf(style, p) {
    var stops = [], list = tabsOf(style, p).trim().split(/\s+/);
    for (var i = 0; i < list.length; i++) {
      var at = parseFloat(list[i]), kind = list[i].charAt(list[i].length - 1);
      if (!isNaN(at)) stops.push({at: at / TWIPS_PER_PIXEL, kind: kind === 'r' || kind === 'c' ? kind : 'l'});
    }
    // The hanging indent is a stop.
    var left = parseFloat(style.marginLeft) || 0, first = parseFloat(style.textIndent) || 0;
    if (first < 0) stops.push({at: left, kind: 'l'});
    stops.sort(function (a, b) { return a.at - b.at; });
    return stops;
  }
  function nextStop(stops, x) {
    var last = 0;
    for (var i = 0; i < stops.length; i++) {
      if (stops[i].at > x + 0.01) return stops[i];
      last = stops[i].at;
    }
    var from = Math.max(x, last);
    return {at: (Math.floor(from / DEFAULT_STOP + 1e-6) + 1) * DEFAULT_STOP, kind: 'l'};
  }
  // The width of the text after a tab up to the next tab or line break (or
  // the paragraph's end), on the tab's line.
  function textWidth(p, mark, end, line) {
    var range = document.createRange();
    range.setStartAfter(mark);
    if (end) range.setEndBefore(end); else range.setEnd(p, p.childNodes.length);
    var rects = range.getClientRects(), right = line.left;
    for (var i = 0; i < rects.length; i++) {
      var r = rects[i];
      if (r.width > 0 && r.bottom > line.top && r.top < line.bottom) right = Math.max(right, r.right);
    }
    return right - line.left;
  }
  function tabWidth(item, k) {
    var tab = item.tabs[k], line = tab.mark.getBoundingClientRect(), x = line.left - item.origin;
    var stop = nextStop(item.stops, x), width = stop.at - x;
    if (stop.kind !== 'l') {
      var text = textWidth(item.p, tab.mark, tab.end, line);
      width -= stop.kind === 'r' ? text : text / 2;
    }
    return Math.max(0, width);
  }
  // Sets the tabs of the paragraphs under root. The k-th tabs of all
  // paragraphs are measured, then set, then the next ones: one layout a
  // round rather than one a tab.
  function layoutTabs(root) {
    var items = [], paragraphs = root.querySelectorAll('p');
    for (var i = 0; i < paragraphs.length; i++) {
      var p = paragraphs[i];
      if (!p.querySelector('span.tab') || closest(p, '[hidden]')) continue;
      var marks = p.querySelectorAll('span.tab, br'), tabs = [];
      for (var j = 0; j < marks.length; j++) {
        if (marks[j].tagName === 'BR') continue;
        marks[j].style.width = '0px';
        tabs.push({mark: marks[j], end: marks[j + 1] || null});
      }
      p.classList.add('tabs-set');
      items.push({p: p, tabs: tabs});
    }
    items.forEach(function (item) {
      var style = getComputedStyle(item.p), box = item.p.getBoundingClientRect();
      item.stops = stopsOf(style, item.p);
      item.origin = box.left + (parseFloat(style.borderLeftWidth) || 0) + (parseFloat(style.paddingLeft) || 0) -
                    (parseFloat(style.marginLeft) || 0);
    });
    for (var k = 0; ; k++) {
      var round = items.filter(function (item) { return k < item.tabs.length; });
      if (!round.length) break;
      var widths = round.map(function (item) { return tabWidth(item, k); });
      round.forEach(function (item, n) { item.tabs[k].mark.style.width = widths[n] + 'px'; });
    }
  }

  // Popups: the open boxes, the innermost last.
  var stack = [], made = 0;
  function closeFrom(depth) {
    while (stack.length > Math.max(depth, 0)) {
      var open = stack.pop();
      open.link.setAttribute('aria-expanded', 'false');
      open.link.removeAttribute('aria-controls');
      open.box.parentNode.removeChild(open.box);
    }
  }
  // The place in the stack of the box holding node, -1 for none.
  function depthOf(node) {
    for (var i = stack.length - 1; i >= 0; i--) {
      if (stack[i].box.contains(node)) return i;
    }
    return -1;
  }
  // Below the link (its last line when it wraps), or above it when it does
  // not fit below; always inside the browser's window.
  function place(box, link) {
    var rects = link.getClientRects(), margin = 8;
    var at = rects.length ? rects[rects.length - 1] : link.getBoundingClientRect();
    var width = document.documentElement.clientWidth, height = document.documentElement.clientHeight;
    var size = box.getBoundingClientRect();
    var left = Math.max(margin, Math.min(at.left, width - margin - size.width));
    var top = at.bottom + 2;
    if (top + size.height > height - margin) {
      top = (rects.length ? rects[0] : at).top - 2 - size.height;
      if (top < margin) top = Math.max(margin, height - margin - size.height);
    }
    box.style.left = (left + window.pageXOffset) + 'px';
    box.style.top = (top + window.pageYOffset) + 'px';
  }
  function open(link, content) {
    var box = document.createElement('div');
    box.className = 'popup-box' + (content.className ? ' ' + content.className : '');
    box.id = 'korvane-popup-' + (++made);
    box.setAttribute('role', 'note');
    box.style.left = '0px';
    box.style.top = '0px';
    for (var node = content.firstChild; node; node = node.nextSibling) box.appendChild(node.cloneNode(true));
    var named = box.querySelectorAll('[id]');
    for (var j = 0; j < named.length; j++) named[j].removeAttribute('id');
    link.setAttribute('aria-expanded', 'true');
    link.setAttribute('aria-controls', box.id);
    document.body.appendChild(box);
    stack.push({box: box, link: link});
    layoutTabs(box);
    place(box, link);
  }
  document.addEventListener('click', function (event) {
    var target = event.target instanceof Element ? event.target : null;
    var depth = target ? depthOf(target) : -1;
    var link = closest(target, 'a.popup[data-popup]');
    if (!link) { closeFrom(depth + 1); return; }
    var content = document.getElementById('popup-' + link.getAttribute('data-popup'));
    if (!content) return;
    event.preventDefault();
    for (var i = 0; i < stack.length; i++) {
      if (stack[i].link === link) { closeFrom(i); return; }
    }
    closeFrom(depth + 1);
    open(link, content);
  });
  document.addEventListener('keydown', function (event) {
    if (event.key === 'Escape' || event.key === 'Esc') closeFrom(stack.length - 1);
  });

  // Without position: sticky (IE 11) the non-scrolling region is moved
  // down as the page scrolls, so that it stays at the top of the window
  // while inside its topic, as a sticky one does.
  var region = document.querySelector('header.nonscroll'), probe = document.createElement('div').style;
  probe.position = 'sticky';
  function follow() {
    region.style.top = '0px';
    var own = region.getBoundingClientRect(), topic = region.parentNode.getBoundingClientRect();
    region.style.top = Math.max(0, Math.min(-own.top, topic.bottom - own.bottom)) + 'px';
  }
  if (region && probe.position !== 'sticky') {
    region.style.position = 'relative';
    window.addEventListener('scroll', follow);
  } else {
    region = null;
  }

  function layout() {
    layoutTabs(document);
    stack.forEach(function (open) { place(open.box, open.link); });
    if (region) follow();
  }
  var pending = false;
  window.addEventListener('resize', function () {
    if (pending) return;
    pending = true;
    requestAnimationFrame(function () { pending = false; layout(); });
  });
  window.addEventListener('load', layout);
  layoutTabs(document);
  if (document.fonts && document.fonts.ready) document.fonts.ready.then(layout);
})();
)js";

namespace {

// Only letters, digits, space and '-' of a face name reach the style sheet.
std::string css_face(std::string_view face) {
    std::string out;
    for (char c : face) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-') out += c;
    }
    return out;
}

}  // namespace

std::vector<std::string> font_rules(const FontTable& fonts) {
    static const char* const kGeneric[] = {"sans-serif", "monospace", "serif", "sans-serif", "cursive", "fantasy"};
    std::vector<std::string> rules;
    for (size_t i = 0; i < fonts.descriptors.size(); ++i) {
        const FontDescriptor& f = fonts.descriptors[i];
        std::string rule = format(".f%d { font-family: ", static_cast<int>(i));
        std::string face = css_face(f.face);
        if (!face.empty()) rule += "\"" + face + "\", ";
        rule += kGeneric[f.family <= kFamilyDecorative ? f.family : 0];
        int half_points = std::abs(static_cast<int>(f.half_points));
        if (half_points > 0 && half_points < 400) {
            rule += format(half_points % 2 ? "; font-size: %d.5pt" : "; font-size: %dpt", half_points / 2);
        }
        if (f.bold) rule += "; font-weight: bold";
        if (f.italic) rule += "; font-style: italic";
        if (f.underline || f.double_underline || f.strike_out) {
            rule += "; text-decoration:";
            if (f.underline || f.double_underline) rule += " underline";
            if (f.strike_out) rule += " line-through";
            if (f.double_underline) rule += " double";
        }
        if (f.small_caps) rule += "; font-variant: small-caps";
        // As in the RTF colour table, white text is taken for black.
        RgbColour c = f.text_colour;
        if (c == RgbColour{255, 255, 255}) c = RgbColour{};
        rule += format("; color: #%02x%02x%02x }", c.red, c.green, c.blue);
        rules.push_back(rule);
    }
    return rules;
}

std::string style_sheet(const std::vector<std::string>& paragraph_styles, const std::vector<std::string>& fonts) {
    std::string css(kSiteStyleSheet);
    css += "nav.site { padding: 0.3em 0; border-bottom: 1px solid #ccc; margin-bottom: 0.5em; }\n"
           "nav.site a { margin-right: 1em; }\n"
           "h1.title { font-size: 1.3em; }\n"
           "span.missing { text-decoration: underline dotted; }\n"
           "span.embedded-window { display: inline-block; border: 1px dashed #808080; color: #505050;"
           " font-style: italic; padding: 0.2em 0.6em; }\n";
    css += kFindStyle;
    for (const std::string& rule : fonts) css += rule + "\n";
    for (size_t i = 0; i < paragraph_styles.size(); ++i) {
        css += format(".p%d { %s }\n", static_cast<int>(i + 1), paragraph_styles[i]);
    }
    return css;
}

}  // namespace korvane::html
