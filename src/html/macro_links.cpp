// SPDX-License-Identifier: MIT
#include "html/macro_links.h"

#include "base/ascii.h"
#include "html/escape.h"
#include "html/macros.h"
#include "html/site_map.h"
#include "html/utf8.h"

namespace korvane {

namespace {

bool is_any(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (name == n) return true;
    }
    return false;
}

// The folder of another help file's site, empty for this help file.
std::string other_site(const SiteMap& site, const std::string& file) {
    if (file.empty()) return {};
    std::string folder = site_folder_name(file);
    return folder == site.folder ? std::string() : folder;
}

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

std::optional<KeywordLink> keyword_link(const MacroCall& call) {
    if (call.arguments.empty()) return std::nullopt;
    if (is_any(call.name, {"alink", "al"})) return KeywordLink{'A', {}, call.arguments[0]};
    if (is_any(call.name, {"klink", "kl"})) return KeywordLink{'K', {}, call.arguments[0]};
    if (is_any(call.name, {"jumpkeyword", "jk"}) && call.arguments.size() >= 2) {
        std::string file = call.arguments[0];
        size_t window = file.find('>');
        if (window != std::string::npos) file.resize(window);
        return KeywordLink{'K', file, call.arguments[1]};
    }
    return std::nullopt;
}

std::optional<MacroHref> macro_href(const SiteMap& site, std::string_view macro, size_t topic,
                                    html::Utf8Converter& utf8, int code_page) {
    std::optional<MacroCall> call = parse_macro(macro);
    if (!call) return std::nullopt;
    const std::string& name = call->name;
    if (is_any(name, {"jumpcontents", "contents"})) {
        std::string other = call->arguments.empty() ? std::string() : other_site(site, call->arguments[0]);
        return MacroHref{other.empty() ? "index.html" : "../" + other + "/index.html"};
    }
    if (is_any(name, {"finder", "jumphelpon", "helpon"})) return MacroHref{"index.html"};
    if (name == "search") return MacroHref{"keywords.html"};
    if (is_any(name, {"next", "prev"})) {
        if (topic >= site.topics.size() || !site.topics[topic].has_browse) return std::nullopt;
        const BrowseLinks& browse = site.topics[topic].browse;
        int32_t key = name == "next" ? browse.next : browse.prev;
        auto it = site.by_browse_key.find(key);
        if (key == -1 || it == site.by_browse_key.end()) return std::nullopt;
        return MacroHref{site.topics[it->second].page};
    }
    if (std::optional<KeywordLink> link = keyword_link(*call)) {
        std::string other = other_site(site, link->file);
        if (!other.empty()) {
            // The entry of the keyword in the other site's index, named
            // as that index names it.
            std::string id = "k-" + html::safe_name(utf8.convert(link->keywords, code_page));
            return MacroHref{"../" + other + "/keywords.html#" + id};
        }
        auto it = site.keyword_link_hrefs.find({link->table, link->keywords});
        if (it == site.keyword_link_hrefs.end()) return std::nullopt;
        return MacroHref{it->second};
    }
    bool exec_file = is_any(name, {"execfile", "ef"});
    if (exec_file || is_any(name, {"execprogram", "ep"})) {
        // ExecFile's file or its arguments; ExecProgram's command line.
        for (size_t i = 0; i < call->arguments.size() && i < (exec_file ? 2u : 1u); ++i) {
            if (std::optional<std::string> href = web_address(call->arguments[i])) return MacroHref{*href, true};
        }
    }
    return std::nullopt;
}

}  // namespace korvane
