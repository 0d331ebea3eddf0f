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
    size_t& suffix = next_suffix_.try_emplace(key, 2).first->second;
    for (;; ++suffix) {
        std::string candidate = stem + "-" + std::to_string(suffix);
        std::string candidate_key = ascii_lower(candidate) + extension_;
        if (!taken(candidate_key)) {
            used_.insert(candidate_key);
            ++suffix;
            return candidate + extension_;
        }
    }
}

}  // namespace korvane
