// Context and keyword indexes (|CONTEXT, |KWBTREE with |KWDATA) and the
// picture-name table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

struct HelpFile;

struct ContextTable {
    struct Entry {
        int32_t hash;
        int32_t topic_offset;
    };
    std::vector<Entry> entries;  // in leaf order
};

struct KeywordTable {
    struct Entry {
        int32_t topic_offset;
        uint32_t keyword_pos;  // absolute file position of the keyword text
    };
    bool loaded = false;
    std::vector<Entry> entries;
};

struct PictureNames {
    std::vector<std::optional<std::string>> names;  // by picture number
};

void load_context_table(HelpFile& help);
void load_keyword_table(HelpFile& help);

void set_picture_name(HelpFile& help, uint32_t number, const std::string& name);

}  // namespace korvane
