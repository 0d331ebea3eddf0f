// SPDX-License-Identifier: MIT
#include "chm/contents_file.h"

#include "chm/project_text.h"
#include "html/contents_page.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"
#include "topics/help_model.h"

namespace korvane::chm {

namespace {

struct Tree {
    const TopicMap& map;
    text::Utf8Converter& utf8;
    int code_page;
    const ProjectText& text;
    std::string out;

    void entries(const std::vector<ContentsEntry>& list, int depth) {
        const std::string indent(static_cast<size_t>(depth), '\t');
        out += indent + "<UL>\n";
        for (const ContentsEntry& e : list) {
            const std::string name = text.attribute(utf8.convert(e.title, code_page));
            std::optional<std::string> href;
            if (e.kind == ContentsEntry::Kind::topic) href = map.href(e.context, e.file);
            if (href) {
                out += sitemap_object(depth, {{"Name", name}, {"Local", text.attribute(*href)}});
            } else {
                out += sitemap_object(depth, {{"Name", name}});
            }
            if (!e.children.empty()) entries(e.children, depth + 1);
        }
        out += indent + "</UL>\n";
    }
};

void append_topics(std::string& out, const TopicMap& map, const std::vector<size_t>& topics,
                   const std::vector<std::string>& labels, const ProjectText& text, int depth) {
    const std::string indent(static_cast<size_t>(depth), '\t');
    out += indent + "<UL>\n";
    for (size_t t : topics) {
        out += sitemap_object(depth, {{"Name", text.attribute(labels[t])}, {"Local", text.attribute(map.topics()[t].page)}});
    }
    out += indent + "</UL>\n";
}

}  // namespace

std::string contents_file(const HelpModel& model, const TopicMap& map, const std::vector<std::string>& labels,
                          const std::string& other_topics, text::Utf8Converter& utf8, const ProjectText& text) {
    std::string out = sitemap_head();
    const std::vector<size_t> listed = listed_topics(map, model.contents);
    if (model.contents && !model.contents->entries.empty()) {
        Tree tree{map, utf8, model.code_page.code_page, text, {}};
        tree.entries(model.contents->entries, 0);
        out += tree.out;
        if (!listed.empty()) {
            // The book goes into the outermost list, after the tree's
            // entries.
            out.erase(out.size() - std::string_view("</UL>\n").size());
            out += sitemap_object(0, {{"Name", text.attribute(other_topics)}});
            append_topics(out, map, listed, labels, text, 1);
            out += "</UL>\n";
        }
    } else {
        append_topics(out, map, listed, labels, text, 0);
    }
    out += "</BODY></HTML>\n";
    return out;
}

}  // namespace korvane::chm
