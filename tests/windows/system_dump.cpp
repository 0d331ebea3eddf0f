// SPDX-License-Identifier: MIT
// Dumps what the system services (src/system) answer, as text, so that
// the Linux and the Windows builds can be compared with diff
// (tests/windows/compare_system.sh):
//   system_dump OUT code-pages       every byte and pair of every code page
//   system_dump OUT tokens           the search tokens of "a" and of "a"
//                                    followed by each code point, and of it alone
//   system_dump OUT unicode          class, decomposition and case of each code point
//   system_dump OUT symbol-characters  the characters of the symbol fonts' tables
//   system_dump OUT detect FILE...   the double-byte guess over each help file's text
//   system_dump OUT pictures DIR     synthetic bitmaps and metafiles as PNG files in DIR
// OUT is written in binary, with line feeds.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/messages.h"
#include "base/byte_reader.h"
#include "helpfile/helpfile.h"
#include "html/search_tokens.h"
#include "text/symbol_fonts.h"
#include "text/utf8.h"
#include "system/code_page_table.h"
#include "system/raster.h"
#include "system/text_detection.h"
#include "system/unicode.h"
#include "topics/code_page.h"
#include "topics/phrases.h"

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

std::string hex(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) out += format(out.empty() ? "%X" : " %X", static_cast<unsigned>(c));
    return out;
}

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

// The characters the symbol fonts' tables give, in hex.
void dump_symbol_characters(FILE* out) {
    for (const char* face : {"Symbol", "Wingdings", "Wingdings 2", "Wingdings 3", "Webdings", "Zapf Dingbats", "Marlett", "MT Extra"}) {
        if (const text::SymbolTable* table = text::symbol_table(face)) {
            for (char32_t c : *table) std::fprintf(out, "%04X\n", static_cast<unsigned>(c));
        }
    }
}

void dump_unicode(FILE* out) {
    static const char* const kClasses[] = {"other", "mark", "letter"};
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (!is_code_point(c)) continue;
        std::u32string one(1, c), nfkd, lower, upper;
        bool ok = sys::decompose_compatibility(one, nfkd) && sys::to_lower_case(one, lower) && sys::to_upper_case(one, upper);
        std::fprintf(out, "%04X %s%s nfkd %s lower %s upper %s%s\n", static_cast<unsigned>(c),
                     kClasses[static_cast<int>(sys::character_class(c))], sys::written_without_spaces(c) ? " cjk" : "",
                     hex(nfkd).c_str(), hex(lower).c_str(), hex(upper).c_str(), ok ? "" : " failed");
    }
}

std::vector<uint8_t> read_whole(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* in = std::fopen(path, "rb");
    if (!in) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(in);
    return bytes;
}

void dump_detection(FILE* out, int count, char** paths) {
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> bytes = read_whole(paths[i]);
        std::string name = paths[i];
        name = name.substr(name.find_last_of("/\\") + 1);
        try {
            Reporter report;
            HelpFile help;
            open_help_data(help, report, bytes);
            PhraseTables phrases;
            phrases.indexed = help.indexed_phrases;
            if (help.phrases_file.present()) {
                load_phrase_table(help, phrases);
            } else if (help.phrimage_file.present()) {
                load_indexed_phrase_table(help, report, phrases);
            }
            std::string sample = topic_text_sample(help, phrases, 256 * 1024);
            std::fprintf(out, "%s %d\n", name.c_str(), sys::detect_double_byte_code_page(sample));
        } catch (...) {
            std::fprintf(out, "%s unreadable\n", name.c_str());
        }
    }
}

// Bitmap files of every depth with patterned pixels, short colour tables,
// indexes past the table and alpha bytes; metafiles of lines, shapes and
// text at several scales.
struct Bitmap {
    std::string name;
    int width, height, bits, colours;
    int alpha;  // 0: none, 1: some pixels with an alpha byte
};

std::vector<uint8_t> bitmap_file(const Bitmap& b) {
    size_t row = (static_cast<size_t>(b.width) * b.bits + 31) / 32 * 4;
    size_t pixels_at = 54 + 4 * static_cast<size_t>(b.colours);
    std::vector<uint8_t> file(pixels_at + row * b.height);
    file[0] = 'B';
    file[1] = 'M';
    ByteReader::put32(&file[2], static_cast<uint32_t>(file.size()));
    ByteReader::put32(&file[10], static_cast<uint32_t>(pixels_at));
    ByteReader::put32(&file[14], 40);
    ByteReader::put32(&file[18], static_cast<uint32_t>(b.width));
    ByteReader::put32(&file[22], static_cast<uint32_t>(b.height));
    ByteReader::put16(&file[26], 1);
    ByteReader::put16(&file[28], static_cast<uint32_t>(b.bits));
    ByteReader::put32(&file[38], 3780);
    ByteReader::put32(&file[42], 3780);
    ByteReader::put32(&file[46], static_cast<uint32_t>(b.colours));
    uint32_t seed = static_cast<uint32_t>(b.width * 7919 + b.height * 104729 + b.bits);
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (int i = 0; i < b.colours; ++i) {
        file[54 + 4 * i] = next();
        file[55 + 4 * i] = next();
        file[56 + 4 * i] = next();
        file[57 + 4 * i] = static_cast<uint8_t>(i % 3 == 0 ? next() : 0);  // the reserved byte
    }
    for (size_t i = pixels_at; i < file.size(); ++i) file[i] = next();
    if (b.bits == 32) {
        for (size_t i = pixels_at + 3; i < file.size(); i += 4) {
            if (!b.alpha) file[i] = 0;
            else if (file[i] < 64) file[i] = 0;
            else if (file[i] > 192) file[i] = 255;
        }
    }
    return file;
}

void put_record(std::vector<uint8_t>& mf, uint16_t function, std::initializer_list<int> params) {
    size_t at = mf.size();
    mf.resize(at + 6 + 2 * params.size());
    ByteReader::put32(&mf[at], static_cast<uint32_t>(3 + params.size()));
    ByteReader::put16(&mf[at + 4], function);
    size_t i = at + 6;
    for (int p : params) {
        ByteReader::put16(&mf[i], static_cast<uint32_t>(p) & 0xFFFF);
        i += 2;
    }
}

// A placeable metafile of box (0, 0, extent, extent * 3 / 4) in units per
// inch: window origin and extent, a pen and a brush, lines, a rectangle,
// an ellipse, a polygon.
std::vector<uint8_t> metafile(int extent, int units_per_inch, int variant) {
    std::vector<uint8_t> mf(22 + 18);
    int height = extent * 3 / 4;
    ByteReader::put32(&mf[0], 0x9AC6CDD7);
    ByteReader::put16(&mf[10], static_cast<uint32_t>(extent));
    ByteReader::put16(&mf[12], static_cast<uint32_t>(height));
    ByteReader::put16(&mf[14], static_cast<uint32_t>(units_per_inch));
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2) checksum ^= ByteReader::le16(&mf[i]);
    ByteReader::put16(&mf[20], checksum);
    put_record(mf, 0x020B, {0, 0});                 // SetWindowOrg(y, x)
    put_record(mf, 0x020C, {height, extent});       // SetWindowExt(y, x)
    put_record(mf, 0x02FA, {0, extent / 40, 0, variant ? 0x0000FF : 0x000080, 0});  // CreatePenIndirect: solid
    put_record(mf, 0x012D, {0});                    // SelectObject
    put_record(mf, 0x02FC, {0, variant ? 0x00C0 : 0x80FF, 0x0000, 0});  // CreateBrushIndirect: solid
    put_record(mf, 0x012D, {1});
    put_record(mf, 0x041B, {height * 3 / 4, extent * 3 / 4, height / 8, extent / 8});  // Rectangle(b, r, t, l)
    put_record(mf, 0x0418, {height - 2, extent - 2, height / 2, extent / 2});            // Ellipse
    put_record(mf, 0x0214, {height / 2, 0});  // MoveTo(y, x)
    put_record(mf, 0x0213, {0, extent});       // LineTo(y, x)
    put_record(mf, 0x0324, {3, extent / 10, height - 1, extent / 3, height / 3, extent / 2, height - 1});  // Polygon
    put_record(mf, 0x0000, {});
    size_t words = (mf.size() - 22) / 2;
    ByteReader::put16(&mf[22], 1);
    ByteReader::put16(&mf[24], 9);
    ByteReader::put16(&mf[26], 0x300);
    ByteReader::put32(&mf[28], static_cast<uint32_t>(words));
    ByteReader::put16(&mf[32], 2);
    ByteReader::put32(&mf[34], 10);
    return mf;
}

void dump_pictures(FILE* out, const std::string& dir) {
    std::vector<Bitmap> bitmaps;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int width : {1, 7, 33}) {
            int height = width == 1 ? 1 : width / 2 + 3;
            // Tables of no entries (2^bits of them then), too few, all and too many.
            for (int colours : {0, 1, 2, 1 << bits, (1 << bits) + 1, 300}) {
                if (bits > 8 && colours != 0 && colours != 300) continue;
                bitmaps.push_back({format("b%d-w%d-c%d", bits, width, colours), width, height, bits, colours, 0});
            }
            if (bits == 32) bitmaps.push_back({format("b%d-w%d-alpha", bits, width), width, height, bits, 0, 1});
        }
    }
    auto write_png = [&](const std::string& name, const sys::RasterResult& r) {
        if (!r.image) {
            std::fprintf(out, "%s failed: %s\n", name.c_str(), r.problem.c_str());
            return;
        }
        std::fprintf(out, "%s %d x %d\n", name.c_str(), r.image->width, r.image->height);
        FILE* png = std::fopen((dir + "/" + name + ".png").c_str(), "wb");
        if (!png) return;
        std::fwrite(r.image->png.data(), 1, r.image->png.size(), png);
        std::fclose(png);
    };
    for (const Bitmap& b : bitmaps) {
        std::vector<uint8_t> file = bitmap_file(b);
        bool opaque = b.bits != 32 || !b.alpha;
        write_png(b.name, sys::png_of_bitmap(file, opaque));
    }
    for (int extent : {100, 255, 1000, 2540}) {
        for (int units : {254, 1440, 576}) {
            for (int variant : {0, 1}) {
                write_png(format("m%d-u%d-v%d", extent, units, variant), sys::png_of_metafile(metafile(extent, units, variant), 96));
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: system_dump OUT code-pages|tokens|unicode|detect FILE...|pictures DIR\n");
        return 2;
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::fprintf(stderr, "system_dump: cannot write %s\n", argv[1]);
        return 1;
    }
    std::string what = argv[2];
    if (what == "code-pages") dump_code_pages(out);
    else if (what == "tokens") dump_tokens(out);
    else if (what == "unicode") dump_unicode(out);
    else if (what == "symbol-characters") dump_symbol_characters(out);
    else if (what == "detect") dump_detection(out, argc - 3, argv + 3);
    else if (what == "pictures" && argc == 4) dump_pictures(out, argv[3]);
    else {
        std::fprintf(stderr, "system_dump: unknown request %s\n", what.c_str());
        return 2;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
