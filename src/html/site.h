// A help file as a static web site that works from the file system:
// index.html (title, contents, links to the keyword index and the baggage
// files), one page per topic named from its first context id, a page that
// forwards to its topic for every further context id, keywords.html,
// help.css and help.js, and the pictures. All file names are lower case
// and made of [a-z0-9_.-], so a site copied to a file system that ignores
// case still works and no name from the help file reaches outside the
// site's folder.
//
// Jumps into another help file link to that file's site as a sibling
// folder, "../other/ID.html", which resolves when both were converted into
// the same folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "topics/topic_sink.h"

namespace korvane {

struct Decoding;

// A topic as the site knows it before its page is written.
struct SiteTopic {
    int32_t number = 0;
    std::string title;                     // in the help file's code page
    std::vector<std::string> context_ids;  // in the order they appear
    BrowseLinks browse;
    bool has_browse = false;
    std::string page;  // file name of its page
};

// Where a context id leads: a page and, for ids inside a topic, an anchor.
struct SiteTarget {
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
    // Keyword (in the help file's code page) → its topics, in order.
    std::map<std::string, std::vector<size_t>> keywords;
    // The same for the keywords of associative links (A keywords).
    std::map<std::string, std::vector<size_t>> a_keywords;
    // Further context ids → the page that forwards to them.
    std::vector<std::pair<std::string, SiteTarget>> forwards;
    // Pictures by the name the topic text refers to them with.
    std::unordered_map<std::string, SitePicture> pictures;
    std::string folder;   // this site's folder name (site_folder_name)
    std::string out_dir;  // where its files go

    const SiteTarget* find(std::string_view context_id) const;
};

class OutStream;
// Creates a file of the site (fatal when it cannot be created).
std::unique_ptr<OutStream> create_site_file(const SiteMap& site, const std::string& name);

// The lower-case site name of a help file path: its file name without the
// extension, made safe.
std::string site_folder_name(std::string_view help_path);

// What a site is made from besides the topics.
struct SiteSource {
    std::string help_path;
    std::string out_dir;  // the site's folder, with a trailing '/', existing
    std::string title;    // the help file's title, in its code page
    std::vector<std::string> baggage;  // file names in out_dir to link from the contents page
};

// Writes the site of help (its text in help.code_page) into source.out_dir.
void write_help_site(Decoding& help, const SiteSource& source);

}  // namespace korvane
