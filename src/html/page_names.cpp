// SPDX-License-Identifier: MIT
// Unique page names, compared ignoring ASCII case.
//
// The next suffix to try is kept per stem, so that a thousand topics with
// the same id do not try every taken suffix again (the cost stays linear).
#include "html/page_names.h"

#include <array>

#include "base/ascii.h"
#include "html/escape.h"

namespace korvane::html {

namespace {


// CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9: with any extension, no file
// of that name can be made on Windows ("con.x1.html" neither: what stands
// before the first dot counts).
bool is_device_name(std::string_view lower_stem) {
    lower_stem = lower_stem.substr(0, lower_stem.find('.'));
    static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
    for (std::string_view d : kDevices) {
        if (lower_stem == d) return true;
    }
    return lower_stem.size() == 4 && (lower_stem.starts_with("com") || lower_stem.starts_with("lpt")) &&
           lower_stem[3] >= '0' && lower_stem[3] <= '9';
}

}  // namespace

PageNames::PageNames() {
    for (std::string_view name : {kIndexPage, kKeywordsPage, kStyleSheetFile, kSearchPage}) used_.insert(ascii_lower(name));
}

bool PageNames::reserve(std::string_view file_name) { return used_.insert(ascii_lower(file_name)).second; }

bool PageNames::taken(const std::string& lower_name) const { return used_.count(lower_name) != 0; }

std::string PageNames::add(std::string_view context_id, size_t topic_number) {
    std::string stem = context_id.empty() ? "topic" + std::to_string(topic_number) : safe_name(context_id, kMaxPageStem);
    std::string key = ascii_lower(stem);
    if (!is_device_name(key) && !taken(key + ".html")) {
        used_.insert(key + ".html");
        return stem + ".html";
    }
    // The number goes after the device name when the stem starts with one
    // ("con-2.x1"), else at the end.
    const size_t dot = is_device_name(key) ? stem.find('.') : std::string::npos;
    size_t& suffix = next_suffix_.try_emplace(key, 2).first->second;
    for (;; ++suffix) {
        std::string candidate = dot == std::string::npos
                                    ? stem + "-" + std::to_string(suffix)
                                    : stem.substr(0, dot) + "-" + std::to_string(suffix) + stem.substr(dot);
        std::string candidate_key = ascii_lower(candidate) + ".html";
        if (!taken(candidate_key)) {
            used_.insert(candidate_key);
            ++suffix;
            return candidate + ".html";
        }
    }
}

}  // namespace korvane::html
