// SPDX-License-Identifier: MIT
#include "chm/map_header.h"

#include <set>

#include "base/ascii.h"
#include "base/format.h"
#include "project/map_section.h"
#include "topicmap/topic_map.h"

namespace korvane::chm {

namespace {

std::string safe_alias(std::string_view context) {
    std::string name;
    for (char c : context) {
        const bool word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        name += word ? c : '_';
    }
    if (name.empty() || (name.front() >= '0' && name.front() <= '9')) name = "IDH_" + name;
    return name;
}

}  // namespace

std::vector<ContextAlias> context_aliases(const std::vector<MapEntry>& entries, const TopicMap& map) {
    std::vector<ContextAlias> aliases;
    std::set<std::string> names;   // in lower case
    std::set<int32_t> numbers;
    for (const MapEntry& entry : entries) {
        const MapTarget* target = map.find(entry.name);
        if (!target || !numbers.insert(entry.number).second) continue;
        const std::string base = safe_alias(entry.name);
        std::string name = base;
        for (int n = 2; !names.insert(ascii_lower(name)).second; ++n) name = format("%s_%d", base, n);
        aliases.push_back({name, entry.number, target->href()});
    }
    return aliases;
}

std::string map_header(const std::vector<ContextAlias>& aliases) {
    std::string out = "/* The help ids of the help file's [MAP]: HtmlHelp(window, file, HH_HELP_CONTEXT, id) */\n";
    for (const ContextAlias& alias : aliases) out += format("#define %s %d\n", alias.name, alias.number);
    return out;
}

}  // namespace korvane::chm
