// SPDX-License-Identifier: MIT
// File names of the pages of topics, for outputs with a page per topic.
//
// A topic's page is named after its first context id, or "topicN" when it
// has none, through safe_name (base/file_names.h): only [A-Za-z0-9_.-], no
// leading dot, the stem at most kMaxNameStem bytes, then the output's
// extension. Pages are copied to file systems that ignore case, so two
// pages never differ only in case: a name equal to an earlier one ignoring
// case gets "-2", "-3", ... (the first free one). The output's own files
// are reserved and never given to a topic, and neither are the device names
// Windows refuses as file names (CON, NUL, COM1, ...; "con.html" is one of
// them there).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace korvane {

class PageNames {
public:
    explicit PageNames(std::string extension) : extension_(std::move(extension)) {}

    // Reserves a file name the output uses for something else (its own
    // pages, a picture, a folder); false when a page or an earlier
    // reservation has it already.
    bool reserve(std::string_view file_name);

    // The page name of a topic: context_id is its first context id (empty
    // when it has none), topic_number the number in "topicN".
    std::string add(std::string_view context_id, size_t topic_number);

private:
    bool taken(const std::string& lower_name) const;

    std::string extension_;  // ".html"
    std::unordered_set<std::string> used_;  // every name given or reserved, in lower case
    std::unordered_map<std::string, size_t> next_suffix_;  // lower-case stem -> next number to try
};

}  // namespace korvane
