// SPDX-License-Identifier: MIT
#include "html/macro_links.h"

#include "base/ascii.h"
#include "base/file_names.h"
#include "html/escape.h"
#include "html/keyword_index.h"
#include "html/site.h"
#include "html/site_files.h"
#include "text/utf8.h"
#include "topicmap/macros.h"
#include "topicmap/topic_map.h"

namespace korvane {

namespace {

// A web or mail address as a browser reads it (tab and line ends dropped,
// blanks and controls around it cut), when its scheme is http, https or
// mailto; the href for it.
std::optional<std::string> web_address(std::string_view argument) {
    std::string url;
    for (char c : argument) {
        if (c != '\t' && c != '\n' && c != '\r') url += c;
    }
    size_t start = 0, end = url.size();
    while (start < end && static_cast<unsigned char>(url[start]) <= ' ') ++start;
    while (end > start && static_cast<unsigned char>(url[end - 1]) <= ' ') --end;
    url = url.substr(start, end - start);
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon + 1 == url.size()) return std::nullopt;
    std::string scheme = url.substr(0, colon);
    for (char& c : scheme) c = ascii_lower(c);
    if (scheme != "http" && scheme != "https" && scheme != "mailto") return std::nullopt;
    std::string href = html::link_target(url);
    if (href.empty()) return std::nullopt;
    return href;
}

}  // namespace

std::optional<MacroHref> macro_href(const html::Site& site, std::string_view macro, size_t topic,
                                    text::Utf8Converter& utf8) {
    std::optional<MacroCall> call = parse_macro(macro);
    if (!call) return std::nullopt;
    const TopicMap& map = site.map;
    const std::string& name = call->name;
    const std::string index_page(html::kIndexPage);
    if (macro_is_any(name, {"jumpcontents", "contents"})) {
        std::optional<std::string> other;
        if (!call->arguments.empty()) other = map.other_help_file_href(call->arguments[0], index_page);
        return MacroHref{other.value_or(index_page)};
    }
    if (macro_is_any(name, {"finder", "jumphelpon", "helpon"})) return MacroHref{index_page};
    if (name == "search") return MacroHref{std::string(html::kKeywordsPage)};
    if (macro_is_any(name, {"next", "prev"})) {
        std::optional<size_t> neighbour = map.browse_neighbour(topic, name == "next");
        if (!neighbour) return std::nullopt;
        return MacroHref{map.topics()[*neighbour].page};
    }
    if (std::optional<KeywordLink> link = keyword_link(*call)) {
        // The entry of the keyword in the other site's index, named as that
        // index names it.
        std::string entry = std::string(html::kKeywordsPage) + "#k-" + safe_name(utf8.convert(link->keywords, site.code_page));
        if (std::optional<std::string> other = map.other_help_file_href(link->file, entry)) return MacroHref{*other};
        const std::string* href = site.keywords.link_href(link->table, link->keywords);
        if (!href) return std::nullopt;
        return MacroHref{*href};
    }
    bool exec_file = macro_is_any(name, {"execfile", "ef"});
    if (exec_file || macro_is_any(name, {"execprogram", "ep"})) {
        // ExecFile's file or its arguments; ExecProgram's command line.
        for (size_t i = 0; i < call->arguments.size() && i < (exec_file ? 2u : 1u); ++i) {
            if (std::optional<std::string> href = web_address(call->arguments[i])) return MacroHref{*href, true};
        }
    }
    return std::nullopt;
}

}  // namespace korvane
