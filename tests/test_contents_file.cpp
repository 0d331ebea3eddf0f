// SPDX-License-Identifier: MIT
// Contents files (.CNT): the commands, the tree of books and topics, a
// sensible tree from anything else, and included files read in place.
#include <gtest/gtest.h>

#include <filesystem>

#include "topics/contents_file.h"
#include "support/test_util.h"

using namespace korvane;
using namespace korvane::test;
using namespace std::string_literals;

namespace {

ContentsFile parse(const std::string& text, int code_page = 1252) {
    return parse_contents_file(ByteReader(reinterpret_cast<const uint8_t*>(text.data()), text.size()), code_page);
}

// The tree in one line: B(title){children} for books, T(title=context@file>window)
// for topics, I(file) for includes; each with the level it ended up at.
std::string describe(const std::vector<ContentsEntry>& entries) {
    std::string out;
    for (const ContentsEntry& e : entries) {
        out += std::to_string(e.level);
        if (e.kind == ContentsEntry::Kind::book) out += "B(" + e.title + "){" + describe(e.children) + "}";
        if (e.kind == ContentsEntry::Kind::topic) out += "T(" + e.title + "=" + e.context + "@" + e.file + ">" + e.window + ")";
        if (e.kind == ContentsEntry::Kind::include) out += "I(" + e.title + ")";
    }
    return out;
}

}  // namespace

TEST(ContentsFile, CommandsBooksAndTopicsNest) {
    ContentsFile cnt = parse(
        ":Base MAIN.HLP>main\r\n:Title Example Help\r\n:Index Example Index=MAIN.HLP\r\n:Link OTHER.HLP\r\n"
        "; a comment\r\n1 Getting started\r\n2 Introduction=IDH_INTRO\r\n2 Setup=IDH_SETUP@SETUP.HLP>proc\r\n"
        "2 Nested book\r\n3 Deep topic = IDH_DEEP>win@FILE.HLP\r\n:Include MORE.CNT\r\n2 Back up=IDH_UP\r\n"
        "1 a = b=IDH_EQ\r\n:tab Extra=x.dll\r\n");
    EXPECT_EQ(cnt.base_window, "main");
    EXPECT_EQ(cnt.title, "Example Help");
    EXPECT_EQ(describe(cnt.entries),
              "1B(Getting started){2T(Introduction=IDH_INTRO@>)2T(Setup=IDH_SETUP@SETUP.HLP>proc)"
              "2B(Nested book){3T(Deep topic=IDH_DEEP@FILE.HLP>win)3I(MORE.CNT)}2T(Back up=IDH_UP@>)}"
              "1T(a = b=IDH_EQ@>)");

    EXPECT_TRUE(is_local_include("MORE.CNT"));
    for (const char* name : {"../x.cnt", "sub/x.cnt", "C:x.cnt", "\\\\server\\x.cnt", ".."}) EXPECT_FALSE(is_local_include(name));
}

TEST(ContentsFile, HostileTextGivesASensibleTree) {
    // LF and lone CR ends, NUL bytes, blank lines, lines without a level,
    // a level too deep and one too large for any integer (into the last
    // book), level 0, a line that is only a level, very long lines.
    std::string text = "\n  \n1 Bo\0ok\n7 Too deep=D\rjunk line\n99999999999999999999999 Huge=H\n0 Zero=Z\n3\n"s;
    text += "1 =EMPTY\n" + std::string(1 << 20, 'x') + "\n2 " + std::string(1 << 20, 'y') + "=LONG";
    ContentsFile cnt = parse(text);
    ASSERT_EQ(cnt.entries.size(), 4u);
    EXPECT_EQ(cnt.entries.back().title.size(), 1u << 20);
    EXPECT_EQ(cnt.entries.back().context, "LONG");
    cnt.entries.pop_back();
    EXPECT_EQ(describe(cnt.entries), "1B(Book){2T(Too deep=D@>)2T(Huge=H@>)}1T(Zero=Z@>)1T(=EMPTY@>)");
    EXPECT_EQ(cnt.skipped_lines, 3u);  // "junk line", "3", the line of x

    // Each line a level deeper: books nest no deeper than the limit.
    std::string deep;
    for (int i = 1; i <= 5000; ++i) deep += std::to_string(i) + " Book " + std::to_string(i) + "\n";
    ContentsFile chain = parse(deep);
    const ContentsEntry* last = &chain.entries.back();
    while (!last->children.empty()) last = &last->children.back();
    EXPECT_EQ(last->level, kMaxContentsDepth);

    // A file saved as UTF-16 keeps its ASCII.
    std::string wide("\xFF\xFE", 2);
    for (char c : std::string(":Title T\r\n1 Wide=W\r\n")) wide += std::string(1, c) + '\0';
    ContentsFile utf16 = parse(wide);
    EXPECT_EQ(utf16.title, "T");
    EXPECT_EQ(describe(utf16.entries), "1T(Wide=W@>)");
}

TEST(ContentsFile, TrailBytesOfDoubleByteCodePagesAreNoSeparators) {
    // Johab has '=' as a trail byte, Shift-JIS '@'.
    EXPECT_EQ(describe(parse("1 \x88=\x88=\n", 1361).entries), "1B(\x88=\x88=){}");
    EXPECT_EQ(describe(parse("1 \x88=\x88=\n", 1252).entries), "1T(\x88=\x88=@>)");
    EXPECT_EQ(describe(parse("1 T=ID>\x95@w@FILE\n", 932).entries), "1T(T=ID@FILE>\x95@w)");
    EXPECT_EQ(describe(parse("1 T=ID>\x95@w@FILE\n", 1252).entries), "1T(T=ID@w@FILE>\x95)");
}

TEST(ContentsFile, IncludesOfTheSameFolderAreReadInPlace) {
#ifdef _WIN32
    GTEST_SKIP() << "two files whose names differ in case only, and links: not on Windows' file systems";
#endif
    TempDir dir;
    std::filesystem::create_directory(dir / "help");
    // Included in another case; PART includes itself and MAIN (both being
    // read) and DEEP, which includes PART again: each is read once. Of the
    // two files named deep.cnt, "DEEP.CNT" comes first in byte order.
    write_file(dir / "help/MAIN.CNT",
               "1 Book\n:Include part.cnt\n:Include ../outside.cnt\n:Include sub\\x.cnt\n:Include main.cnt\n1 End=E\n");
    write_file(dir / "help/PART.CNT", "2 Part=P\n:Include Part.Cnt\n:Include deep.cnt\n:Include missing.cnt\n");
    write_file(dir / "help/DEEP.CNT", "3 Deep=D\n:Include PART.CNT\n:Include MAIN.cnt\n");
    write_file(dir / "help/deep.cnt", "3 Not taken=N\n");
    write_file(dir / "outside.cnt", "1 Outside=O\n");
    std::optional<ContentsFile> cnt = read_contents_file(dir / "help/MAIN.CNT", 1252);
    ASSERT_TRUE(cnt);
    EXPECT_EQ(describe(cnt->entries),
              "1B(Book){2T(Part=P@>)2I(Part.Cnt)2T(Deep=D@>)2I(PART.CNT)2I(MAIN.cnt)2I(missing.cnt)"
              "2I(../outside.cnt)2I(sub\\x.cnt)2I(main.cnt)}1T(End=E@>)");
    EXPECT_EQ(cnt->missing_includes, std::vector<std::string>{"missing.cnt"});
    EXPECT_EQ(cnt->refused_includes, (std::vector<std::string>{"../outside.cnt", "sub\\x.cnt"}));
    EXPECT_FALSE(read_contents_file(dir / "help/NONE.CNT", 1252));

    // Links only when asked for; folders never.
    std::filesystem::create_symlink(dir / "outside.cnt", dir / "help/Link.cnt");
    std::filesystem::create_directory(dir / "help/Folder.cnt");
    EXPECT_EQ(find_in_folder(dir / "help", "link.CNT", false), std::nullopt);
    EXPECT_EQ(find_in_folder(dir / "help", "link.CNT", true), dir / "help/Link.cnt");
    EXPECT_EQ(find_in_folder(dir / "help", "folder.cnt", true), std::nullopt);
    EXPECT_EQ(find_in_folder(dir / "none", "x.cnt", true), std::nullopt);
}
