// The [Map] section: names for |CTXOMAP entries from the context table, or
// from |TOMAP in 3.0 files; the section in the written project; and what
// is written for real files against their authors' projects.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <strings.h>

#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "project/map_section.h"
#include "support/index_builder.h"
#include "topics/context_hash.h"
#include "topics/indexes.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using Lines = std::vector<std::string>;

int32_t hash_of(const char* name) { return static_cast<int32_t>(context_hash(name)); }

std::string map_text(HelpFile& help) {
    TempDir dir;
    write_map_section(help, *OutStream::open(dir / "map", "wb"));
    return read_text(dir / "map");
}

std::string failed(const char* offset) { return std::string("Lookup for Topicoffset 0x") + offset + " for MAP failed"; }

// The [MAP] lines of a project: "name=number", "name number" or "#define
// name number", with ';' comments.
std::vector<std::pair<std::string, long>> map_entries(const std::string& project) {
    std::vector<std::pair<std::string, long>> entries;
    std::istringstream in(project);
    bool in_map = false;
    for (std::string line; std::getline(in, line);) {
        line.resize(std::min(line.size(), line.find(';')));
        for (char& c : line) c = c == '=' || c == '\r' || c == '\t' ? ' ' : c;
        std::istringstream words(line);
        std::string name;
        long number;
        if (!(words >> name)) continue;
        if (name[0] == '[') in_map = strcasecmp(name.c_str(), "[MAP]") == 0;
        else if (in_map && (name != "#define" || words >> name) && words >> number) entries.emplace_back(name, number);
    }
    return entries;
}

}  // namespace

TEST(MapSection, NamesFromContextsOrTomapNumbers) {
    using Files = std::vector<std::pair<std::string, std::vector<uint8_t>>>;
    auto ctxomap = [](std::vector<std::pair<int32_t, uint32_t>> entries, std::optional<uint16_t> count = {}) {
        return std::pair{std::string("|CTXOMAP"), ctxomap_file(entries, count)};
    };
    auto cut = ctxomap({{1, 100}, {2, 100}});
    cut.second.pop_back();
    // 3.0 files: |TOMAP, whose next four bytes are the next file's header (900).
    Files old = {{"|TOMAP", Bytes().fill(64, 0xEE).u32(500).u32(0).u32(700).u32(500).b},
                 {"pad", std::vector<uint8_t>(900, 0)}, ctxomap({{1, 700}, {2, 500}, {3, 0}, {4, 900}})};
    struct Case {
        const char* what;
        uint16_t minor;
        Files files;
        std::string text;
        Lines warnings;
        std::vector<int> percents;
    } cases[] = {
        // Numbers are signed; a context with hash 0 names nothing; an offset
        // of all ones matches only that offset, not every context.
        {"entries", 21,
         {ctxomap({{1, 100}, {-5, 100}, {7, 200}, {8, 0xABCD}, {9, 0}, {10, 0xFFFFFFF0u}, {11, 0xFFFFFFFFu}})},
         "\n[Map]\n#define intro 1\n#define intro -5\n#define zero 9\n#define neg 10\n",
         {failed("000000C8"), failed("0000ABCD"), failed("FFFFFFFF")}, {47, 48, 48, 49, 49, 50, 50}},
        {"no |CTXOMAP", 21, {}, "", {}, {}},
        {"count 0", 21, {ctxomap({})}, "\n[Map]\n", {}, {}},
        {"count larger than the entries", 21, {ctxomap({{1, 100}, {2, 100}}, 5)},
         "\n[Map]\n#define intro 1\n#define intro 2\n", {}, {49, 50}},
        {"count smaller than the entries", 21, {ctxomap({{1, 100}, {2, 100}}, 1)}, "\n[Map]\n#define intro 1\n", {},
         {50}},
        {"a cut entry", 21, {cut}, "\n[Map]\n#define intro 1\n", {}, {50}},
        // Entries 3, 1 and 2 give the values 18, 16 and 17; offset 0 is
        // searched like any other, nothing past |TOMAP is compared, and the
        // context table is not used.
        {"3.0 with |TOMAP", 15, old, "\n[Map]\n#define b 1\n#define Indc3._e5 2\n#define a 3\n",
         {failed("00000384")}, {48, 49, 49, 50}},
        {"3.0 without |TOMAP", 15, {old[2]}, "\n[Map]\n",
         {failed("000002BC"), failed("000001F4"), failed("00000000"), failed("00000384")}, {48, 49, 49, 50}},
    };
    for (const Case& c : cases) {
        Files files = {{"|CONTEXT", context_btree({{hash_of("intro"), 100}, {0, 200}, {hash_of("second"), 100},
                                                  {hash_of("neg"), -16}, {hash_of("zero"), 0}}, {40, 2, 1})}};
        files.insert(files.end(), c.files.begin(), c.files.end());
        TempDir dir;
        auto help = open_files(dir, files, c.minor);
        for (const char* n : {"intro", "second", "neg", "zero"}) add_context_name(*help, n);
        load_context_table(*help);
        RecordingPlatform rec;
        EXPECT_EQ(map_text(*help), c.text) << c.what;
        EXPECT_EQ(rec.warnings, c.warnings) << c.what;
        EXPECT_EQ(rec.percents, c.percents) << c.what;
        EXPECT_EQ(rec.phases, c.percents.empty() ? Lines{} : Lines{"Creating [MAP]"}) << c.what;
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

TEST(CorpusMap, NumbersAndNameHashesMatchTheAuthorsProjects) {
    std::vector<std::string> paths = corpus_help_files(KORVANE_CORPUS_DIR);
    ASSERT_FALSE(paths.empty()) << "the corpus is missing from tests/corpus";
    for (const std::string& path : paths) {
        auto help = open_help_file(path, 0);
        ASSERT_TRUE(help) << path;
        load_context_table(*help);
        RecordingPlatform rec;
        auto lines = map_entries(map_text(*help));
        auto context_at = [&](uint32_t offset, std::optional<uint32_t> hash) {
            return std::any_of(help->context_table.entries.begin(), help->context_table.entries.end(), [&](auto& e) {
                return e.hash != 0 && static_cast<uint32_t>(e.topic_offset) == offset &&
                       (!hash || static_cast<uint32_t>(e.hash) == *hash);
            });
        };
        // Every |CTXOMAP entry gives a line or a warning, in order, and a
        // line's name hashes to a context at the entry's topic offset.
        ByteReader map = help->reader(help->ctxomap_file);
        size_t count = map.u16(), line = 0;
        for (size_t j = 0; j < count; ++j) {
            int32_t number = map.i32();
            uint32_t offset = map.u32();
            if (!context_at(offset, std::nullopt)) continue;
            ASSERT_LT(line, lines.size()) << path;
            EXPECT_EQ(lines[line].second, number) << path;
            EXPECT_TRUE(context_at(offset, context_hash(lines[line].first))) << path << " " << lines[line].first;
            ++line;
        }
        EXPECT_EQ(line, lines.size()) << path;
        EXPECT_EQ(lines.size() + rec.warnings.size(), count) << path;

        // The author's project beside the file, if any, binds the same
        // numbers to names of the same hashes.
        std::string stem = std::filesystem::path(path).replace_extension(".hpj"), project;
        for (const auto& f : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
            if (strcasecmp(f.path().c_str(), stem.c_str()) == 0) project = read_text(f.path());
        }
        if (project.empty()) continue;
        auto authors = map_entries(project);
        ASSERT_EQ(lines.size(), authors.size()) << path;
        for (const auto& entry : authors) {
            // Not a structured binding: clang 14 cannot capture those in a lambda.
            const auto& name = entry.first;
            const auto& number = entry.second;
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const auto& l) {
                return l.second == number && context_hash(l.first) == context_hash(name);
            })) << path << " " << name << "=" << number;
        }
    }
}
