// The programs as a user runs them: files written, messages, exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/hlp_builder.h"
#include "support/rtf_topics.h"

using namespace korvane::test;

namespace {

const char* const kMagicMessage = "Magic Number of HLP-File incorrect. Possibly it isn't a WinHelp-File?";

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

HlpBuilder small_help(uint16_t minor = 21) {
    HlpBuilder b;
    b.directory.entries_per_leaf = 2;
    b.add("|SYSTEM", system_file(minor, 0, {{1, bytes_of(std::string("Title\0", 6))}}));
    b.add("|FONT", bytes_of("x"));
    b.add("|TOPIC", bytes_of("y"));
    b.add("extra", bytes_of("z"));
    return b;
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

struct Converted {
    RunResult run;
    std::vector<std::string> files;
};

Converted convert(const std::vector<uint8_t>& hlp, const std::string& name = "T.HLP") {
    TempDir dir;
    write_file(dir / name, hlp);
    Converted c;
    c.run = run_program({KORVANE_BIN, name}, dir.path(), {"LANG=C"});
    c.files = dir.list();
    return c;
}

}  // namespace

TEST(EndToEnd, KorvaneConvertsAndExitsWithTwo) {
    TempDir dir;
    write_file(dir / "SMALL.HLP", small_help().build());
    RunResult r = run_program({KORVANE_BIN, "SMALL.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 2) << r.err;
    EXPECT_EQ(read_text(dir / "SMALL.HPJ").rfind("[options]\r\nCompress=FALSE\r\nTitle= Title\r\n\r\n[Bitmaps]\r\n", 0), 0u);
    // The whole tail is the path, joined with blanks.
    write_file(dir / "with space.hlp", small_help().build());
    r = run_program({KORVANE_BIN, "with", "space.hlp"}, dir.path());
    EXPECT_EQ(r.exit_code, 2) << r.err;
    EXPECT_TRUE(file_exists(dir / "with space.HPJ"));
}

TEST(EndToEnd, WarnsAboutOtherCompilersOnce) {
    Converted c = convert(small_help(33).build());
    EXPECT_EQ(c.run.exit_code, 2);
    size_t first = c.run.err.find("File Created by HCRTF (Windows NT/Windows 95). handling Incomplete");
    ASSERT_NE(first, std::string::npos) << c.run.err;
    EXPECT_EQ(c.run.err.find("File Created by", first + 1), std::string::npos);
}

TEST(EndToEnd, BadInputEndsWithTheMessageAndNoProjectFile) {
    std::vector<uint8_t> good = small_help().build();
    uint32_t dir = get32(good, 4);
    size_t pages = dir + 47;

    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    cases.push_back({kMagicMessage, {}});
    cases.push_back({kMagicMessage, bytes_of("\x89PNG\r\n\x1a\n\0\0\0\rIHDR")});
    cases.push_back({kMagicMessage, bytes_of("This is a plain-text help file of DOS.\r\n")});
    cases.push_back({kMagicMessage, std::vector<uint8_t>(good.begin(), good.begin() + 3)});
    {
        auto b = good;  // directory cut off in the middle of its first page
        b.resize(pages + 20);
        cases.push_back({"Fileformat-Problem. FileNumber=", b});
    }
    {
        auto b = good;  // directory start past the end
        put32(b, 4, static_cast<uint32_t>(b.size() + 100));
        cases.push_back({"Fileformat-Problem. FileNumber=0", b});
    }
    {
        auto b = good;  // next-leaf of leaf 0 points far past the end
        b[pages + 6] = 0x00;
        b[pages + 7] = 0x70;
        cases.push_back({"Fileformat-Problem. FileNumber=2", b});
    }
    {
        auto b = good;  // leaf 1 points back to leaf 0, more entries promised
        b[pages + 1024 + 6] = 0;
        b[pages + 1024 + 7] = 0;
        put32(b, dir + 9 + 34, 9);
        cases.push_back({"Fileformat-Problem. FileNumber=4", b});
    }
    {
        auto b = good;  // internal-file header offset past the end
        put32(b, pages + 8 + 8, static_cast<uint32_t>(b.size()));
        cases.push_back({"Fileformat-Problem. FileNumber=0", b});
    }
    {
        HlpBuilder h = small_help();
        h.add(std::string(59, 'n'), bytes_of("long"));
        cases.push_back({"Fileformat-Problem. FileNumber=4", h.build()});
    }
    cases.push_back({"This Program can only Convert HLP-Files created by HC31,HC30 or HCRTF", small_help(22).build()});
    {
        HlpBuilder h;
        h.add("|SYSTEM", bytes_of("\x6C\x03\x15"));  // shorter than its header
        cases.push_back({"This Program can only Convert HLP-Files created by HC31,HC30 or HCRTF", h.build()});
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        Converted c = convert(cases[i].second);
        EXPECT_EQ(c.run.exit_code, 1) << "case " << i << ": " << c.run.err;
        EXPECT_NE(c.run.err.find("Korvane Severe Problem"), std::string::npos) << "case " << i;
        EXPECT_NE(c.run.err.find(cases[i].first), std::string::npos) << "case " << i << ": " << c.run.err;
        EXPECT_EQ(c.files, std::vector<std::string>{"T.HLP"}) << "case " << i;
    }
}

TEST(EndToEnd, LongestDirectoryNameIsAccepted) {
    HlpBuilder h = small_help();
    h.add(std::string(58, 'n'), bytes_of("long"));
    EXPECT_EQ(convert(h.build()).run.exit_code, 2);
}

TEST(EndToEnd, MissingFileAndAppendedExtension) {
    TempDir dir;
    RunResult r = run_program({KORVANE_BIN, "NOPE"}, dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Can't open File NOPE.HLP: No such file or directory\n"), std::string::npos) << r.err;
    write_file(dir / "THERE.HLP", small_help().build());
    r = run_program({KORVANE_BIN, "THERE"}, dir.path());
    EXPECT_EQ(r.exit_code, 2) << r.err;
    EXPECT_TRUE(file_exists(dir / "THERE.HPJ"));
}

TEST(EndToEnd, RtfNamesAreCutBetweenCharacters) {
    HelpFileSpec spec;
    spec.records = {topic_header({.number = 0, .title = "Names"}), plain_text("text")};
    std::vector<uint8_t> hlp = build_help_file(spec).bytes;
    const std::pair<std::string, std::string> cases[] = {
        {"abcde\xC3\xA9", "abcde\xC3\xA9"},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB"},
    };
    for (const auto& [stem, base] : cases) {
        Converted c = convert(hlp, stem + ".hlp");
        EXPECT_EQ(c.run.exit_code, 2) << c.run.err;
        std::vector<std::string> expected{stem + ".HPJ", stem + ".hlp", base + "1.RTF"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(c.files, expected);
    }
}

TEST(EndToEnd, CorpusFilesThatAreNotHelpFilesAreRefused) {
    std::string corpus = KORVANE_CORPUS_DIR "/not-winhelp";
    ASSERT_TRUE(file_exists(corpus)) << "the corpus is missing: " << corpus;
    for (const char* name : {"PROHST.HLP", "CL.HLP"}) {
        Converted c = convert(read_file(corpus + "/" + name), name);
        EXPECT_EQ(c.run.exit_code, 1) << name;
        EXPECT_NE(c.run.err.find(kMagicMessage), std::string::npos) << name;
    }
}
