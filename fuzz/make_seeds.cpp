// Writes the generated seed help files of the fuzz target into a folder:
// every kind of topic storage and phrase table, tables and hotspots, the
// indexes, and picture containers in all four packings with hotspots.
// Usage: korvane_make_seeds DIR
// fuzz/seeds also holds files it does not write: halibut-small.hlp and the
// inputs of fuzz findings (finding-*.hlp), kept as regression inputs that
// the test FuzzSeeds.EverySeedConvertsInTheFuzzModes converts.
#include <iconv.h>

#include <cstdio>
#include <random>
#include <string>

#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "support/picture_builder.h"
#include "support/rtf_builder.h"
#include "support/rtf_topics.h"
#include "support/topic_builder.h"
#include "topics/context_hash.h"

using namespace korvane;
using namespace korvane::test;

namespace {

// A topic with a paragraph of formatted text, hotspots, a table and a picture.
// With mixed_tables the rows cycle through the table types 0, 1, 3 and the
// unknown type 2.
std::vector<TopicRecord> rich_topics(int count, bool mixed_tables = false) {
    std::vector<TopicRecord> records;
    for (int i = 0; i < count; ++i) {
        records.push_back(topic_header({.number = i, .title = "Topic " + std::to_string(i), .macro = "BrowseButtons()"}));
        Format p;
        p.info(0x0002 | 0x0010 | 0x0100 | 0x0200 | 0x0800).cs(12).cs(20).u8(0x88).u16(1).u8(2).cu(720 | 1).u8(2);
        p.u8(0x80).u16(1).u8(0xE3).u32(context_hash("next_topic")).u8(0x89);
        p.u8(0xEB).u16(11).u8(0x05).u32(context_hash("other")).u8(0xFF).str("OTHER.HLP");
        p.u8(0x89).u8(0xC8).i16(15).str("JumpContents()").u8(0x89);
        p.u8(0x86).u8(0x22).u8(0).u8(0).u8(2).u8(0).u8(0).u16(1).u8(0x82).u8(0xFF);
        records.push_back(text_record(p, {"Some {text}\\ with \xE4", "jump", "window", "macro", "", "", "end"}));
        Format row;
        static const uint8_t kTypes[] = {0, 1, 3, 2};
        uint8_t type = mixed_tables ? kTypes[i % 4] : 0;
        row.u8(2).u8(type);
        if (type == 0) row.u16(mixed_tables ? 0x5000 : 0x7FFF);
        row.u16(100).u16(20).u16(200).u16(10);
        row.u8(0).fill(4).info(0).u8(0x82).u8(0xFF);
        row.u8(1).fill(4).info(0).u8(0x83).u8(0xFF);
        row.u8(0xFF).fill(4);
        records.push_back(text_record(row, {"cell one", "", "cell", "two"}, 0x23));
    }
    return records;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> indexes(const BuiltTopic& topic) {
    std::vector<std::pair<int32_t, int32_t>> contexts;
    std::vector<KeywordSpec> keywords{{"alpha", {}}, {"beta", {}}};
    for (size_t i = 0; i < topic.records.size(); i += 3) {
        int32_t at = static_cast<int32_t>(topic.records[i + 1].text_offset);
        contexts.push_back({static_cast<int32_t>(context_hash("topic_" + std::to_string(i))), at});
        keywords[i % 2].occurrences.push_back(at);
    }
    KeywordFiles kw = keyword_files(keywords);
    return {{"|CONTEXT", context_btree(contexts)},
            {"|KWBTREE", kw.kwbtree},
            {"|KWDATA", kw.kwdata},
            {"|CTXOMAP", ctxomap_file({{1, static_cast<uint32_t>(contexts[0].second)}, {-5, 77}})}};
}

std::vector<uint8_t> pictures_container(uint8_t packing) {
    TestPicture bitmap;
    bitmap.packing = packing;
    bitmap.bits_per_pixel = 4;
    bitmap.width = 12;
    bitmap.height = 5;
    bitmap.palette = grey_palette(16);
    bitmap.data = packed(packing, bitmap_pixels(4, 12, 5));
    bitmap.hotspots = hotspot_data({{0x00E3, "spot", "topic_0", ""}, {0x00C8, "m", "JumpContents()", "x"}});
    TestPicture metafile;
    metafile.type = 8;
    metafile.packing = packing < 3 ? packing : 2;
    metafile.mf_width = 2000;
    metafile.mf_height = 1000;
    metafile.data = packed(metafile.packing, small_metafile(200, 100));
    return picture_container({bitmap, metafile});
}

void save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    write_file(dir + "/" + name, bytes);
    std::printf("%s/%s (%zu bytes)\n", dir.c_str(), name.c_str(), bytes.size());
}

std::vector<std::pair<uint16_t, std::vector<uint8_t>>> system_records() {
    Bytes window;
    window.u16(0x0002 | 0x0004 | 0x0078 | 0x0100).fill(10).raw("second").fill(3).raw("Caption").fill(44);
    window.u16(10).u16(20).u16(300).u16(400).u16(0).u8(255).u8(255).u8(224);
    return {{1, to_bytes(std::string("Seed\0", 5))}, {4, to_bytes(std::string("BrowseButtons()\0", 16))},
            {6, window.b}, {13, to_bytes(std::string("g.grp\0Group\0", 12))}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane_make_seeds DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    struct Variant {
        const char* name;
        uint16_t minor, flags;
        PhraseKind phrases;
    } variants[] = {
        {"compressed-phrases.hlp", 21, 4, PhraseKind::plain},
        {"indexed-phrases.hlp", 33, 4, PhraseKind::indexed},
        {"stored.hlp", 21, 0, PhraseKind::none},
        {"version30.hlp", 15, 0, PhraseKind::none},
        {"version30-phrases.hlp", 15, 0, PhraseKind::plain},
    };
    for (const Variant& v : variants) {
        HelpFileSpec desc;
        desc.minor_version = v.minor;
        desc.system_flags = v.flags;
        desc.system_records = v.minor == 15 ? decltype(desc.system_records){} : system_records();
        desc.records = rich_topics(40);
        desc.phrase_kind = v.phrases;
        if (v.phrases != PhraseKind::none) desc.phrases = {"text", "with", "Topic", "cell"};
        BuiltHelpFile first = build_help_file(desc);
        desc.extra_files = indexes(first.topic);
        desc.extra_files.push_back({"|bm1", pictures_container(static_cast<uint8_t>(v.minor % 4))});
        desc.extra_files.push_back({"notes.txt", to_bytes("baggage")});
        save(dir, v.name, build_help_file(desc).bytes);
    }
    HelpFileSpec tables;
    tables.minor_version = 33;
    tables.system_records = system_records();
    tables.records = rich_topics(8, true);
    save(dir, "table-types.hlp", build_help_file(tables).bytes);
    for (uint8_t packing = 0; packing < 4; ++packing) {
        HlpBuilder b;
        b.add("|SYSTEM", system_file(21, 0));
        b.add("|bm" + std::to_string(packing), pictures_container(packing));
        save(dir, "pictures-packing" + std::to_string(packing) + ".hlp", b.build());
    }
    // What the others lack: phrase codes in a stored 3.0 table's text, a
    // |TOMAP that names the [Map] entries, a |FONT with a white colour.
    HelpFileSpec coded;
    coded.minor_version = 15;
    coded.phrase_kind = PhraseKind::plain;
    coded.phrases = {"text", "with", "Topic", "cell"};
    coded.records = rich_topics(4);
    TopicRecord phrased = plain_text("");
    Bytes coded_text;
    coded_text.raw(plain_phrase_code(2, true)).raw("and ").raw(plain_phrase_code(0)).raw(plain_phrase_code(1, true)).raw("x").u8(0).u8(0);
    phrased.text = coded_text.b;
    coded.records.push_back(phrased);
    BuiltHelpFile first = build_help_file(coded);
    coded.extra_files = indexes(first.topic);
    Bytes tomap;
    tomap.fill(64, 0xEE).u32(77).u32(static_cast<uint32_t>(first.topic.records[1].text_offset)).u32(5);
    coded.extra_files.push_back({"|TOMAP", tomap.b});
    coded.extra_files.push_back({"|FONT", font_file({"Arial", "Courier"}, {{0, 20, 3, 0, 255, 255, 255}, {0, 24, 1, 1, 0, 0, 255}})});
    save(dir, "version30-coded.hlp", build_help_file(coded).bytes);
    // A picture named without the bar beside baggage, and control and high
    // bytes in the text.
    HelpFileSpec named;
    named.system_records = system_records();
    named.records = rich_topics(2);
    named.records.push_back(plain_text("bytes \x01\x1F\x7F\x80\x81\x9F\xFF end"));
    named.extra_files = {{"bm1", pictures_container(1)}, {"|bm2", pictures_container(0)}, {"notes.txt", to_bytes("baggage")},
                         {"|FONT", font_file({"Arial"}, {{0, 20, 3, 0, 255, 255, 255}, {0x01, 24, 1, 0, 10, 20, 30}})}};
    save(dir, "named-pictures.hlp", build_help_file(named).bytes);
    // Records of 70,000 characters in every storage: they must come back whole.
    std::mt19937 random(7);
    std::string text;
    for (int i = 0; text.size() < 70000; ++i) {
        if (i % 3 == 2) {
            for (int k = 0; k < 6; ++k) text += static_cast<char>('a' + random() % 26);
            text += ' ';
        } else {
            text += i % 3 ? "alpha " : "beta ";
        }
    }
    text += "THE END";
    std::vector<uint8_t> expanded = text_strings({text, ""});
    std::vector<uint8_t> plain, indexed;
    for (size_t at = 0; at < text.size();) {
        bool alpha = text.compare(at, 6, "alpha ") == 0;
        bool beta = text.compare(at, 5, "beta ") == 0;
        if (alpha || beta) {
            auto code = plain_phrase_code(alpha ? 0 : 1, true);
            plain.insert(plain.end(), code.begin(), code.end());
            indexed.push_back(indexed_phrase_code(alpha ? 0 : 1)[0]);
            at += alpha ? 6 : 5;
        } else {
            plain.push_back(static_cast<uint8_t>(text[at]));
            indexed.push_back(0x03);
            indexed.push_back(static_cast<uint8_t>(text[at]));
            ++at;
        }
    }
    plain.push_back(0);
    plain.push_back(0);
    indexed.push_back(0x1F);
    struct Long {
        const char* name;
        uint16_t minor, flags;
        PhraseKind kind;
        std::vector<std::string> phrases;
        const std::vector<uint8_t>& stored;
    } longs[] = {
        {"long-stored.hlp", 21, 0, PhraseKind::none, {}, expanded},
        {"long-lz77.hlp", 21, 4, PhraseKind::none, {}, expanded},
        {"long-phrases.hlp", 21, 0, PhraseKind::plain, {"alpha", "beta"}, plain},
        {"long-compressed-phrases.hlp", 21, 4, PhraseKind::plain, {"alpha", "beta"}, plain},
        {"long-indexed-phrases.hlp", 33, 4, PhraseKind::indexed, {"alpha ", "beta "}, indexed},
        {"long-version30.hlp", 15, 0, PhraseKind::none, {}, expanded},
    };
    for (const Long& c : longs) {
        bool hc30 = c.minor == 15;
        TopicRecord header = topic_header({.title = "Long"});
        if (hc30) header.format.resize(12);
        TopicRecord body = text_record(Format().info(0).u8(0x82).u8(0xFF), {}, hc30 ? 0x01 : 0x20);
        body.text = c.stored;
        body.text_size = static_cast<int32_t>(expanded.size());
        HelpFileSpec desc;
        desc.records = {header, body, header, plain_text("after")};
        desc.minor_version = c.minor;
        desc.system_flags = c.flags;
        desc.phrase_kind = c.kind;
        desc.phrases = c.phrases;
        save(dir, c.name, build_help_file(desc).bytes);
    }
    // Damaged containers the conversion must refuse with a message, and
    // damaged copies of the seeds above, for the snapshot runs under the
    // sanitizers.
    HlpBuilder small;
    small.directory.entries_per_leaf = 2;
    small.add("|SYSTEM", system_file(21, 0, {{1, to_bytes(std::string("Title\0", 6))}}));
    small.add("|FONT", to_bytes("x"));
    small.add("|TOPIC", to_bytes("y"));
    small.add("extra", to_bytes("z"));
    std::vector<uint8_t> good = small.build();
    uint32_t dir_at = good[4] | good[5] << 8 | good[6] << 16 | static_cast<uint32_t>(good[7]) << 24;
    size_t pages = dir_at + 47;
    auto put = [](std::vector<uint8_t> b, size_t at, uint32_t v) { poke(b, at, v); return b; };
    std::vector<uint8_t> cut = good;
    cut.resize(pages + 20);
    std::vector<uint8_t> next_leaf = good;
    next_leaf[pages + 6] = 0x00;
    next_leaf[pages + 7] = 0x70;
    std::vector<uint8_t> loop = put(good, dir_at + 9 + 34, 9);
    loop[pages + 1024 + 6] = 0;
    loop[pages + 1024 + 7] = 0;
    HlpBuilder long_name = small;
    long_name.add(std::string(59, 'n'), to_bytes("long"));
    HlpBuilder longest_name = small;
    longest_name.add(std::string(58, 'n'), to_bytes("long"));
    HlpBuilder short_system;
    short_system.add("|SYSTEM", to_bytes("\x6C\x03\x15"));
    HlpBuilder minor22 = small;
    minor22.files[0].second = system_file(22, 0);
    HlpBuilder hcrtf = small;
    hcrtf.files[0].second = system_file(33, 0);
    const std::pair<const char*, std::vector<uint8_t>> damaged[] = {
        {"damaged-cut-directory.hlp", cut},
        {"damaged-directory-past-end.hlp", put(good, 4, static_cast<uint32_t>(good.size() + 100))},
        {"damaged-next-leaf-past-end.hlp", next_leaf},
        {"damaged-leaf-loop.hlp", loop},
        {"damaged-file-header-past-end.hlp", put(good, pages + 16, static_cast<uint32_t>(good.size()))},
        {"damaged-name-too-long.hlp", long_name.build()},
        {"damaged-short-system.hlp", short_system.build()},
        {"damaged-three-bytes.hlp", std::vector<uint8_t>(good.begin(), good.begin() + 3)},
        {"unknown-compiler.hlp", minor22.build()},
        {"longest-name.hlp", longest_name.build()},
        {"hcrtf-small.hlp", hcrtf.build()},
    };
    for (const auto& [name, bytes] : damaged) save(dir, name, bytes);
    std::mt19937 flips(12);
    for (const char* name : {"compressed-phrases.hlp", "indexed-phrases.hlp", "version30-coded.hlp", "named-pictures.hlp",
                             "table-types.hlp", "pictures-packing3.hlp"}) {
        std::vector<uint8_t> bytes = read_file(dir + "/" + name);
        for (int k = 0; k < 3; ++k) {
            std::vector<uint8_t> copy = bytes;
            for (int n = 0; n < 20; ++n) copy[copy.size() / 4 + flips() % (copy.size() * 3 / 4)] = static_cast<uint8_t>(flips());
            save(dir, "random-damage-" + std::to_string(k) + "-" + name, copy);
        }
    }
    // Text in a double-byte code page, with the records that name a code
    // page or not: what is detected and declared.
    auto encode = [](const std::string& text, const char* to) {
        iconv_t cd = iconv_open(to, "UTF-8");
        std::string in = text, out(text.size() * 4, '\0');
        char* src = in.data();
        char* dst = out.data();
        size_t src_left = in.size(), dst_left = out.size();
        iconv(cd, &src, &src_left, &dst, &dst_left);
        iconv_close(cd);
        out.resize(out.size() - dst_left);
        return out;
    };
    const std::string japanese = encode("日本語のヘルプです。表示とソフトの機能とムービーについて説明します。", "CP932");
    const std::string german = encode("Größe der Bildschirmschriften ändern: Schaltfläche Übernehmen drücken.", "CP1252");
    auto long_font = [](uint8_t charset) {
        return Bytes().fill(12).i32(-10).fill(12).i32(400).fill(3).u8(charset).fill(3).u8(0x20).fill(2).b;
    };
    std::vector<uint8_t> short_fonts = font_file({"Helv"}, {{0, 20, 3, 0, 0, 0, 0}});
    Bytes long_fonts, symbol_fonts;
    long_fonts.u16(1).u16(2).u16(8).u16(8 + 32).raw("Helv").fill(28).raw(long_font(0)).raw(long_font(136));
    symbol_fonts.u16(1).u16(2).u16(8).u16(8 + 32).raw("Helv").fill(28).raw(long_font(2)).raw(long_font(128));
    struct CodePage {
        const char* name;
        std::string text;
        std::vector<std::pair<uint16_t, std::vector<uint8_t>>> records;
        std::vector<uint8_t> font;
    } code_pages[] = {
        {"codepage-japanese.hlp", japanese, {}, short_fonts},
        {"codepage-western.hlp", german, {}, short_fonts},
        {"codepage-record.hlp", "plain", {{11, {128, 0}}}, short_fonts},
        {"codepage-western-record.hlp", japanese, {{11, {0, 0}}}, short_fonts},
        {"codepage-logical-fonts.hlp", "plain", {}, long_fonts.b},
        {"codepage-symbol-font.hlp", "plain", {}, symbol_fonts.b},
    };
    for (const CodePage& c : code_pages) {
        HelpFileSpec spec;
        spec.minor_version = c.records.empty() ? 21 : 33;
        spec.system_records = c.records;
        spec.records = {topic_header({.number = 0, .title = "Title"}), plain_text(c.text)};
        spec.extra_files = {{"|FONT", c.font}};
        save(dir, c.name, build_help_file(spec).bytes);
    }
    return 0;
}
