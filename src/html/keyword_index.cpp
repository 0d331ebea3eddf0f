// SPDX-License-Identifier: MIT
#include "html/keyword_index.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/ascii.h"
#include "base/file_names.h"
#include "base/format.h"
#include "html/site_files.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"

namespace korvane::html {

namespace {

// The base letters of U+00C0 to U+017F ('*' for those that stay as they
// are; ligatures and sharp s are spelt out apart).
constexpr std::string_view kLatinBase =
    "aaaaaa*ceeeeiiiidnooooo*ouuuuy*saaaaaa*ceeeeiiiidnooooo*ouuuuy*y"   // U+00C0
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii**jjkkklllllll"   // U+0100
    "lllnnnnnnnnnoooooo**rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";  // U+0140
static_assert(kLatinBase.size() == 0x180 - 0xC0);

}  // namespace

namespace {

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

void add_places(IndexEntry& entry, const TopicMap& map, char table, const KeywordIndex::Entry& keyword) {
    if (!keyword.id.empty()) entry.ids.push_back(keyword.id);
    for (size_t topic : *keyword.topics) {
        if (topic >= map.topics().size()) continue;
        auto same = [&](const IndexPlace& p) { return p.topic == topic; };
        bool known = std::any_of(entry.places.begin(), entry.places.end(), same);
        if (!known) entry.places.push_back({topic, map.keyword_href(table, *keyword.stored, topic)});
    }
}

}  // namespace

std::vector<IndexGroup> index_groups(const TopicMap& map, char table, const std::vector<KeywordIndex::Entry>& index) {
    std::map<std::string, IndexGroup> groups;
    std::map<std::string, std::map<std::string, IndexEntry>> subentries;
    for (const KeywordIndex::Entry& keyword : index) {
        Levels levels = split_levels(keyword.text);
        std::string group_key = index_sort_key(levels.first);
        IndexGroup& group = groups[group_key];
        if (group.own.text.empty()) {
            group.own.text = levels.first;
            group.own.key = levels.first;
        }
        if (levels.second.empty()) {
            add_places(group.own, map, table, keyword);
            continue;
        }
        IndexEntry& sub = subentries[group_key][index_sort_key(levels.second)];
        if (sub.text.empty()) {
            sub.text = levels.second;
            sub.key = levels.first + ", " + levels.second;
        }
        add_places(sub, map, table, keyword);
    }
    std::vector<IndexGroup> out;
    for (auto& [key, group] : groups) {
        for (auto& [sub_key, sub] : subentries[key]) group.subentries.push_back(std::move(sub));
        out.push_back(std::move(group));
    }
    return out;
}

std::vector<std::string_view> split_keyword_list(std::string_view list) {
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

std::string index_sort_key(std::string_view utf8) {
    std::string key;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = text::next_code_point(utf8, i);
        if (c == text::kNotUtf8) c = 0xFFFD;
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
        text::append_utf8(key, c);
    }
    return key;
}

KeywordIndex::KeywordIndex(const TopicMap& map, text::Utf8Converter& utf8, int code_page) {
    auto index = [&](const KeywordTopics& keywords, const char* prefix, std::vector<Entry>& entries,
                     std::map<std::string, std::string>& ids) {
        std::vector<Entry> stored;
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
            Entry& e = stored[i];
            std::string id = prefix + safe_name(e.text);
            if (taken.insert(id).second) {
                e.id = id;
                ids.emplace(ascii_lower(*e.stored), id);
            }
            entries.push_back(std::move(e));
        }
    };
    index(map.keywords('K'), "k-", k_entries_, k_ids_);
    index(map.keywords('A'), "a-", a_entries_, a_ids_);
    resolve_links(map, utf8, code_page);
}

void KeywordIndex::resolve_links(const TopicMap& map, text::Utf8Converter& utf8, int code_page) {
    // Keywords by their lower case, per table, as a link finds them.
    std::map<char, std::unordered_map<std::string, const std::string*>> by_lower;
    for (char table : {'K', 'A'}) {
        for (const auto& [keyword, topics] : map.keywords(table)) by_lower[table].emplace(ascii_lower(keyword), &keyword);
    }
    std::map<std::string, std::string> section_of;  // by (table, lower-case list)
    for (const auto& [table, list] : map.keyword_links()) {
        const KeywordTopics& keywords = map.keywords(table);
        const auto& ids = table == 'A' ? a_ids_ : k_ids_;
        std::vector<std::pair<size_t, std::string>> places;
        std::vector<const std::string*> matched;
        for (std::string_view keyword : split_keyword_list(list)) {
            auto found = by_lower[table].find(ascii_lower(keyword));
            if (found == by_lower[table].end()) continue;
            const std::string* stored = found->second;
            if (std::find(matched.begin(), matched.end(), stored) != matched.end()) continue;
            matched.push_back(stored);
            for (size_t topic : keywords.at(*stored)) {
                if (topic >= map.topics().size()) continue;
                bool known = std::any_of(places.begin(), places.end(), [&](const auto& p) { return p.first == topic; });
                if (!known) places.emplace_back(topic, map.keyword_href(table, *stored, topic));
            }
        }
        if (places.empty()) continue;
        std::string href;
        if (places.size() == 1) {
            href = places.front().second;
        } else if (auto id = ids.find(ascii_lower(*matched.front())); matched.size() == 1 && id != ids.end()) {
            href = std::string(kKeywordsPage) + "#" + id->second;
        } else {
            std::string& section = section_of[std::string(1, table) + ascii_lower(list)];
            if (section.empty()) {
                section = format("found-%d", static_cast<int>(found_lists_.size() + 1));
                found_lists_.push_back({section, utf8.convert(list, code_page), std::move(places)});
            }
            href = std::string(kKeywordsPage) + "#" + section;
        }
        link_hrefs_[{table, list}] = href;
    }
}

const std::string* KeywordIndex::link_href(char table, const std::string& keywords) const {
    auto it = link_hrefs_.find({table, keywords});
    return it == link_hrefs_.end() ? nullptr : &it->second;
}

}  // namespace korvane::html
