// SPDX-License-Identifier: MIT
#include "html/contents_page.h"

#include "html/search_index.h"

#include "html/escape.h"
#include "html/labels.h"
#include "html/site_map.h"
#include "html/utf8.h"

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
const SiteTarget* local_entry_target(const SiteMap& site, const ContentsEntry& e) {
    if (e.kind != ContentsEntry::Kind::topic) return nullptr;
    std::string other = e.file.empty() ? std::string() : site_folder_name(e.file);
    if (!other.empty() && other != site.folder) return nullptr;
    return site.find(e.context);
}

// The contents file's tree: books open and close as <details>; topics of
// this help file link to their pages, those of other files to those
// files' sites.
void append_contents(std::string& p, const SiteMap& site, html::Utf8Converter& utf8, int code_page,
                     const std::vector<ContentsEntry>& entries) {
    p += "<ul>\n";
    for (const ContentsEntry& e : entries) {
        std::string title = utf8.convert(e.title, code_page);
        p += "<li>";
        if (e.kind == ContentsEntry::Kind::book) {
            p += "<details><summary>";
            append_text(p, title);
            p += "</summary>\n";
            if (!e.children.empty()) append_contents(p, site, utf8, code_page, e.children);
            p += "</details></li>\n";
            continue;
        }
        std::optional<std::string> href;
        if (e.kind == ContentsEntry::Kind::topic) {
            std::string other = e.file.empty() ? std::string() : site_folder_name(e.file);
            if (!other.empty() && other != site.folder) {
                href = "../" + other + "/" + context_page_stem(e.context) + ".html";
            } else if (const SiteTarget* target = site.find(e.context)) {
                href = target->page + (target->anchor.empty() ? "" : "#" + target->anchor);
            }
        }
        if (href) {
            append_link(p, *href, title);
        } else {
            append_text(p, title);
        }
        if (!e.children.empty()) append_contents(p, site, utf8, code_page, e.children);
        p += "</li>\n";
    }
    p += "</ul>\n";
}

void mark_contents(const SiteMap& site, const std::vector<ContentsEntry>& entries, std::vector<char>& marked) {
    for (const ContentsEntry& e : entries) {
        if (const SiteTarget* target = local_entry_target(site, e)) {
            if (target->topic < marked.size()) marked[target->topic] = 1;
        }
        mark_contents(site, e.children, marked);
    }
}

// The topics index.html lists beside the contents, in file order: the
// titled ones no contents entry leads to (all titled ones without
// contents), then as few others as it takes for every topic to be reached
// from index.html.
std::vector<size_t> listed_topics(const SiteMap& site, const std::optional<ContentsFile>& contents) {
    size_t n = site.topics.size();
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
            if (topic < site.jumps.size()) {
                for (const std::string& context : site.jumps[topic]) {
                    if (const SiteTarget* target = site.find(context)) reach(target->topic);
                }
            }
            const SiteTopic& t = site.topics[topic];
            if (!t.has_browse) continue;
            for (int32_t key : {t.browse.prev, t.browse.next}) {
                auto it = site.by_browse_key.find(key);
                if (key != -1 && it != site.by_browse_key.end()) reach(it->second);
            }
        }
    };
    if (contents) mark_contents(site, contents->entries, in_contents);
    for (size_t t = 0; t < n; ++t) {
        if (in_contents[t]) reach(t);
    }
    // keywords.html lists every topic that has a keyword.
    for (const auto* keywords : {&site.keywords, &site.a_keywords}) {
        for (const auto& [keyword, topics] : *keywords) {
            for (size_t t : topics) reach(t);
        }
    }
    for (size_t t = 0; t < n; ++t) {
        if (!site.topics[t].title.empty() && !in_contents[t]) {
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

}  // namespace

std::vector<std::string> topic_labels(const SiteMap& site, html::Utf8Converter& utf8, int code_page,
                                      const std::vector<std::string>& first_lines) {
    std::vector<std::string> labels;
    for (size_t t = 0; t < site.topics.size(); ++t) {
        const SiteTopic& topic = site.topics[t];
        std::string label = utf8.convert(topic.title, code_page);
        if (label.empty() && t < first_lines.size()) label = first_lines[t];
        if (label.empty() && !topic.context_ids.empty()) label = utf8.convert(topic.context_ids.front(), code_page);
        if (label.empty()) label = topic.page;
        labels.push_back(std::move(label));
    }
    return labels;
}

void write_contents_page(const SiteMap& site, html::Utf8Converter& utf8, int code_page, const std::string& title,
                         const SiteSource& source, const std::optional<ContentsFile>& contents_file,
                         const std::vector<std::string>& labels) {
    const html::Labels& words = html::labels_for(site.language);
    std::string p = page_head(site.language, title);
    p += "<body>\n<nav class=\"site\">";
    append_link(p, "keywords.html", words.index);
    p += html::search_form(words.search) + "</nav>\n<h1 class=\"title\">";
    append_text(p, title);
    p += "</h1>\n<nav class=\"contents\">\n";
    std::vector<size_t> listed = listed_topics(site, contents_file);
    auto append_topics = [&](const char* css_class) {
        p += "<ul class=\"";
        p += css_class;
        p += "\">\n";
        for (size_t t : listed) {
            p += "<li>";
            append_link(p, site.topics[t].page, labels[t]);
            p += "</li>\n";
        }
        p += "</ul>\n";
    };
    bool contents = contents_file && !contents_file->entries.empty();
    if (contents) {
        append_contents(p, site, utf8, code_page, contents_file->entries);
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
    if (!source.baggage.empty()) {
        p += "<h2>";
        append_text(p, words.files);
        p += "</h2>\n<ul class=\"baggage\">\n";
        for (const std::string& name : source.baggage) {
            std::string href = html::link_target("files/" + name);
            if (href.empty()) continue;
            p += "<li>";
            append_link(p, href, utf8.convert(name, code_page));
            p += "</li>\n";
        }
        p += "</ul>\n";
    }
    p += "</body>\n</html>\n";
    write_site_file(site, "index.html", p);
}

}  // namespace korvane
