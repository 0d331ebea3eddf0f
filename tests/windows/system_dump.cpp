// SPDX-License-Identifier: MIT
// Dumps what the system services (src/system) answer, as text, so that
// the Linux and the Windows builds can be compared with diff
// (tests/windows/compare_system.sh):
//   system_dump OUT code-pages       every byte and pair of every code page
//   system_dump OUT tokens           the search tokens of "a" and of "a"
//                                    followed by each code point, and of it alone
//   system_dump OUT symbol-characters  the symbol fonts' tables: byte,
//                                    character and face a line (also for
//                                    tests/html/site_text.py)
//   system_dump OUT pictures DIR     synthetic bitmaps as PNG files in DIR
// OUT is written in binary, with line feeds. The double-byte guess and the
// metafiles are held by the comparison of the programs' output
// (compare_builds.sh), over the corpus and the seeds.
#include <cstdio>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/byte_reader.h"
#include "html/search_tokens.h"
#include "text/symbol_fonts.h"
#include "text/utf8.h"
#include "system/code_page_table.h"
#include "system/raster.h"

using namespace korvane;

namespace {

constexpr int kCodePages[] = {437, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361};

std::string character(char32_t c) {
    if (c == sys::CodePageTable::kUndefined) return "undefined";
    if (c == sys::CodePageTable::kLeadByte) return "lead";
    return format("U+%04X", static_cast<unsigned>(c));
}

void dump_code_pages(FILE* out) {
    for (int code_page : kCodePages) {
        std::optional<sys::CodePageTable> table = sys::code_page_table(code_page);
        if (!table) {
            std::fprintf(out, "%d none\n", code_page);
            continue;
        }
        for (int b = 0; b < 256; ++b) {
            std::fprintf(out, "%d %02X %s\n", code_page, b, character(table->bytes[b]).c_str());
            if (table->bytes[b] != sys::CodePageTable::kLeadByte) continue;
            for (int t = 0; t < 256; ++t) {
                char32_t c = table->pair(static_cast<uint8_t>(b), static_cast<uint8_t>(t));
                if (c != sys::CodePageTable::kUndefined) std::fprintf(out, "%d %02X%02X %s\n", code_page, b, t, character(c).c_str());
            }
        }
    }
}

bool is_code_point(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

void dump_tokens(FILE* out) {
    html::SearchTokenizer tokenizer;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (!is_code_point(c)) continue;
        std::string alone, after;
        text::append_utf8(alone, c);
        after = "a" + alone;
        std::string line = format("%04X", static_cast<unsigned>(c));
        for (const std::string& text : {alone, after}) {
            line += " |";
            for (const std::string& token : tokenizer.tokens(text)) line += " " + token;
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
}

void dump_symbol_characters(FILE* out) {
    for (const char* face : {"Symbol", "Wingdings", "Wingdings 2", "Wingdings 3", "Webdings", "Zapf Dingbats", "Marlett", "MT Extra"}) {
        const text::SymbolTable* table = text::symbol_table(face);
        for (size_t b = 0; table && b < table->size(); ++b) {
            std::fprintf(out, "%02X %04X %s\n", static_cast<unsigned>(b), static_cast<unsigned>((*table)[b]), face);
        }
    }
}

// A bitmap file of width x height at bits per pixel with a table of colours
// entries, patterned pixels and table; at 32 bits alpha bytes of 0, 255 and
// between (alpha), else 0.
std::vector<uint8_t> bitmap_file(int width, int height, int bits, int colours, bool alpha) {
    const size_t row = (static_cast<size_t>(width) * bits + 31) / 32 * 4, pixels_at = 54 + 4 * static_cast<size_t>(colours);
    std::vector<uint8_t> file(pixels_at + row * height);
    file[0] = 'B';
    file[1] = 'M';
    for (auto [at, value] : {std::pair{2, file.size()}, {10, pixels_at}, {14, 40}, {18, width}, {22, height}, {38, 3780},
                             {42, 3780}, {46, colours}}) {
        ByteReader::put32(&file[static_cast<size_t>(at)], static_cast<uint32_t>(value));
    }
    ByteReader::put16(&file[26], 1);
    ByteReader::put16(&file[28], static_cast<uint32_t>(bits));
    uint32_t seed = static_cast<uint32_t>(width * 7919 + height * 104729 + bits);
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (int i = 0; i < colours; ++i) {
        for (int c = 0; c < 3; ++c) file[static_cast<size_t>(54 + 4 * i + c)] = next();
        file[static_cast<size_t>(57 + 4 * i)] = static_cast<uint8_t>(i % 3 == 0 ? next() : 0);  // the reserved byte
    }
    for (size_t i = pixels_at; i < file.size(); ++i) file[i] = next();
    for (size_t i = pixels_at + 3; bits == 32 && i < file.size(); i += 4) {
        file[i] = !alpha || file[i] < 64 ? 0 : file[i] > 192 ? 255 : file[i];
    }
    return file;
}

// Bitmaps of every depth and of tables of no entries (2^bits of them then),
// too few, all and too many; their size or problem into out, their PNG into dir.
void dump_pictures(FILE* out, const std::string& dir) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int width : {1, 7, 33}) {
            for (int colours : {0, 1, 2, 1 << bits, (1 << bits) + 1, 300, -1}) {
                const bool alpha = colours < 0;
                if ((bits > 8 && colours > 0 && colours != 300) || (alpha && bits != 32)) continue;
                const std::string name = alpha ? format("b%d-w%d-alpha", bits, width) : format("b%d-w%d-c%d", bits, width, colours);
                const sys::RasterResult r =
                    sys::png_of_bitmap(bitmap_file(width, width == 1 ? 1 : width / 2 + 3, bits, alpha ? 0 : colours, alpha), !alpha);
                if (!r.image) {
                    std::fprintf(out, "%s failed: %s\n", name.c_str(), r.problem.c_str());
                } else if (FILE* png = std::fopen((dir + "/" + name + ".png").c_str(), "wb")) {
                    std::fprintf(out, "%s %d x %d\n", name.c_str(), r.image->width, r.image->height);
                    std::fwrite(r.image->png.data(), 1, r.image->png.size(), png);
                    std::fclose(png);
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc >= 3 ? argv[2] : "";
    FILE* out = argc >= 3 ? std::fopen(argv[1], "wb") : nullptr;
    if (out && what == "code-pages") dump_code_pages(out);
    else if (out && what == "tokens") dump_tokens(out);
    else if (out && what == "symbol-characters") dump_symbol_characters(out);
    else if (out && what == "pictures" && argc == 4) dump_pictures(out, argv[3]);
    else {
        std::fprintf(stderr, "usage: system_dump OUT code-pages|tokens|symbol-characters|pictures DIR\n");
        return 2;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
