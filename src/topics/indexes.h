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

// Name of the first context entry (table order, hash not 0) whose topic
// offset lies in [low, high] (low compared signed, high unsigned).
std::optional<std::string> context_name_in_range(HelpFile& help, int32_t low, uint32_t high);
// The names of every such entry, in table order.
std::vector<std::string> context_names_in_range(HelpFile& help, int32_t low, uint32_t high);
// Keywords of every keyword entry whose topic offset equals topic_offset,
// in table order, joined by ';'; nullopt when there is none.
std::optional<std::string> keywords_for_topic(HelpFile& help, int32_t topic_offset);
// The same for every entry whose topic offset lies in [low, high].
std::optional<std::string> keywords_in_range(HelpFile& help, int32_t low, uint32_t high);

void set_picture_name(HelpFile& help, uint32_t number, const std::string& name);

}  // namespace korvane
