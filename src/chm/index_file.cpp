// SPDX-License-Identifier: MIT
#include "chm/index_file.h"

#include "chm/project_text.h"
#include "html/keyword_index.h"
#include "topicmap/topic_map.h"

namespace korvane::chm {

namespace {

std::string entry_object(const html::IndexEntry& entry, const std::vector<std::string>& labels,
                         const ProjectText& text, int depth) {
    const std::string name = text.attribute(entry.text);
    if (entry.places.empty()) return sitemap_object(depth, {{"Name", name}});
    if (entry.places.size() == 1) {
        return sitemap_object(depth, {{"Name", name}, {"Local", text.attribute(entry.places.front().href)}});
    }
    const std::string indent(static_cast<size_t>(depth) + 1, '\t');
    std::string out = indent + "<LI> <OBJECT type=\"text/sitemap\">\n";
    auto param = [&](std::string_view param_name, const std::string& value) {
        out += indent + "\t<param name=\"";
        out += param_name;
        out += "\" value=\"" + value + "\">\n";
    };
    param("Name", name);
    for (const html::IndexPlace& place : entry.places) {
        param("Name", text.attribute(place.topic < labels.size() ? labels[place.topic] : std::string()));
        param("Local", text.attribute(place.href));
    }
    out += indent + "\t</OBJECT>\n";
    return out;
}

}  // namespace

std::string index_file(const TopicMap& map, const html::KeywordIndex& keywords, const std::vector<std::string>& labels,
                       const ProjectText& text) {
    std::string out = sitemap_head();
    out += "<UL>\n";
    for (const html::IndexGroup& group : html::index_groups(map, 'K', keywords.entries('K'))) {
        out += entry_object(group.own, labels, text, 0);
        if (group.subentries.empty()) continue;
        out += "\t<UL>\n";
        for (const html::IndexEntry& sub : group.subentries) out += entry_object(sub, labels, text, 1);
        out += "\t</UL>\n";
    }
    out += "</UL>\n</BODY></HTML>\n";
    return out;
}

}  // namespace korvane::chm
