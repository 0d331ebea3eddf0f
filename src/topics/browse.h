// Browse sequences rebuilt from the topic headers' browse links.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

struct HelpFile;

struct BrowseGroups {
    struct Entry {
        int32_t prev, self, next;
    };
    std::vector<std::vector<Entry>> groups;
};

// The browse footnote text "grp%04X:%d" of a topic, entering the topic into
// its group first; nullopt when prev and next are both -1.
std::optional<std::string> browse_sequence_name(HelpFile& help, int32_t prev, int32_t self, int32_t next);
// Index (from 0) of the first group holding an entry whose self is key, or -1.
int find_browse_group(const HelpFile& help, int32_t key);

}  // namespace korvane
