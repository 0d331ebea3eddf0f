// SPDX-License-Identifier: MIT
// The topic pages as they are finished, and the popups they show. A popup
// opens in place: after the page's window, the page holds the content of
// popup topic N in <div hidden id="popup-tN"> with the class of that
// topic's window, and likewise the popups that content shows. The content
// of topics that popups show is kept once written; a page whose popups
// come later in the file waits until they are written.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace korvane {

class TopicMap;

namespace html {

class SiteFiles;

// A topic's page, written up to the end of the topic's content.
struct Page {
    size_t topic = 0;
    std::string html;
    size_t content_at = 0;     // where the topic's content starts in html
    std::string window_class;  // of the topic's window, empty for the default one
    std::set<size_t> popups;   // the popup topics its links show in place
};

class PopupPages {
public:
    PopupPages(const TopicMap& map, const SiteFiles& files) : map_(map), files_(files) {}

    // A finished page. A popup topic's content is kept for the pages that
    // show it. The page is written once the content of every popup it
    // shows is known.
    void add(Page page);
    // Writes the pages that still wait, without their popups.
    void finish();

private:
    struct Popup {
        std::string content;
        std::string window_class;
        std::set<size_t> popups;  // the popups this content shows
    };

    std::optional<std::vector<size_t>> embedded_popups(const Page& page) const;
    bool ready(const Page& page) const;
    void write_page(const Page& page) const;

    const TopicMap& map_;
    const SiteFiles& files_;
    std::map<size_t, Popup> popups_;  // by topic
    std::vector<Page> waiting_;
};

}  // namespace html
}  // namespace korvane
