// SPDX-License-Identifier: MIT
// Unique page names, compared ignoring ASCII case.
//
// The next suffix to try is kept per stem, so that a thousand topics with
// the same id do not try every taken suffix again (the cost stays linear).
#include "topicmap/page_names.h"

#include "base/ascii.h"
#include "base/file_names.h"
#include "topics/help_file_name.h"

namespace korvane {

bool PageNames::reserve(std::string_view file_name) { return used_.insert(ascii_lower(file_name)).second; }

bool PageNames::taken(const std::string& lower_name) const { return used_.count(lower_name) != 0; }

std::string PageNames::add(std::string_view context_id, size_t topic_number) {
    std::string stem = context_id.empty() ? "topic" + std::to_string(topic_number) : safe_name(context_id, kMaxNameStem);
    std::string key = ascii_lower(stem);
    if (!is_device_name(key) && !taken(key + extension_)) {
        used_.insert(key + extension_);
        return stem + extension_;
    }
    // The number goes after the device name when the stem starts with one
    // ("con-2.x1"), else at the end.
    const size_t dot = is_device_name(key) ? stem.find('.') : std::string::npos;
    size_t& suffix = next_suffix_.try_emplace(key, 2).first->second;
    for (;; ++suffix) {
        std::string candidate = dot == std::string::npos
                                    ? stem + "-" + std::to_string(suffix)
                                    : stem.substr(0, dot) + "-" + std::to_string(suffix) + stem.substr(dot);
        std::string candidate_key = ascii_lower(candidate) + extension_;
        if (!taken(candidate_key)) {
            used_.insert(candidate_key);
            ++suffix;
            return candidate + extension_;
        }
    }
}

}  // namespace korvane
