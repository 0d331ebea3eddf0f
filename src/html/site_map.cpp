// SPDX-License-Identifier: MIT
#include "html/site_map.h"

#include <cerrno>
#include <cstring>

#include "base/ascii.h"
#include "base/format.h"
#include "base/messages.h"
#include "base/out_stream.h"
#include "base/output_sink.h"
#include "html/escape.h"
#include "html/page_names.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;


}  // namespace

std::unique_ptr<OutStream> create_site_file(const SiteMap& site, const std::string& name) {
    std::string path = site.out_dir + name;
    errno = 0;
    // Pictures are binary; pages and style sheets are text with CR LF.
    std::unique_ptr<OutStream> out =
        site.output->open(path, name.size() > 4 && name.substr(name.size() - 4) == ".png" ? "wb" : "wt");
    if (!out) fatal_error(Fatal::CannotCreate, path, std::strerror(errno));
    return out;
}

void write_site_file(const SiteMap& site, const std::string& name, std::string_view text) {
    std::unique_ptr<OutStream> out = create_site_file(site, name);
    out->write(text);
    out->close();
    if (out->failed()) fatal_error(Fatal::DiskFull);
}

std::string SiteMap::keyword_href(char table, const std::string& keyword, size_t topic) const {
    const std::string& page = topics[topic].page;
    auto it = keyword_anchors.find(std::tuple(table, keyword, topic));
    return it == keyword_anchors.end() ? page : page + "#" + it->second;
}

const SiteTarget* SiteMap::find(std::string_view context_id) const {
    static thread_local std::string key;
    key.assign(context_id);
    for (char& c : key) c = ascii_lower(c);
    auto it = contexts.find(key);
    return it == contexts.end() ? nullptr : &it->second;
}

std::string page_head(std::string_view lang, std::string_view title) {
    std::string p = "<!DOCTYPE html>\n<html lang=\"";
    p += lang;
    p += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    append_text(p, title);
    p += "</title>\n<link rel=\"stylesheet\" href=\"korvane.css\">\n<script src=\"korvane.js\" defer></script>\n"
         "</head>\n";
    return p;
}

std::string site_folder_name(std::string_view help_path) {
    size_t slash = help_path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? help_path : help_path.substr(slash + 1);
    size_t gt = name.find('>');  // a window after the file name
    if (gt != std::string_view::npos) name = name.substr(0, gt);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    // A name with nothing before its extension gets a folder all the same.
    if (name.empty()) return "help";
    return html::safe_name(ascii_lower(name), html::kMaxPageStem);
}

std::string context_page_stem(std::string_view context_id) {
    return html::safe_name(ascii_lower(context_id), html::kMaxPageStem);
}

const char* language_of_code_page(int code_page) {
    switch (code_page) {
    case 874: return "th";
    case 932: return "ja";
    case 936: return "zh-Hans";
    case 949: return "ko";
    case 950: return "zh-Hant";
    case 1253: return "el";
    case 1254: return "tr";
    case 1255: return "he";
    case 1256: return "ar";
    case 1258: return "vi";
    default: return "und";
    }
}

std::string site_picture_name(uint32_t number) { return format("bm%d.png", static_cast<int>(number)); }


}  // namespace korvane
