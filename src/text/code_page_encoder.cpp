// SPDX-License-Identifier: MIT
#include "text/code_page_encoder.h"

#include "base/format.h"
#include "system/code_page_table.h"
#include "text/utf8.h"
#include "topics/code_page.h"

namespace korvane::text {

CodePageEncoder::CodePageEncoder(int code_page) : code_page_(code_page) {
    const sys::CodePageTable* table = shared_code_page_table(code_page);
    if (!table) {
        code_page_ = kWesternCodePage;
        table = shared_code_page_table(code_page_);
    }
    if (!table) {  // no table at all: ASCII only
        for (char32_t c = 0; c < 0x80; ++c) bytes_.emplace(c, static_cast<uint16_t>(c));
        return;
    }
    for (uint32_t b = 0; b < 256; ++b) {
        const char32_t c = table->bytes[b];
        if (b < 0x80 && c != b) ascii_is_ascii_ = false;
        if (c != sys::CodePageTable::kUndefined && c != sys::CodePageTable::kLeadByte) {
            bytes_.emplace(c, static_cast<uint16_t>(b));
        }
    }
    if (table->pairs.empty()) return;
    for (uint32_t lead = 0; lead < 256; ++lead) {
        if (table->bytes[lead] != sys::CodePageTable::kLeadByte) continue;
        for (uint32_t trail = 0; trail < 256; ++trail) {
            const char32_t c = table->pair(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
            if (c != sys::CodePageTable::kUndefined) bytes_.emplace(c, static_cast<uint16_t>(lead << 8 | trail));
        }
    }
}

bool CodePageEncoder::has(char32_t c) const { return bytes_.count(c) != 0; }

void CodePageEncoder::append(std::string& out, std::string_view utf8, Missing missing) const {
    size_t i = 0;
    while (i < utf8.size()) {
        if (ascii_is_ascii_) {
            size_t ascii = i;
            while (ascii < utf8.size() && static_cast<uint8_t>(utf8[ascii]) < 0x80) ++ascii;
            out.append(utf8.data() + i, ascii - i);
            i = ascii;
            if (i == utf8.size()) break;
        }
        char32_t c = next_code_point(utf8, i);
        if (c == kNotUtf8) c = 0xFFFD;
        auto found = bytes_.find(c);
        if (found == bytes_.end()) {
            if (missing == Missing::reference) {
                out += format("&#%d;", static_cast<int>(c));
            } else {
                out += '?';
            }
        } else if (found->second > 0xFF) {
            out += static_cast<char>(found->second >> 8);
            out += static_cast<char>(found->second & 0xFF);
        } else {
            out += static_cast<char>(found->second);
        }
    }
}

std::string CodePageEncoder::encode(std::string_view utf8, Missing missing) const {
    std::string out;
    append(out, utf8, missing);
    return out;
}

}  // namespace korvane::text
