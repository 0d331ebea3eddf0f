// The [Map] section: names for |CTXOMAP entries from the context table, or
// from |TOMAP in files of the 3.0 compiler.
#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>
#include <sstream>

#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "project/map_section.h"
#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "topics/context_hash.h"
#include "topics/indexes.h"

using namespace korvane;
using namespace korvane::test;

namespace {

std::string map_text(HelpFile& help) {
    TempDir dir;
    {
        auto out = OutStream::open(dir / "map", "wb");
        write_map_section(help, *out);
    }
    return read_text(dir / "map");
}

std::string lookup_failed(const char* offset) {
    return std::string("Lookup for Topicoffset 0x") + offset + " for MAP failed";
}

int32_t hash_of(const char* name) { return static_cast<int32_t>(context_hash(name)); }

// "#define name number" lines of a written section.
std::vector<std::pair<std::string, long>> map_lines(const std::string& text) {
    std::vector<std::pair<std::string, long>> lines;
    std::istringstream in(text);
    std::string word, name;
    long number;
    while (in >> word) {
        if (word == "#define" && in >> name >> number) lines.emplace_back(name, number);
    }
    return lines;
}

}  // namespace

TEST(MapSection, NamesFromTheFirstContextAtEachOffset) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 0));
    b.add("|CONTEXT", context_btree({{hash_of("intro"), 100},
                                     {0, 200},
                                     {hash_of("second"), 100},
                                     {hash_of("neg"), -16},
                                     {hash_of("zero"), 0}},
                                    {40, 2, 1}));
    b.add("|CTXOMAP", ctxomap_file({{1, 100},
                                    {-5, 100},
                                    {7, 200},
                                    {8, 0xABCD},
                                    {9, 0},
                                    {10, 0xFFFFFFF0u},
                                    {11, 0xFFFFFFFFu}}));
    TempDir dir;
    auto help = open_built_help(b, dir);
    for (const char* n : {"intro", "second", "neg", "zero"}) add_context_name(*help, n);
    load_context_table(*help);
    RecordingPlatform rec;
    EXPECT_EQ(map_text(*help), "\n[Map]\n#define intro 1\n#define intro -5\n#define zero 9\n#define neg 10\n");
    // A context with hash 0 names nothing; an offset of all ones matches
    // only that offset, not every context.
    EXPECT_EQ(rec.warnings, (std::vector<std::string>{lookup_failed("000000C8"), lookup_failed("0000ABCD"),
                                                      lookup_failed("FFFFFFFF")}));
    EXPECT_EQ(rec.percents, (std::vector<int>{47, 48, 48, 49, 49, 50, 50}));
    EXPECT_EQ(rec.phases, (std::vector<std::string>{"Creating [MAP]"}));
}

TEST(MapSection, AbsentEmptyAndMiscountedCtxomap) {
    struct Case {
        const char* what;
        bool present;
        std::vector<uint8_t> ctxomap;
        std::string expected;
    } cases[] = {
        {"no |CTXOMAP", false, {}, ""},
        {"count 0", true, ctxomap_file({}), "\n[Map]\n"},
        {"count larger than the entries", true, ctxomap_file({{1, 10}, {2, 10}}, 5),
         "\n[Map]\n#define topic 1\n#define topic 2\n"},
        {"count smaller than the entries", true, ctxomap_file({{1, 10}, {2, 10}}, 1), "\n[Map]\n#define topic 1\n"},
        {"a cut entry", true, [] { auto f = ctxomap_file({{1, 10}, {2, 10}}); f.pop_back(); return f; }(),
         "\n[Map]\n#define topic 1\n"},
    };
    for (const Case& c : cases) {
        HlpBuilder b;
        b.add("|SYSTEM", system_file(21, 0));
        b.add("|CONTEXT", context_btree({{hash_of("topic"), 10}}));
        if (c.present) b.add("|CTXOMAP", c.ctxomap);
        TempDir dir;
        auto help = open_built_help(b, dir);
        add_context_name(*help, "topic");
        load_context_table(*help);
        RecordingPlatform rec;
        EXPECT_EQ(map_text(*help), c.expected) << c.what;
        EXPECT_TRUE(rec.warnings.empty()) << c.what;
        if (!rec.percents.empty()) {
            EXPECT_EQ(rec.percents.back(), 50) << c.what;
        }
    }
}

TEST(MapSection, OldFilesNameTopicsByTheirTomapNumber) {
    for (bool with_tomap : {true, false}) {
        HlpBuilder b;
        b.add("|SYSTEM", system_file(15, 0));
        // A context table that must not be used for these files.
        b.add("|CONTEXT", context_btree({{hash_of("unused"), 700}}));
        if (with_tomap) b.add("|TOMAP", tomap_file({500, 0, 700, 500}));
        // The four bytes after |TOMAP are the next file's header: 900.
        b.add("pad", std::vector<uint8_t>(900, 0));
        b.add("|CTXOMAP", ctxomap_file({{1, 700}, {2, 500}, {3, 0}, {4, 900}}));
        TempDir dir;
        auto help = open_built_help(b, dir);
        ASSERT_TRUE(help->is_hc30);
        load_context_table(*help);
        RecordingPlatform rec;
        if (with_tomap) {
            // Entries 3, 1 and 2 give the values 18, 16 and 17; offset 0 is
            // searched like any other, and nothing past |TOMAP is compared.
            EXPECT_EQ(map_text(*help), "\n[Map]\n#define b 1\n#define Indc3._e5 2\n#define a 3\n");
            EXPECT_EQ(rec.warnings, (std::vector<std::string>{lookup_failed("00000384")}));
        } else {
            EXPECT_EQ(map_text(*help), "\n[Map]\n");
            EXPECT_EQ(rec.warnings.size(), 4u);
        }
    }
}

TEST(MapSection, DriverWritesTheSectionIntoTheProject) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 0));
    b.add("|CONTEXT", context_btree({{hash_of("a1"), 64}}));
    b.add("|CTXOMAP", ctxomap_file({{42, 64}}));
    TempDir dir;
    write_file(dir / "MAPPED.HLP", b.build());
    RunResult r = run_program({KORVANE_BIN, dir / "MAPPED.HLP"}, dir.path());
    std::string project = read_text(dir / "MAPPED.HPJ");
    EXPECT_NE(project.find("\r\n[Map]\r\n#define a1 42\r\n"), std::string::npos) << project << r.err;
}

namespace {

// [MAP] of an author's project: "name=number", "name number" or
// "#define name number" lines.
std::vector<std::pair<std::string, long>> author_map(const std::string& hpj) {
    std::vector<std::pair<std::string, long>> entries;
    std::istringstream in(hpj);
    std::string line;
    bool in_map = false;
    while (std::getline(in, line)) {
        if (size_t semi = line.find(';'); semi != std::string::npos) line.resize(semi);
        for (char& c : line) {
            if (c == '=' || c == '\r' || c == '\t') c = ' ';
        }
        std::istringstream words(line);
        std::string first;
        if (!(words >> first)) continue;
        if (first[0] == '[') {
            std::string upper;
            for (char c : first) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            in_map = upper == "[MAP]";
            continue;
        }
        if (!in_map) continue;
        std::string name = first;
        if (first == "#define") words >> name;
        long number;
        if (words >> number) entries.emplace_back(name, number);
    }
    return entries;
}

}  // namespace

TEST(CorpusMap, NumbersAndNameHashesMatchTheAuthorsProjects) {
    std::string root = KORVANE_CORPUS_DIR;
    if (!file_exists(root)) GTEST_SKIP() << "no corpus";
    struct Source {
        const char* hlp;
        const char* hpj;
    } sources[] = {
        {"msgdlg/DemoHelp1.hlp", "msgdlg/DemoHelp1.hpj"},
        {"msgdlg/MainForm.hlp", "msgdlg/MainForm.hpj"},
        {"msgdlg/PJMessageDialog.hlp", "msgdlg/PJMessageDialog.hpj"},
        {"3dmm/MM.HLP", nullptr},
        {"winfile/winfile.hlp", nullptr},
        {"teraterm/ttermp.hlp", nullptr},
        {"3dmm/ACMSETUP.HLP", nullptr},
    };
    for (const Source& s : sources) {
        std::string path = root + "/" + s.hlp;
        if (!file_exists(path)) continue;
        auto help = open_help_file(path, 0);
        ASSERT_TRUE(help) << path;
        load_context_table(*help);
        RecordingPlatform rec;
        std::vector<std::pair<std::string, long>> lines = map_lines(map_text(*help));

        // Every |CTXOMAP entry gives a line or a warning, in order, and a
        // line's name hashes to a context at the entry's topic offset.
        ByteReader map = help->reader(help->ctxomap_file);
        size_t count = map.u16(), line = 0;
        for (size_t j = 0; j < count; ++j) {
            int32_t number = map.i32();
            uint32_t offset = map.u32();
            bool has_context = false;
            for (const auto& e : help->context_table.entries) {
                if (e.hash != 0 && static_cast<uint32_t>(e.topic_offset) == offset) has_context = true;
            }
            if (!has_context) continue;
            ASSERT_LT(line, lines.size()) << path;
            EXPECT_EQ(lines[line].second, number) << path;
            uint32_t hash = context_hash(lines[line].first);
            bool hash_at_offset = false;
            for (const auto& e : help->context_table.entries) {
                if (static_cast<uint32_t>(e.hash) == hash && static_cast<uint32_t>(e.topic_offset) == offset) {
                    hash_at_offset = true;
                }
            }
            EXPECT_TRUE(hash_at_offset) << path << " " << lines[line].first;
            ++line;
        }
        EXPECT_EQ(line, lines.size()) << path;
        EXPECT_EQ(lines.size() + rec.warnings.size(), count) << path;

        if (!s.hpj) continue;
        std::vector<std::pair<std::string, long>> authors = author_map(read_text(root + "/" + s.hpj));
        ASSERT_EQ(lines.size(), authors.size()) << path;
        for (const auto& [name, number] : authors) {
            bool matched = false;
            for (const auto& [written, written_number] : lines) {
                if (written_number == number && context_hash(written) == context_hash(name)) matched = true;
            }
            EXPECT_TRUE(matched) << path << " " << name << "=" << number;
        }
    }
}
