// SPDX-License-Identifier: MIT
#include "html/popup_pages.h"

#include "base/format.h"
#include "html/site_files.h"
#include "topicmap/topic_map.h"

namespace korvane::html {

void PopupPages::add(Page page) {
    if (map_.topics()[page.topic].popup) {
        popups_[page.topic] = Popup{page.html.substr(page.content_at), page.window_class, page.popups};
    }
    if (ready(page)) {
        write_page(page);
    } else {
        waiting_.push_back(std::move(page));
    }
}

std::optional<std::vector<size_t>> PopupPages::embedded_popups(const Page& page) const {
    // The popups of the page, those of their content and so on; never the
    // page's own topic, whose ids the page holds already.
    std::vector<size_t> all;
    std::set<size_t> seen = {page.topic};
    std::vector<size_t> todo(page.popups.begin(), page.popups.end());
    while (!todo.empty()) {
        size_t topic = todo.back();
        todo.pop_back();
        if (!seen.insert(topic).second) continue;
        auto popup = popups_.find(topic);
        if (popup == popups_.end()) return std::nullopt;  // not written yet
        all.push_back(topic);
        todo.insert(todo.end(), popup->second.popups.begin(), popup->second.popups.end());
    }
    return all;
}

bool PopupPages::ready(const Page& page) const { return embedded_popups(page).has_value(); }

void PopupPages::write_page(const Page& page) const {
    std::string html = page.html;
    html += "</div>\n</div>\n";
    for (size_t topic : embedded_popups(page).value_or(std::vector<size_t>{})) {
        auto it = popups_.find(topic);
        if (it == popups_.end()) continue;
        // The popup shows in the colours of its topic's window.
        const std::string& window_class = it->second.window_class;
        html += format("<div hidden id=\"popup-t%d\"", static_cast<int>(topic));
        html += window_class.empty() ? ">\n" : " class=\"" + window_class + "\">\n";
        html += it->second.content;
        html += "</div>\n";
    }
    html += "</body>\n</html>\n";
    files_.write_page(map_.topics()[page.topic].page, html);
}

void PopupPages::finish() {
    for (const Page& page : waiting_) write_page(page);
    waiting_.clear();
}

}  // namespace korvane::html
