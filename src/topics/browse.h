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

}  // namespace korvane
