// SPDX-License-Identifier: MIT
#include "html/contents_page.h"

#include "base/format.h"
#include "html/escape.h"
#include "html/search_index.h"
#include "html/site.h"
#include "html/site_files.h"
#include "text/labels.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"
#include "topics/help_model.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;

void append_link(std::string& p, std::string_view href, std::string_view text) {
    p += "<a href=\"";
    append_attribute(p, href);
    p += "\">";
    append_text(p, text);
    p += "</a>";
}

// The topic of this help file a contents entry leads to.
std::optional<MapTarget> local_entry_target(const TopicMap& map, const ContentsEntry& e) {
    if (e.kind != ContentsEntry::Kind::topic) return std::nullopt;
    return map.local_target(e.context, e.file);
}

// The contents file's tree: books open and close as <details>; topics of
// this help file link to their pages, those of other files to those
// files' sites.
void append_contents(std::string& p, const TopicMap& map, text::Utf8Converter& utf8, int code_page,
                     const std::vector<ContentsEntry>& entries) {
    p += "<ul>\n";
    for (const ContentsEntry& e : entries) {
        std::string title = utf8.convert(e.title, code_page);
        p += "<li>";
        if (e.kind == ContentsEntry::Kind::book) {
            p += "<details><summary>";
            append_text(p, title);
            p += "</summary>\n";
            if (!e.children.empty()) append_contents(p, map, utf8, code_page, e.children);
            p += "</details></li>\n";
            continue;
        }
        std::optional<std::string> href;
        if (e.kind == ContentsEntry::Kind::topic) href = map.href(e.context, e.file);
        if (href) {
            append_link(p, *href, title);
        } else {
            append_text(p, title);
        }
        if (!e.children.empty()) append_contents(p, map, utf8, code_page, e.children);
        p += "</li>\n";
    }
    p += "</ul>\n";
}

void mark_contents(const TopicMap& map, const std::vector<ContentsEntry>& entries, std::vector<char>& marked) {
    for (const ContentsEntry& e : entries) {
        if (std::optional<MapTarget> target = local_entry_target(map, e)) {
            if (target->topic < marked.size()) marked[target->topic] = 1;
        }
        mark_contents(map, e.children, marked);
    }
}

}  // namespace

std::vector<size_t> listed_topics(const TopicMap& map, const std::optional<ContentsFile>& contents) {
    size_t n = map.topics().size();
    std::vector<char> reached(n), listed(n), in_contents(n);
    std::vector<size_t> todo;
    auto reach = [&](size_t topic) {
        if (topic < n && !reached[topic]) {
            reached[topic] = 1;
            todo.push_back(topic);
        }
    };
    // What a topic's page links to: its jumps and popups, its browse
    // sequence's neighbours.
    auto follow = [&] {
        while (!todo.empty()) {
            size_t topic = todo.back();
            todo.pop_back();
            for (const std::string& context : map.jumps(topic)) {
                if (const MapTarget* target = map.find(context)) reach(target->topic);
            }
            for (bool next : {false, true}) {
                if (std::optional<size_t> neighbour = map.browse_neighbour(topic, next)) reach(*neighbour);
            }
        }
    };
    if (contents) mark_contents(map, contents->entries, in_contents);
    for (size_t t = 0; t < n; ++t) {
        if (in_contents[t]) reach(t);
    }
    // keywords.html lists every topic that has a keyword.
    for (char table : {'K', 'A'}) {
        for (const auto& [keyword, topics] : map.keywords(table)) {
            for (size_t t : topics) reach(t);
        }
    }
    for (size_t t = 0; t < n; ++t) {
        if (!map.topics()[t].title.empty() && !in_contents[t]) {
            listed[t] = 1;
            reach(t);
        }
    }
    follow();
    for (size_t t = 0; t < n; ++t) {
        if (reached[t]) continue;
        listed[t] = 1;
        reach(t);
        follow();
    }
    std::vector<size_t> out;
    for (size_t t = 0; t < n; ++t) {
        if (listed[t]) out.push_back(t);
    }
    return out;
}

std::vector<std::string> topic_labels(const TopicMap& map, text::Utf8Converter& utf8, int code_page,
                                      const std::vector<std::string>& first_lines, const text::Labels& words) {
    std::vector<std::string> labels;
    for (size_t t = 0; t < map.topics().size(); ++t) {
        const MapTopic& topic = map.topics()[t];
        std::string label = utf8.convert(topic.title, code_page);
        if (label.empty() && t < first_lines.size()) label = first_lines[t];
        if (label.empty()) label = format(words.topic, topic.number);
        labels.push_back(std::move(label));
    }
    return labels;
}

void write_contents_page(const html::Site& site, text::Utf8Converter& utf8, const std::string& title,
                         const std::vector<std::string>& baggage, const std::vector<std::string>& labels) {
    const text::Labels& words = text::labels_for(site.language);
    const std::optional<ContentsFile>& contents_file = site.model.contents;
    std::string p = html::page_head(site.language, title, site.files.options());
    p += "<body>\n<nav class=\"site\">";
    append_link(p, html::kKeywordsPage, words.index);
    if (site.files.options().search) p += html::search_form(words.search);
    p += "</nav>\n<h1 class=\"title\">";
    append_text(p, title);
    p += "</h1>\n<nav class=\"contents\">\n";
    std::vector<size_t> listed = listed_topics(site.map, contents_file);
    auto append_topics = [&](const char* css_class) {
        p += "<ul class=\"";
        p += css_class;
        p += "\">\n";
        for (size_t t : listed) {
            p += "<li>";
            append_link(p, site.map.topics()[t].page, labels[t]);
            p += "</li>\n";
        }
        p += "</ul>\n";
    };
    bool contents = contents_file && !contents_file->entries.empty();
    if (contents) {
        append_contents(p, site.map, utf8, site.code_page, contents_file->entries);
    } else {
        append_topics("topics");
    }
    p += "</nav>\n";
    if (contents && !listed.empty()) {
        p += "<h2 id=\"other-topics\">";
        append_text(p, words.other_topics);
        p += "</h2>\n<nav class=\"contents\">\n";
        append_topics("other-topics");
        p += "</nav>\n";
    }
    if (!baggage.empty()) {
        p += "<h2>";
        append_text(p, words.files);
        p += "</h2>\n<ul class=\"baggage\">\n";
        for (const std::string& name : baggage) {
            std::string href = html::link_target(std::string(html::kFilesFolder) + "/" + name);
            if (href.empty()) continue;
            p += "<li>";
            append_link(p, href, utf8.convert(name, site.code_page));
            p += "</li>\n";
        }
        p += "</ul>\n";
    }
    p += "</body>\n</html>\n";
    site.files.write_page(html::kIndexPage, p);
}

}  // namespace korvane
