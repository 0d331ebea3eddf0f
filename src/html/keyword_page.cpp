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

// A topic of a keyword, and the place in it the keyword leads to.
struct Place {
    size_t topic;
    std::string href;
};

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

// A keyword's first and second level: "first, second" or "first:second".
// A keyword ending in the separator ("first,") is the first level's own.
struct Levels {
    std::string first, second;
};

Levels split_levels(const std::string& text) {
    size_t at = text.find_first_of(",:");
    if (at == std::string::npos) return {text, {}};
    std::string first = text.substr(0, at), second = text.substr(at + 1);
    while (!first.empty() && first.back() == ' ') first.pop_back();
    size_t start = second.find_first_not_of(' ');
    second = start == std::string::npos ? std::string() : second.substr(start);
    if (first.empty()) return {text, {}};
    return {first, second};
}

struct Entry {
    std::string text;              // as shown
    std::string key;               // what the filter matches
    std::vector<std::string> ids;  // of the keywords it stands for
    std::vector<Place> places;     // its topics, one place each
};

struct Group {
    Entry own;
    std::vector<Entry> subentries;
};

void add_places(Entry& entry, const TopicMap& map, char table, const KeywordIndex::Entry& keyword) {
    if (!keyword.id.empty()) entry.ids.push_back(keyword.id);
    for (size_t topic : *keyword.topics) {
        if (topic >= map.topics().size()) continue;
        auto same = [&](const Place& p) { return p.topic == topic; };
        bool known = std::any_of(entry.places.begin(), entry.places.end(), same);
        if (!known) entry.places.push_back({topic, map.keyword_href(table, *keyword.stored, topic)});
    }
}

// The entries of one table as first-level groups, in the order of their
// sort keys.
std::vector<Group> group_entries(const TopicMap& map, char table, const std::vector<KeywordIndex::Entry>& index) {
    std::map<std::string, Group> groups;
    std::map<std::string, std::map<std::string, Entry>> subentries;
    for (const KeywordIndex::Entry& keyword : index) {
        Levels levels = split_levels(keyword.text);
        std::string group_key = index_sort_key(levels.first);
        Group& group = groups[group_key];
        if (group.own.text.empty()) {
            group.own.text = levels.first;
            group.own.key = levels.first;
        }
        if (levels.second.empty()) {
            add_places(group.own, map, table, keyword);
            continue;
        }
        // Second levels that differ only in case or separator are one entry.
        Entry& sub = subentries[group_key][index_sort_key(levels.second)];
        if (sub.text.empty()) {
            sub.text = levels.second;
            sub.key = levels.first + ", " + levels.second;
        }
        add_places(sub, map, table, keyword);
    }
    std::vector<Group> out;
    for (auto& [key, group] : groups) {
        for (auto& [sub_key, sub] : subentries[key]) group.subentries.push_back(std::move(sub));
        out.push_back(std::move(group));
    }
    return out;
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
    for (const Group& group : group_entries(map, table, index)) {
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
    std::string p = html::page_head(site.language, title + " - " + words.index);
    p += "<body>\n<nav class=\"site\"><a href=\"";
    p += html::kIndexPage;
    p += "\">";
    append_text(p, words.contents);
    p += "</a>" + html::search_form(words.search) + "</nav>\n<h1 class=\"title\">";
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
    site.files.write(html::kKeywordsPage, p);
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
)js";

}  // namespace html

}  // namespace korvane
