// SPDX-License-Identifier: MIT
#include "topics/context_hash.h"

#include "base/format.h"

namespace korvane {

namespace {

int char_value(unsigned char c) {
    if (c >= '1' && c <= '9') return c - '0';
    if (c == '0') return 10;
    if (c == '.') return 12;
    if (c == '_') return 13;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 17;
    if (c >= 'a' && c <= 'z') return c - 'a' + 17;
    return 0;
}

// The character for a digit value; 0 when the value has none.
char value_char(unsigned d) {
    if (d >= 1 && d <= 9) return static_cast<char>('0' + d);
    if (d == 10) return '0';
    if (d == 12) return '.';
    if (d == 13) return '_';
    if (d >= 17 && d <= 42) return static_cast<char>('a' + (d - 17));
    return 0;
}

const char* const kPrefixes[] = {"",  "Ind", "con", "ID_", "IDH", "KEY", "ID", "cn", "A", "B", "C", "D",
                                 "E", "F",   "G",   "H",   "I",   "J",   "K",  "L",  "M", "N", "O", "P",
                                 "Q", "R",   "S",   "T",   "U",   "V",   "W",  "X",  "Y", "Z"};

}  // namespace

uint32_t context_hash(std::string_view text) {
    uint32_t h = 0;
    for (unsigned char c : text) {
        int v = char_value(c);
        if (v) h = h * 43u + static_cast<uint32_t>(v);
    }
    return h;
}

bool append_hash_suffix(std::string& name, uint32_t target) {
    uint32_t p = context_hash(name);
    uint32_t power = 1;  // 43^i modulo 2^32
    for (int i = 0; i <= 14; ++i, power *= 43u) {
        uint32_t v = target - p * power;
        char suffix[15];
        bool ok = true;
        for (int k = i - 1; k >= 0; --k) {
            char c = value_char(v % 43u);
            v /= 43u;
            if (!c) {
                ok = false;
                break;
            }
            suffix[k] = c;
        }
        if (ok && v == 0) {
            name.append(suffix, static_cast<size_t>(i));
            return true;
        }
    }
    return false;
}

std::string made_up_name(uint32_t target) {
    for (const char* prefix : kPrefixes) {
        std::string name = prefix;
        if (append_hash_suffix(name, target) && context_hash(name) == target) return name;
    }
    return format("0x%08lX", target);
}

const std::string& ContextNamer::operator()(uint32_t target) {
    auto it = known_.first_of.find(target);
    if (it != known_.first_of.end()) return known_.entries[it->second].name;
    auto made = made_up_.find(target);
    if (made == made_up_.end()) made = made_up_.emplace(target, made_up_name(target)).first;
    return made->second;
}

void add_context_name(ContextNames& known, std::string_view name) {
    uint32_t h = context_hash(name);
    known.first_of.emplace(h, known.entries.size());
    known.entries.push_back({h, std::string(name)});
}

}  // namespace korvane
