// SPDX-License-Identifier: MIT
#include "html/keyword_page.h"

#include <algorithm>
#include <map>

#include "html/escape.h"
#include "html/keyword_index.h"
#include "html/search_index.h"
#include "html/site.h"
#include "html/site_files.h"
#include "text/labels.h"
#include "topicmap/topic_map.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;
using html::index_sort_key;
using html::KeywordIndex;
using Entry = html::IndexEntry;
using Place = html::IndexPlace;
using Group = html::IndexGroup;

// Topics Found lists are sorted by the topics' labels.
void sort_places(std::vector<Place>& places, const std::vector<std::string>& labels) {
    std::vector<std::string> keys;
    for (const Place& p : places) keys.push_back(index_sort_key(p.topic < labels.size() ? labels[p.topic] : ""));
    std::vector<size_t> order(places.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<Place> sorted;
    for (size_t i : order) sorted.push_back(places[i]);
    places = std::move(sorted);
}

// A "Topics Found" list: the topics by their labels, each a link to its
// place.
void append_found(std::string& p, std::vector<Place> places, const std::vector<std::string>& labels) {
    sort_places(places, labels);
    p += "<ul class=\"found\">\n";
    for (const Place& place : places) {
        p += "<li><a href=\"";
        append_attribute(p, place.href);
        p += "\">";
        append_text(p, labels[place.topic]);
        p += "</a></li>\n";
    }
    p += "</ul>";
}

void append_entry_content(std::string& p, const Entry& entry, const std::vector<std::string>& labels,
                          const text::Labels& words) {
    for (size_t i = 1; i < entry.ids.size(); ++i) {
        p += "<span class=\"anchor\" id=\"";
        append_attribute(p, entry.ids[i]);
        p += "\"></span>";
    }
    if (entry.places.empty()) {
        p += "<span class=\"kw\">";
        append_text(p, entry.text);
        p += "</span>";
    } else if (entry.places.size() == 1) {
        const Place& place = entry.places.front();
        p += "<a class=\"kw\" href=\"";
        append_attribute(p, place.href);
        p += "\" title=\"";
        append_attribute(p, labels[place.topic]);
        p += "\">";
        append_text(p, entry.text);
        p += "</a>";
    } else {
        p += "<details class=\"found\"><summary class=\"kw\">";
        append_text(p, entry.text);
        p += "</summary>\n<div class=\"found\"><p class=\"found-label\">";
        append_text(p, words.topics_found);
        p += "</p>\n";
        append_found(p, entry.places, labels);
        p += "</div></details>";
    }
}

void append_entry_start(std::string& p, const Entry& entry) {
    p += "<li data-key=\"";
    append_attribute(p, entry.key);
    p += '"';
    if (!entry.ids.empty()) {
        p += " id=\"";
        append_attribute(p, entry.ids.front());
        p += '"';
    }
    p += '>';
}

void append_index(std::string& p, const TopicMap& map, char table, const std::vector<KeywordIndex::Entry>& index,
                  const std::vector<std::string>& labels, const text::Labels& words) {
    p += "<ul class=\"index\">\n";
    for (const Group& group : html::index_groups(map, table, index)) {
        append_entry_start(p, group.own);
        append_entry_content(p, group.own, labels, words);
        if (!group.subentries.empty()) {
            p += "\n<ul class=\"sub\">\n";
            for (const Entry& sub : group.subentries) {
                append_entry_start(p, sub);
                append_entry_content(p, sub, labels, words);
                p += "</li>\n";
            }
            p += "</ul>";
        }
        p += "</li>\n";
    }
    p += "</ul>\n";
}

}  // namespace

void write_keyword_page(const html::Site& site, const std::vector<std::string>& labels, const std::string& title) {
    const text::Labels& words = text::labels_for(site.language);
    std::string p = html::page_head(site.language, title + " - " + words.index, site.files.options());
    p += "<body>\n<nav class=\"site\"><a href=\"";
    p += html::kIndexPage;
    p += "\">";
    append_text(p, words.contents);
    p += "</a>";
    if (site.files.options().search) p += html::search_form(words.search);
    p += "</nav>\n<h1 class=\"title\">";
    append_text(p, words.index);
    p += "</h1>\n<p class=\"index-filter\" hidden><label for=\"index-filter\">";
    append_text(p, words.filter);
    p += "</label><br><input type=\"search\" id=\"index-filter\" autocomplete=\"off\" spellcheck=\"false\"></p>\n";
    append_index(p, site.map, 'K', site.keywords.entries('K'), labels, words);
    if (!site.keywords.entries('A').empty()) {
        p += "<h2 id=\"associative\">";
        append_text(p, words.associative_keywords);
        p += "</h2>\n";
        append_index(p, site.map, 'A', site.keywords.entries('A'), labels, words);
    }
    for (const KeywordIndex::FoundList& list : site.keywords.found_lists()) {
        std::vector<Place> places;
        for (const auto& [topic, href] : list.places) places.push_back({topic, href});
        p += "<section class=\"found-list\" id=\"";
        append_attribute(p, list.id);
        p += "\">\n<h2>";
        append_text(p, words.topics_found);
        p += "</h2>\n<p class=\"found-keywords\">";
        append_text(p, list.keywords);
        p += "</p>\n";
        append_found(p, std::move(places), labels);
        p += "\n</section>\n";
    }
    p += "</body>\n</html>\n";
    site.files.write_page(html::kKeywordsPage, p);
}

namespace html {
const std::string_view kFindStyle = R"css(ul.index, ul.index ul { list-style: none; padding-left: 0; margin: 0; }
ul.index ul.sub, ul.index ul.found, ul.found { list-style: none; padding-left: 1.5em; margin: 0.1em 0 0.3em; }
ul.index a.kw { text-decoration: none; }
ul.index a.kw:hover { text-decoration: underline; }
ul.index li.current > .kw, ul.index li.current > details > summary { background: #d8e4f8; }
p.found-label { font-size: 90%; color: #505050; margin: 0.2em 0 0 1.5em; }
details.found > summary { cursor: pointer; }
p.index-filter input { width: 100%; max-width: 24em; }
section.found-list:not(:target) { display: none; }
nav.contents details > summary { cursor: pointer; }
nav.contents ul ul { padding-left: 1.5em; }
a.external { color: #006000; }
)css";

const std::string_view kIndexScript = R"js((function () {
  'use strict';
  // ES5 and the DOM of Internet Explorer 11 (the viewer of HTML Help
  // files), which has no String normalize: there case is folded alone.
  var matches = Element.prototype.matches || Element.prototype.msMatchesSelector;
  function closest(node, selector) {
    for (; node && node.nodeType === 1; node = node.parentNode) {
      if (matches.call(node, selector)) return node;
    }
    return null;
  }
  // Lower case without accents, as the index is looked up.
  function fold(text) {
    return (text.normalize ? text.normalize('NFD') : text).replace(/[\u0300-\u036f]/g, '').toLowerCase();
  }
  // The own topics of an entry: its link, or its list of topics found.
  function own(entry) {
    for (var node = entry.firstElementChild; node; node = node.nextElementSibling) {
      if (matches.call(node, 'a.kw, details.found')) return node;
    }
    return null;
  }
  // Opens the topics of the entry that the page is opened at.
  function openTarget() {
    var target = location.hash ? document.getElementById(decodeURIComponent(location.hash.slice(1))) : null;
    var entry = closest(target, 'li[data-key]');
    var topics = entry && own(entry);
    if (topics && topics.tagName === 'DETAILS') topics.open = true;
  }
  window.addEventListener('hashchange', openTarget);
  openTarget();

  var box = document.getElementById('index-filter');
  if (!box) return;
  // Each entry with the entry of its first level (which comes before it).
  var entries = [], items = document.querySelectorAll('ul.index li[data-key]');
  for (var i = 0; i < items.length; i++) {
    var li = items[i], up = closest(li.parentNode, 'li[data-key]'), parent = null;
    for (var j = entries.length - 1; up && j >= 0 && !parent; j--) {
      if (entries[j].li === up) parent = entries[j];
    }
    entries.push({ li: li, key: fold(li.getAttribute('data-key')), parent: parent, shown: false });
  }
  var current = null;
  // Every entry whose text starts with what is typed stays, with its first
  // level; since a second level's text starts with its first level's, a
  // first level that matches keeps all of them.
  function filter() {
    var typed = fold(box.value.replace(/^\s+/, ''));
    var first = null;
    entries.forEach(function (e) { e.shown = false; });
    entries.forEach(function (e) {
      if (e.key.lastIndexOf(typed, 0) !== 0) return;
      e.shown = true;
      if (e.parent) e.parent.shown = true;
      if (!first && own(e.li)) first = e.li;
    });
    entries.forEach(function (e) { e.li.hidden = !e.shown; });
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
  closest(box, '[hidden]').hidden = false;
  filter();
  if (!location.hash) box.focus();
})();
)js";

}  // namespace html

}  // namespace korvane
