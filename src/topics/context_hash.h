// Context-name hashes, their reverse, and the known context names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct HelpFile;

struct ContextNames {
    struct Entry {
        uint32_t hash;
        std::string name;
    };
    std::vector<Entry> entries;  // in the order added
};

uint32_t context_hash(std::string_view text);
// Appends to name the shortest suffix (0..14 characters) that gives it the
// hash target; false (name unchanged) when there is none.
bool append_hash_suffix(std::string& name, uint32_t target);
// A name whose hash is target: a known name, else a made-up one, else "0x%08lX".
std::string name_for_hash(const HelpFile& help, uint32_t target);
void add_context_name(HelpFile& help, std::string_view name);

}  // namespace korvane
