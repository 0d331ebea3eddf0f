// SPDX-License-Identifier: MIT
// The context map of an HTML Help project: the help file's [Map] (its
// |CTXOMAP, project/map_section.h) as the numbers a program passes to
// HtmlHelp(..., HH_HELP_CONTEXT, n), each with the page the site gives its
// context (a topic's page, or its page and the anchor of a further context
// id). The project holds it as the map header NAME.h ("#define NAME n",
// which [MAP] includes) and [ALIAS] lines ("NAME=page.html"); the compiled
// file as #IVB and #STRINGS (chm/context_map_fix.h).
//
// NAME is the context name made safe for both: letters, digits and '_'
// (others become '_'), "IDH_" before one that would start with a digit or
// be empty; a name that another already has, case aside, gets "_2", "_3",
// ... A number the map gives twice keeps its first topic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

class TopicMap;
struct MapEntry;

namespace chm {

struct ContextAlias {
    std::string name;  // for the header and [ALIAS]
    int32_t number = 0;
    std::string page;  // "page.html" or "page.html#anchor"
};

// The aliases of the map's entries whose context the topic map knows, in
// the map's order.
std::vector<ContextAlias> context_aliases(const std::vector<MapEntry>& entries, const TopicMap& map);

// The text of the map header.
std::string map_header(const std::vector<ContextAlias>& aliases);

}  // namespace chm
}  // namespace korvane
