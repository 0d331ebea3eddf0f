// SPDX-License-Identifier: MIT
// Context-name hashes, their reverse, and the known context names.
//
// Help files keep only a 32-bit hash of each context name: for every byte
// with a value (digits 1-9 → 1-9, '0' → 10, '.' → 12, '_' → 13, letters of
// either case → 17-42) hash = hash * 43 + value; other bytes are skipped.
// For a hash the writers need a name that hashes back to it: a name seen in
// a picture hotspot when there is one, else one made up from a prefix and a
// base-43 suffix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvane {

struct ContextNames {
    struct Entry {
        uint32_t hash;
        std::string name;
    };
    std::vector<Entry> entries;                     // in the order added
    std::unordered_map<uint32_t, size_t> first_of;  // hash → index of its first entry
};

// The names a reader of topics gives hashes: the known ones, else made-up
// names, each made up once for the namer's lifetime.
class ContextNamer {
public:
    explicit ContextNamer(const ContextNames& known) : known_(known) {}
    // A name whose hash is target: the first known name with that hash,
    // else a made-up one, else "0x%08lX". The reference holds as long as
    // the namer.
    const std::string& operator()(uint32_t target);

private:
    const ContextNames& known_;
    std::unordered_map<uint32_t, std::string> made_up_;
};

uint32_t context_hash(std::string_view text);
// Appends to name the shortest suffix (0..14 characters) that gives it the
// hash target; false (name unchanged) when there is none.
bool append_hash_suffix(std::string& name, uint32_t target);
// Made-up name only (no known names consulted).
std::string made_up_name(uint32_t target);
void add_context_name(ContextNames& known, std::string_view name);

}  // namespace korvane
