// SPDX-License-Identifier: MIT
// The map of a site that its pages are written from: every topic with its
// page, where each context id leads, the keywords and pictures, and how the
// site's files are named and created. Context ids are taken in lower case
// for every name they give, so that names agree between sites whatever
// case a jump writes them in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "topics/topic_sink.h"

namespace korvane {

class OutStream;
class OutputSink;

// A topic as the site knows it before its page is written.
struct SiteTopic {
    int32_t number = 0;
    std::string title;                     // in the help file's code page
    std::vector<std::string> context_ids;  // in the order they appear
    BrowseLinks browse;
    bool has_browse = false;
    bool popup = false;  // shown as a popup somewhere: pages embed its content
    std::string page;    // file name of its page
};

// Where a context id leads: a topic's page and, for ids inside a topic, an
// anchor.
struct SiteTarget {
    size_t topic = 0;
    std::string page;
    std::string anchor;  // empty: the top of the page
};

// A picture as the site shows it, with the rectangles of its hotspots.
struct SitePicture {
    struct Area {
        int left = 0, top = 0, right = 0, bottom = 0;
        Hotspot hotspot;
    };
    std::string file;  // empty: the picture could not be converted
    int width = 0, height = 0;
    std::vector<Area> areas;
};

struct SiteMap {
    std::vector<SiteTopic> topics;
    std::unordered_map<std::string, SiteTarget> contexts;  // by context id in lower case
    std::unordered_map<int32_t, size_t> by_browse_key;     // browse self key → topic
    // Keyword (in the help file's code page) → its topics, in order; K and A keywords.
    std::map<std::string, std::vector<size_t>> keywords, a_keywords;
    // Further context ids → the page that forwards to them.
    std::vector<std::pair<std::string, SiteTarget>> forwards;
    // Context ids (lower case) that popups show, found by the first pass.
    std::unordered_set<std::string> popup_targets;
    // Context ids (lower case) → the secondary window the first jump to
    // them names, as the hotspot names it; found by the first pass.
    std::unordered_map<std::string, std::string> jump_windows;
    // Pictures by the name the topic text refers to them with.
    std::unordered_map<std::string, SitePicture> pictures;
    std::string folder;   // this site's folder name (site_folder_name)
    std::string out_dir;  // where its files go (a prefix of their names)
    OutputSink* output = nullptr;

    // The entries of keywords.html, per table, as a reader looks them up:
    // sorted ignoring case, then as stored. Distinct keywords get distinct
    // ids; one whose text equals another's once converted (bytes the code
    // page has no character for) gets none.
    struct KeywordEntry {
        std::string text;  // UTF-8
        std::string id;    // empty: none
        const std::vector<size_t>* topics;
        const std::string* stored;  // the keyword as stored
    };
    std::vector<KeywordEntry> k_index, a_index;
    // Keywords (lower case, as stored) → the id of their entry, for the
    // keyword links of macros.
    std::unordered_map<std::string, std::string> k_keyword_ids, a_keyword_ids;
    // Keywords that stand inside a topic rather than at its top: (table,
    // keyword as stored, topic) → the anchor of that place in the page.
    std::map<std::tuple<char, std::string, size_t>, std::string> keyword_anchors;

    // The context ids (lower case) of this help file that each topic's
    // jumps, popups and picture hotspots lead to, by topic.
    std::vector<std::vector<std::string>> jumps;
    // The keyword links (ALink, KLink, JumpKeyword) into this help file:
    // (table, keyword list as the macro has it) → where they lead, when
    // any of their keywords has a topic.
    std::set<std::pair<char, std::string>> keyword_links;
    std::map<std::pair<char, std::string>, std::string> keyword_link_hrefs;
    // The lists of keyword links whose keywords lead to several topics,
    // shown as sections of keywords.html.
    struct FoundList {
        std::string id;
        std::string keywords;  // UTF-8, as the macro lists them
        std::vector<std::pair<size_t, std::string>> places;  // topic, href
    };
    std::vector<FoundList> found_lists;

    std::string language;  // BCP 47 tag of the help file's language (html/labels.h)

    const SiteTarget* find(std::string_view context_id) const;
    // The href of the place of a keyword (as stored) in one of its topics.
    std::string keyword_href(char table, const std::string& keyword, size_t topic) const;
};

// The site's file for a picture number: "bm<number>.png".
std::string site_picture_name(uint32_t number);

// What a site is made from besides the topics.
struct SiteSource {
    std::string help_path;
    std::string out_dir;  // the site's folder, with a trailing '/', existing
    std::string title;    // the help file's title, in its code page
    std::vector<std::string> baggage;  // file names in out_dir/files/ to link from the contents page
    uint16_t locale = 0;  // the LCID of its locale record, 0 for none
};

// Creates a file of the site (fatal when it cannot be created).
std::unique_ptr<OutStream> create_site_file(const SiteMap& site, const std::string& name);
// Writes a file of the site whole (fatal when it cannot be written).
void write_site_file(const SiteMap& site, const std::string& name, std::string_view text);

// The site folder name of a help file path: its file name without the
// extension, in lower case, made safe ("help" when nothing is left).
std::string site_folder_name(std::string_view help_path);
// The name a context id gives a page: lower case, made safe.
std::string context_page_stem(std::string_view context_id);

// The head of a site page up to </head>: language, UTF-8, title (UTF-8,
// escaped here), the style sheet and the popup script.
std::string page_head(std::string_view lang, std::string_view title);

// The HTML lang value for text in a code page ("und" when the code page
// does not tell the language).
const char* language_of_code_page(int code_page);

}  // namespace korvane
