// SPDX-License-Identifier: MIT
// The style sheet and the popup script (see site_style.h for the classes).
#include "html/site_style.h"

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
p { margin: 0.3em 0; }
p.no-wrap { white-space: pre; }
div.topic p { white-space: pre-wrap; }
header.nonscroll {
  background: #f2f2f2;
  border-bottom: 1px solid #a0a0a0;
  margin: 0 -1em 1em;
  padding: 0.5em 1em;
}
table { border-collapse: collapse; margin: 0.4em 0; }
td { vertical-align: top; padding: 0.15em 0.5em; }
table.border td { border: 1px solid #808080; }
img { max-width: 100%; height: auto; }
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
  display: block;
  max-width: 36em;
  margin: 0.3em 0 0.5em;
  padding: 0.4em 0.7em;
  border: 1px solid #404040;
  background: #ffffe8;
  box-shadow: 2px 2px 4px rgba(0, 0, 0, 0.3);
  text-indent: 0;
  white-space: normal;
}
form.search { display: inline-block; margin-left: 1em; }
form.search input { width: 10em; }
ol.search-results li { margin: 0.6em 0; }
p.excerpt { margin: 0.1em 0; color: #303030; }
mark { background: #fff0a0; color: inherit; }
nav.contents ul { list-style: none; padding-left: 1.2em; }
nav.contents > ul { padding-left: 0; }
[hidden] { display: none !important; }
)css";

const std::string_view kPopupScript = R"js((function () {
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
)js";

}  // namespace korvane::html
