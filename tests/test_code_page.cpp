// SPDX-License-Identifier: MIT
// The code page of the text, checked with iconv: Japanese text decoded in
// the code page its RTF file declares is the text that went in. Which code
// page each checked-in file gets (fuzz/seeds/codepage-*.hlp) is held by the
// snapshot test; the user's choice is no snapshot mode.
#include <gtest/gtest.h>

#include <string>

#include "support/test_util.h"

using namespace korvane::test;

namespace {

const std::string kJapanese = "日本語のヘルプです。表示とソフトの機能とムービーについて説明します。";

std::string converted_rtf(const TempDir& dir, const std::string& option) {
    std::vector<std::string> argv{KORVANE_CLI_BIN, "--flags=0x18", "-C", dir.path(),
                                  KORVANE_SOURCE_DIR "/fuzz/seeds/codepage-japanese.hlp"};
    if (!option.empty()) argv.insert(argv.begin() + 1, option);
    EXPECT_EQ(run_program(argv, dir.path(), {"LANG=C"}).exit_code, 0) << option;
    return read_text(dir / "codepa1.RTF");
}

}  // namespace

// No trail byte is written as an RTF symbol escape, which readers would take
// for a character of its own.
TEST(CodePage, JapaneseTextDecodesInTheDeclaredCodePage) {
    TempDir dir;
    std::string rtf = converted_rtf(dir, "");
    ASSERT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg932", 0), 0u) << rtf.substr(0, 60);
    write_file(dir / "text", rtf_text(rtf));
    RunResult utf8 = run_program({find_program("iconv"), "-f", "CP932", "-t", "UTF-8", dir / "text"}, "");
    EXPECT_EQ(utf8.exit_code, 0) << utf8.err;
    EXPECT_NE(utf8.out.find(kJapanese), std::string::npos) << rtf;
    for (const char* symbol : {"\\\\", "\\{", "\\}"}) EXPECT_EQ(rtf.find(symbol), std::string::npos) << symbol;
}

TEST(CodePage, TheUsersChoiceWins) {
    const std::pair<const char*, const char*> chosen[] = {
        {"--codepage=1251", "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1031 {\\fonttbl{\\f0\\fswiss\\fcharset204 Helv}}"},
        {"--codepage=1252", "{\\rtf1\\ansi\\deff0\\deflang1031 {\\fonttbl{\\f0\\fswiss Helv}}"},
    };
    for (const auto& [option, head] : chosen) {
        TempDir dir;
        EXPECT_EQ(converted_rtf(dir, option).rfind(head, 0), 0u) << option;
    }
}
