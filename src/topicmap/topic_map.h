// SPDX-License-Identifier: MIT
// The map of a help file's topics that every output with a page per topic
// is written from: each topic with its page name, where each context id
// leads (a page and an anchor), the browse sequences, the keywords and the
// places in their topics they lead to, the window each topic shows in, and
// what each topic's hotspots lead to. It is built once from the model with
// one scan of the topics and only read afterwards.
//
// Context ids are taken in lower case for every name they give, so that
// names agree between outputs whatever case a jump writes them in. A
// further context id of a topic leads to an anchor "c-ID" in its page.
//
// A topic shows in the secondary window that its contents entry names,
// else in the one the first jump to it names (in the order of the context
// ids), else in the main window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "topics/topic_sink.h"

namespace korvane {

struct HelpModel;
struct Reporter;

struct MapTopic {
    int32_t number = 0;
    std::string title;                     // in the help file's code page
    std::vector<std::string> context_ids;  // in the order they appear
    BrowseLinks browse;
    bool has_browse = false;
    bool popup = false;  // shown as a popup somewhere: pages embed its content
    std::string page;    // file name of its page
    int window = -1;     // the window definition it shows in, -1 the default one
};

// Where a context id leads: a topic's page and, for ids inside a topic, an
// anchor.
struct MapTarget {
    size_t topic = 0;
    std::string page;
    std::string anchor;  // empty: the top of the page

    std::string href() const { return anchor.empty() ? page : page + "#" + anchor; }
};

// A picture as an output shows it, with the rectangles of its hotspots.
struct MapPicture {
    struct Area {
        int left = 0, top = 0, right = 0, bottom = 0;
        Hotspot hotspot;
    };
    std::string file;  // empty: the picture could not be converted
    int width = 0, height = 0;
    std::vector<Area> areas;
};
// By the file name the topic text's picture number gives
// (topicmap/topic_map.h's picture_file_name).
using MapPictures = std::unordered_map<std::string, MapPicture>;

// Keyword (in the help file's code page) → its topics, in order.
using KeywordTopics = std::map<std::string, std::vector<size_t>>;

struct TopicMapOptions {
    std::string extension = ".html";  // of the pages
    // File names the output uses itself (its own pages, folders); the
    // pictures' files are reserved as well.
    std::vector<std::string> reserved;
    // How a page of another help file's output is reached: before_key, the
    // other help file's key, after_key, the page ("../other/page.html").
    std::string before_key = "../", after_key = "/";
};

class TopicMap {
public:
    // Scans the topics of model (warnings muted: the writers' pass raises
    // them) and names the pages.
    TopicMap(const HelpModel& model, MapPictures pictures, const TopicMapOptions& options, Reporter& report);
    // The map of topics given as they are (their titles, context ids,
    // browse links and popup marks) instead of scanned from the model's
    // topic file: pages named, windows chosen, no keywords or jumps.
    TopicMap(const HelpModel& model, std::vector<MapTopic> topics, MapPictures pictures, const TopicMapOptions& options);

    const std::vector<MapTopic>& topics() const { return topics_; }
    const std::string& key() const { return key_; }  // this help file's (topics/help_file_name.h)
    const std::string& extension() const { return options_.extension; }

    // Where a context id of this help file leads; null when nowhere.
    const MapTarget* find(std::string_view context_id) const;
    // Where a context id of the help file named file leads when that is this
    // one (an empty file is this one).
    std::optional<MapTarget> local_target(std::string_view context_id, std::string_view file) const;
    // The href of a context id of the help file named file: "page#anchor" in
    // this one, the other help file's page of that context id otherwise;
    // nothing when this help file has no such context id.
    std::optional<std::string> href(std::string_view context_id, std::string_view file) const;
    // The href of a page of another help file's output; nothing when file
    // names this help file.
    std::optional<std::string> other_help_file_href(std::string_view file, std::string_view page) const;
    // The page a context id gives its own name: lower case, made safe.
    std::string context_page(std::string_view context_id) const;

    // The previous or next topic of a topic's browse sequence.
    std::optional<size_t> browse_neighbour(size_t topic, bool next) const;

    // K and A keywords and their topics.
    const KeywordTopics& keywords(char table) const { return table == 'A' ? a_keywords_ : k_keywords_; }
    // The href of the place of a keyword (as stored) in one of its topics.
    std::string keyword_href(char table, const std::string& keyword, size_t topic) const;
    // The keyword links (ALink, KLink, JumpKeyword) into this help file:
    // (table, keyword list as the macro has it).
    const std::set<std::pair<char, std::string>>& keyword_links() const { return keyword_links_; }

    // The context ids (lower case) of this help file that a topic's jumps,
    // popups and picture hotspots lead to.
    const std::vector<std::string>& jumps(size_t topic) const;
    // Further context ids → the page of their own name that forwards to
    // them, so that other outputs can link to every context id by name.
    const std::vector<std::pair<std::string, MapTarget>>& forwards() const { return forwards_; }

    const MapPictures& pictures() const { return pictures_; }
    const MapPicture* picture(uint16_t number) const;

private:
    class Scan;
    void name_pages();
    void assign_windows(const HelpModel& model);

    TopicMapOptions options_;
    std::string key_;
    MapPictures pictures_;
    std::vector<MapTopic> topics_;
    std::unordered_map<std::string, MapTarget> contexts_;  // by context id in lower case
    std::unordered_map<int32_t, size_t> by_browse_key_;    // browse self key → topic
    KeywordTopics k_keywords_, a_keywords_;
    // (table, keyword as stored, topic) → the anchor of its place inside the
    // topic, for keywords that stand below the topic's top.
    std::map<std::tuple<char, std::string, size_t>, std::string> keyword_anchors_;
    std::set<std::pair<char, std::string>> keyword_links_;
    std::vector<std::vector<std::string>> jumps_;
    std::vector<std::pair<std::string, MapTarget>> forwards_;
    // What the scan finds for naming and windows: context ids (lower case)
    // that popups show, and the secondary window the first jump to a
    // context id names.
    std::set<std::string> popup_targets_;
    std::map<std::string, std::string> jump_windows_;
};

// The file name of picture number N for outputs: "bmN.png".
std::string picture_file_name(uint32_t number);

}  // namespace korvane
