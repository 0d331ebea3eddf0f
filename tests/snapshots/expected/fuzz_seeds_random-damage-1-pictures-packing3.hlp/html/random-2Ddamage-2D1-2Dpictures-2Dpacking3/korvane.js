(function () {
  'use strict';
  function close(box) {
    var link = box.previousElementSibling;
    if (link) link.setAttribute('aria-expanded', 'false');
    box.remove();
  }
  // Closes the open boxes but those holding keep.
  function closeBoxes(keep) {
    var boxes = document.querySelectorAll('.popup-box');
    for (var i = 0; i < boxes.length; i++) {
      if (!keep || !boxes[i].contains(keep)) close(boxes[i]);
    }
  }
  document.addEventListener('click', function (event) {
    var target = event.target instanceof Element ? event.target : null;
    var link = target && target.closest('a.popup[data-popup]');
    if (!link) { closeBoxes(target); return; }
    var content = document.getElementById('popup-' + link.getAttribute('data-popup'));
    if (!content) return;
    event.preventDefault();
    var open = link.nextElementSibling;
    if (open && open.classList.contains('popup-box')) { close(open); return; }
    closeBoxes(link);
    var box = document.createElement('div');
    box.className = 'popup-box';
    box.setAttribute('role', 'note');
    for (var node = content.firstChild; node; node = node.nextSibling) box.appendChild(node.cloneNode(true));
    var named = box.querySelectorAll('[id]');
    for (var j = 0; j < named.length; j++) named[j].removeAttribute('id');
    link.setAttribute('aria-expanded', 'true');
    link.after(box);
  });
  document.addEventListener('keydown', function (event) {
    if (event.key === 'Escape') closeBoxes(null);
  });
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
