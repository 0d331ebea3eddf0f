// SPDX-License-Identifier: MIT
#include "html/keyword_page.h"

#include "html/search_index.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "base/ascii.h"
#include "base/format.h"
#include "html/escape.h"
#include "html/labels.h"
#include "html/site_map.h"
#include "html/utf8.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;


// The base letters of U+00C0 to U+017F ('*' for those that stay as they
// are; ligatures and sharp s are spelt out apart).
constexpr std::string_view kLatinBase =
    "aaaaaa*ceeeeiiiidnooooo*ouuuuy*saaaaaa*ceeeeiiiidnooooo*ouuuuy*y"   // U+00C0
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii**jjkkklllllll"   // U+0100
    "lllnnnnnnnnnoooooo**rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";  // U+0140
static_assert(kLatinBase.size() == 0x180 - 0xC0);

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

// The keywords of a ';'-separated list, blanks around them cut, empty ones
// left out.
std::vector<std::string_view> split_list(std::string_view list) {
    std::vector<std::string_view> keywords;
    while (true) {
        size_t end = list.find(';');
        std::string_view keyword = list.substr(0, end);
        while (!keyword.empty() && keyword.front() == ' ') keyword.remove_prefix(1);
        while (!keyword.empty() && keyword.back() == ' ') keyword.remove_suffix(1);
        if (!keyword.empty()) keywords.push_back(keyword);
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return keywords;
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

void add_places(Entry& entry, const SiteMap& site, char table, const SiteMap::KeywordEntry& keyword) {
    if (!keyword.id.empty()) entry.ids.push_back(keyword.id);
    for (size_t topic : *keyword.topics) {
        if (topic >= site.topics.size()) continue;
        auto same = [&](const Place& p) { return p.topic == topic; };
        bool known = std::any_of(entry.places.begin(), entry.places.end(), same);
        if (!known) entry.places.push_back({topic, site.keyword_href(table, *keyword.stored, topic)});
    }
}

// The entries of one table as first-level groups, in the order of their
// sort keys.
std::vector<Group> group_entries(const SiteMap& site, char table, const std::vector<SiteMap::KeywordEntry>& index) {
    std::map<std::string, Group> groups;
    std::map<std::string, std::map<std::string, Entry>> subentries;
    for (const SiteMap::KeywordEntry& keyword : index) {
        Levels levels = split_levels(keyword.text);
        std::string group_key = index_sort_key(levels.first);
        Group& group = groups[group_key];
        if (group.own.text.empty()) {
            group.own.text = levels.first;
            group.own.key = levels.first;
        }
        if (levels.second.empty()) {
            add_places(group.own, site, table, keyword);
            continue;
        }
        // Second levels that differ only in case or separator are one entry.
        Entry& sub = subentries[group_key][index_sort_key(levels.second)];
        if (sub.text.empty()) {
            sub.text = levels.second;
            sub.key = levels.first + ", " + levels.second;
        }
        add_places(sub, site, table, keyword);
    }
    std::vector<Group> out;
    for (auto& [key, group] : groups) {
        for (auto& [sub_key, sub] : subentries[key]) group.subentries.push_back(std::move(sub));
        out.push_back(std::move(group));
    }
    return out;
}

void append_entry_content(std::string& p, const Entry& entry, const std::vector<std::string>& labels,
                          const html::Labels& words) {
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
        std::vector<Place> places = entry.places;
        sort_places(places, labels);
        p += "<details class=\"found\"><summary class=\"kw\">";
        append_text(p, entry.text);
        p += "</summary>\n<div class=\"found\"><p class=\"found-label\">";
        append_text(p, words.topics_found);
        p += "</p>\n<ul class=\"found\">\n";
        for (const Place& place : places) {
            p += "<li><a href=\"";
            append_attribute(p, place.href);
            p += "\">";
            append_text(p, labels[place.topic]);
            p += "</a></li>\n";
        }
        p += "</ul></div></details>";
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

void append_index(std::string& p, const SiteMap& site, char table, const std::vector<SiteMap::KeywordEntry>& index,
                  const std::vector<std::string>& labels, const html::Labels& words) {
    p += "<ul class=\"index\">\n";
    for (const Group& group : group_entries(site, table, index)) {
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

std::string KeywordPlaces::keywords(size_t topic) {
    if (!after_keywords_) ++records_;
    after_keywords_ = true;
    if (!inside_) return {};
    return format("kw%d-%d", static_cast<int>(topic), records_);
}

std::string index_sort_key(std::string_view utf8) {
    std::string key;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = html::next_code_point(utf8, i);
        if (c == html::kNotUtf8) c = 0xFFFD;
        if (c >= 'A' && c <= 'Z') {
            c += 'a' - 'A';
        } else if (c >= 0xC0 && c < 0x180) {
            char base = kLatinBase[c - 0xC0];
            if (c == 0xC6 || c == 0xE6) {
                key += "ae";
                continue;
            }
            if (c == 0xDF) {
                key += "ss";
                continue;
            }
            if (c == 0x152 || c == 0x153) {
                key += "oe";
                continue;
            }
            if (base != '*') c = static_cast<char32_t>(base);
        } else if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) {
            c += 0x20;  // Greek and Cyrillic capitals
        } else if (c >= 0x400 && c <= 0x40F) {
            c += 0x50;
        }
        html::append_utf8(key, c);
    }
    return key;
}

void index_keywords(SiteMap& site, html::Utf8Converter& utf8, int code_page) {
    auto index = [&](const std::map<std::string, std::vector<size_t>>& keywords, const char* prefix,
                     std::vector<SiteMap::KeywordEntry>& entries, std::unordered_map<std::string, std::string>& ids) {
        std::vector<SiteMap::KeywordEntry> stored;
        std::vector<std::string> keys;
        for (const auto& [keyword, topics] : keywords) {
            stored.push_back({utf8.convert(keyword, code_page), {}, &topics, &keyword});
            keys.push_back(index_sort_key(stored.back().text));
        }
        std::vector<size_t> order(stored.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
        // Distinct keywords get distinct ids; one whose text equals
        // another's once converted gets none.
        std::unordered_set<std::string> taken;
        for (size_t i : order) {
            SiteMap::KeywordEntry& e = stored[i];
            std::string id = prefix + html::safe_name(e.text);
            if (taken.insert(id).second) {
                e.id = id;
                ids.emplace(ascii_lower(*e.stored), id);
            }
            entries.push_back(std::move(e));
        }
    };
    index(site.keywords, "k-", site.k_index, site.k_keyword_ids);
    index(site.a_keywords, "a-", site.a_index, site.a_keyword_ids);
}

void resolve_keyword_links(SiteMap& site, html::Utf8Converter& utf8, int code_page) {
    // Keywords by their lower case, per table, as a link finds them.
    std::map<char, std::unordered_map<std::string, const std::string*>> by_lower;
    for (const auto& [keyword, topics] : site.keywords) by_lower['K'].emplace(ascii_lower(keyword), &keyword);
    for (const auto& [keyword, topics] : site.a_keywords) by_lower['A'].emplace(ascii_lower(keyword), &keyword);
    std::map<std::string, std::string> section_of;  // by (table, lower-case list)
    for (const auto& [table, list] : site.keyword_links) {
        const auto& keywords = table == 'A' ? site.a_keywords : site.keywords;
        const auto& ids = table == 'A' ? site.a_keyword_ids : site.k_keyword_ids;
        std::vector<std::pair<size_t, std::string>> places;
        std::vector<const std::string*> matched;
        for (std::string_view keyword : split_list(list)) {
            auto found = by_lower[table].find(ascii_lower(keyword));
            if (found == by_lower[table].end()) continue;
            const std::string* stored = found->second;
            if (std::find(matched.begin(), matched.end(), stored) != matched.end()) continue;
            matched.push_back(stored);
            for (size_t topic : keywords.at(*stored)) {
                if (topic >= site.topics.size()) continue;
                bool known = std::any_of(places.begin(), places.end(), [&](const auto& p) { return p.first == topic; });
                if (!known) places.emplace_back(topic, site.keyword_href(table, *stored, topic));
            }
        }
        if (places.empty()) continue;
        std::string href;
        if (places.size() == 1) {
            href = places.front().second;
        } else if (auto id = ids.find(ascii_lower(*matched.front())); matched.size() == 1 && id != ids.end()) {
            href = "keywords.html#" + id->second;
        } else {
            std::string& section = section_of[std::string(1, table) + ascii_lower(list)];
            if (section.empty()) {
                section = format("found-%d", static_cast<int>(site.found_lists.size() + 1));
                site.found_lists.push_back({section, utf8.convert(list, code_page), std::move(places)});
            }
            href = "keywords.html#" + section;
        }
        site.keyword_link_hrefs[{table, list}] = href;
    }
}

void write_keyword_page(const SiteMap& site, const std::vector<std::string>& labels, const std::string& title) {
    const html::Labels& words = html::labels_for(site.language);
    std::string p = page_head(site.language, title + " - " + words.index);
    p += "<body>\n<nav class=\"site\"><a href=\"index.html\">";
    append_text(p, words.contents);
    p += "</a>" + html::search_form(words.search) + "</nav>\n<h1 class=\"title\">";
    append_text(p, words.index);
    p += "</h1>\n<p class=\"index-filter\" hidden><label for=\"index-filter\">";
    append_text(p, words.filter);
    p += "</label><br><input type=\"search\" id=\"index-filter\" autocomplete=\"off\" spellcheck=\"false\"></p>\n";
    append_index(p, site, 'K', site.k_index, labels, words);
    if (!site.a_index.empty()) {
        p += "<h2 id=\"associative\">";
        append_text(p, words.associative_keywords);
        p += "</h2>\n";
        append_index(p, site, 'A', site.a_index, labels, words);
    }
    for (const SiteMap::FoundList& list : site.found_lists) {
        std::vector<Place> places;
        for (const auto& [topic, href] : list.places) places.push_back({topic, href});
        sort_places(places, labels);
        p += "<section class=\"found-list\" id=\"";
        append_attribute(p, list.id);
        p += "\">\n<h2>";
        append_text(p, words.topics_found);
        p += "</h2>\n<p class=\"found-keywords\">";
        append_text(p, list.keywords);
        p += "</p>\n<ul class=\"found\">\n";
        for (const Place& place : places) {
            p += "<li><a href=\"";
            append_attribute(p, place.href);
            p += "\">";
            append_text(p, labels[place.topic]);
            p += "</a></li>\n";
        }
        p += "</ul>\n</section>\n";
    }
    p += "</body>\n</html>\n";
    write_site_file(site, "keywords.html", p);
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
