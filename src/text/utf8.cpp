// SPDX-License-Identifier: MIT
// Code-page text to UTF-8 through the system's table of the code page.
#include "text/utf8.h"

#include <array>
#include <map>
#include <mutex>
#include <optional>

#include "system/code_page_table.h"
#include "topics/code_page.h"

namespace korvane::text {

size_t utf8_sequence(std::string_view s, size_t at, uint32_t& code_point) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    uint8_t lead = byte(at);
    size_t length;
    uint32_t minimum;
    if (lead < 0x80) {
        code_point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code_point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code_point = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code_point = lead & 0x07u;
    } else {
        return 0;
    }
    if (s.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        uint8_t c = byte(at + i);
        if ((c & 0xC0) != 0x80) return 0;
        code_point = code_point << 6 | (c & 0x3Fu);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return 0;
    return length;
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

const sys::CodePageTable* shared_code_page_table(int code_page) {
    static std::mutex mutex;
    static std::map<int, std::optional<sys::CodePageTable>> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(code_page);
    if (it == tables.end()) it = tables.emplace(code_page, sys::code_page_table(code_page)).first;
    return it->second ? &*it->second : nullptr;
}

struct Utf8Converter::Converter {
    int code_page = kWesternCodePage;
    const sys::CodePageTable* table = nullptr;
    // The UTF-8 text of every byte that is a character on its own.
    std::array<std::string, 256> single;
    bool double_byte = false;
    // Bytes below 0x80 stand for themselves.
    bool ascii_is_ascii = false;

    bool open(int wanted) {
        table = shared_code_page_table(wanted);
        if (!table) return false;
        code_page = wanted;
        double_byte = !table->pairs.empty();
        ascii_is_ascii = true;
        for (size_t b = 0; b < 256; ++b) {
            char32_t c = table->bytes[b];
            if (b < 0x80 && c != b) ascii_is_ascii = false;
            if (c == sys::CodePageTable::kUndefined || c == sys::CodePageTable::kLeadByte) {
                single[b] = kReplacement;
            } else {
                append_utf8(single[b], c);
            }
        }
        return true;
    }

    void append(std::string& out, std::string_view bytes) {
        size_t at = 0;
        while (at < bytes.size()) {
            if (ascii_is_ascii) {
                // Lead bytes lie above 0x7F, so the bytes up to the first
                // such byte are whole characters.
                size_t ascii = at;
                while (ascii < bytes.size() && static_cast<uint8_t>(bytes[ascii]) < 0x80) ++ascii;
                out.append(bytes.data() + at, ascii - at);
                at = ascii;
                if (at == bytes.size()) break;
            }
            const auto lead = static_cast<uint8_t>(bytes[at]);
            if (double_byte && table->bytes[lead] == sys::CodePageTable::kLeadByte && at + 1 < bytes.size()) {
                char32_t c = table->pair(lead, static_cast<uint8_t>(bytes[at + 1]));
                if (c != sys::CodePageTable::kUndefined) {
                    append_utf8(out, c);
                    at += 2;
                    continue;
                }
            }
            // A byte that starts no character here, or a character cut off
            // by the end of the run, is one U+FFFD.
            out += single[lead];
            ++at;
        }
    }
};

Utf8Converter::Utf8Converter() = default;
Utf8Converter::~Utf8Converter() = default;

Utf8Converter::Converter& Utf8Converter::converter(int code_page) {
    if (last_ && last_code_page_ == code_page) return *last_;
    std::unique_ptr<Converter>& slot = converters_[code_page];
    if (!slot) {
        slot = std::make_unique<Converter>();
        if (!slot->open(code_page) && !slot->open(kWesternCodePage)) {
            // No table even for Western text: every byte above 0x7F becomes
            // U+FFFD.
            slot->ascii_is_ascii = true;
            for (size_t b = 0; b < 256; ++b) slot->single[b] = b < 0x80 ? std::string(1, static_cast<char>(b)) : std::string(kReplacement);
        }
    }
    last_code_page_ = code_page;
    last_ = slot.get();
    return *slot;
}

void Utf8Converter::append(std::string& out, std::string_view bytes, int code_page) {
    converter(code_page).append(out, bytes);
}

std::string Utf8Converter::convert(std::string_view bytes, int code_page) {
    std::string out;
    append(out, bytes, code_page);
    return out;
}

int Utf8Converter::effective_code_page(int code_page) { return converter(code_page).code_page; }

}  // namespace korvane::text
