(function () {
  'use strict';

  // Tab stops, in CSS pixels from the paragraph's left margin: 15 twips
  // make a pixel, the default stops lie every 720 twips.
  var TWIPS_PER_PIXEL = 15, DEFAULT_STOP = 720 / TWIPS_PER_PIXEL;
  function stopsOf(style) {
    var stops = [], list = style.getPropertyValue('--tabs').trim().split(/\s+/);
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
      if (!p.querySelector('span.tab') || p.closest('[hidden]')) continue;
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
      item.stops = stopsOf(style);
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
      open.box.remove();
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
    box.style.left = (left + window.scrollX) + 'px';
    box.style.top = (top + window.scrollY) + 'px';
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
    var link = target && target.closest('a.popup[data-popup]');
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
    if (event.key === 'Escape') closeFrom(stack.length - 1);
  });

  function layout() {
    layoutTabs(document);
    stack.forEach(function (open) { place(open.box, open.link); });
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
(function () {
  'use strict';
  // Lower case without accents, as the index is looked up.
  function fold(text) {
    return text.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();
  }
  // The own topics of an entry: its link, or its list of topics found.
  function own(entry) {
    return entry.querySelector(':scope > a.kw, :scope > details.found');
  }
  // Opens the topics of the entry that the page is opened at.
  function openTarget() {
    var target = location.hash ? document.getElementById(decodeURIComponent(location.hash.slice(1))) : null;
    var entry = target && target.closest('li[data-key]');
    var topics = entry && own(entry);
    if (topics && topics.tagName === 'DETAILS') topics.open = true;
  }
  window.addEventListener('hashchange', openTarget);
  openTarget();

  var box = document.getElementById('index-filter');
  if (!box) return;
  var entries = Array.prototype.map.call(document.querySelectorAll('ul.index li[data-key]'), function (li) {
    return { li: li, key: fold(li.getAttribute('data-key')), parent: li.parentElement.closest('li[data-key]') };
  });
  var current = null;
  // Every entry whose text starts with what is typed stays, with its first
  // level; since a second level's text starts with its first level's, a
  // first level that matches keeps all of them.
  function filter() {
    var typed = fold(box.value.replace(/^\s+/, ''));
    var shown = new Set();
    var first = null;
    entries.forEach(function (e) {
      if (!e.key.startsWith(typed)) return;
      shown.add(e.li);
      if (e.parent) shown.add(e.parent);
      if (!first && own(e.li)) first = e.li;
    });
    entries.forEach(function (e) { e.li.hidden = !shown.has(e.li); });
    if (current) current.classList.remove('current');
    current = first;
    if (current) current.classList.add('current');
  }
  box.addEventListener('input', filter);
  box.addEventListener('keydown', function (event) {
    if (event.key !== 'Enter' || !current) return;
    event.preventDefault();
    var topics = own(current);
    if (topics.tagName === 'A') {
      topics.click();
    } else {
      topics.open = true;
      var link = topics.querySelector('a[href]');
      if (link) link.focus();
    }
  });
  box.closest('[hidden]').hidden = false;
  filter();
  if (!location.hash) box.focus();
})();
