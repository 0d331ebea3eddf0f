// SPDX-License-Identifier: MIT
// The keyword index of a site as keywords.html lists it, and where the
// keyword links of its pages lead.
//
// The entries of each table are sorted as a reader looks them up:
// ignoring case, then as stored. Distinct keywords get distinct ids ("k-"
// or "a-" and the keyword made safe); one whose text equals another's once
// converted (bytes the code page has no character for) gets none.
//
// A keyword link (ALink, KLink, JumpKeyword) leads to the one topic its
// keywords have, else to the entry of its one keyword, else to a list of
// all their topics: a section "found-N" of keywords.html. Links whose
// keywords have no topic lead nowhere.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane {

class TopicMap;

namespace text {
class Utf8Converter;
}

namespace html {

class KeywordIndex {
public:
    struct Entry {
        std::string text;  // UTF-8
        std::string id;    // empty: none
        const std::vector<size_t>* topics;
        const std::string* stored;  // the keyword as stored
    };
    struct FoundList {
        std::string id;
        std::string keywords;  // UTF-8, as the macro lists them
        std::vector<std::pair<size_t, std::string>> places;  // topic, href
    };

    KeywordIndex(const TopicMap& map, text::Utf8Converter& utf8, int code_page);

    // The entries of the K or A table, sorted.
    const std::vector<Entry>& entries(char table) const { return table == 'A' ? a_entries_ : k_entries_; }
    // Where a keyword link into this help file leads (table, keyword list as
    // the macro has it); null when nowhere.
    const std::string* link_href(char table, const std::string& keywords) const;
    // The lists of keyword links whose keywords lead to several topics.
    const std::vector<FoundList>& found_lists() const { return found_lists_; }

private:
    void resolve_links(const TopicMap& map, text::Utf8Converter& utf8, int code_page);

    std::vector<Entry> k_entries_, a_entries_;
    // Keywords (lower case, as stored) → the id of their entry.
    std::map<std::string, std::string> k_ids_, a_ids_;
    std::map<std::pair<char, std::string>, std::string> link_hrefs_;
    std::vector<FoundList> found_lists_;
};

// The index as the viewer's Index tab shows it: keywords of the form
// "first, second" or "first:second" are second-level entries, listed under
// one first-level entry "first", which "first" itself and "first," give
// topics to. Second levels that differ only in case or separator are one
// entry. Each entry has each of its topics once, at the place the first
// of its keywords leads to.
struct IndexPlace {
    size_t topic;
    std::string href;
};
struct IndexEntry {
    std::string text;              // as shown (UTF-8)
    std::string key;               // what a filter matches: "first" or "first, second"
    std::vector<std::string> ids;  // of the keywords it stands for
    std::vector<IndexPlace> places;
};
struct IndexGroup {
    IndexEntry own;
    std::vector<IndexEntry> subentries;
};
// The entries of one table as first-level groups, in the order of their
// sort keys.
std::vector<IndexGroup> index_groups(const TopicMap& map, char table, const std::vector<KeywordIndex::Entry>& entries);

// The key entries are sorted and filtered by: lower case, the accents of
// Latin letters taken off.
std::string index_sort_key(std::string_view utf8);

// The keywords of a ';'-separated list, blanks around them cut, empty ones
// left out.
std::vector<std::string_view> split_keyword_list(std::string_view list);

}  // namespace html
}  // namespace korvane
