// The code page of the text: chosen by the user, recorded by the file or
// detected, and declared in the RTF files so that readers decode the text.
#include <gtest/gtest.h>

#include <iconv.h>

#include <string>
#include <vector>

#include "support/hlp_builder.h"
#include "support/rtf_builder.h"
#include "support/rtf_topics.h"

using namespace korvane::test;

namespace {

// Known Japanese; in Shift-JIS, 本 ends in "{", 表, ソ and 能 end in "\" and
// ム in 0x80.
const std::string kJapanese = "日本語のヘルプです。表示とソフトの機能とムービーについて説明します。";
const std::string kGerman = "Größe der Bildschirmschriften ändern: Schaltfläche Übernehmen drücken.";

// text converted by iconv; empty when it cannot be.
std::string convert_text(const std::string& text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "";
    std::string in = text, out(text.size() * 4 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t src_left = in.size(), dst_left = out.size();
    size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return "";
    out.resize(out.size() - dst_left);
    return out;
}

// The text of an RTF file as bytes: hexadecimal escapes and escaped
// symbols become their bytes; control words, group braces and line breaks
// are dropped.
std::string rtf_bytes(const std::string& rtf) {
    std::string out;
    for (size_t i = 0; i < rtf.size(); ++i) {
        char c = rtf[i];
        if (c == '{' || c == '}' || c == '\r' || c == '\n') continue;
        if (c != '\\') {
            out += c;
            continue;
        }
        char next = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
        if (next == '\'' && i + 3 < rtf.size()) {
            out += static_cast<char>(std::stoi(rtf.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else if (next == '\\' || next == '{' || next == '}') {
            out += next;
            ++i;
        } else {
            size_t j = i + 1;
            while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
            if (j < rtf.size() && rtf[j] == '-') ++j;
            while (j < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[j]))) ++j;
            if (j < rtf.size() && rtf[j] == ' ') ++j;
            i = j - 1;
        }
    }
    return out;
}

// A long logical-font descriptor with its character set.
std::vector<uint8_t> long_font(uint8_t charset) {
    return Bytes().fill(12).i32(-10).fill(12).i32(400).fill(3).u8(charset).fill(3).u8(0x20).fill(2).b;
}

struct Converted {
    RunResult run;
    std::string rtf;
};

// A help file with one topic whose paragraph is text, converted by
// korvane-cli with the options.
Converted convert(const std::string& text, const std::vector<std::pair<uint16_t, std::vector<uint8_t>>>& records,
                  const std::vector<uint8_t>& font, const std::vector<std::string>& options) {
    HelpFileSpec spec;
    spec.minor_version = records.empty() ? 21 : 33;
    spec.system_records = records;
    spec.records = {topic_header({.number = 0, .title = "Title"}), plain_text(text)};
    if (!font.empty()) spec.extra_files = {{"|FONT", font}};
    TempDir dir;
    write_file(dir / "J.HLP", build_help_file(spec).bytes);
    std::vector<std::string> argv{KORVANE_CLI_BIN, "--flags=0x18"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("J.HLP");
    Converted c;
    c.run = run_program(argv, dir.path(), {"LANG=C"});
    c.rtf = read_text(dir / "J1.RTF");
    return c;
}

}  // namespace

TEST(CodePage, ChosenByTheUserRecordedOrDetectedAndDeclared) {
    const std::string japanese = convert_text(kJapanese, "UTF-8", "CP932");
    const std::string german = convert_text(kGerman, "UTF-8", "CP1252");
    ASSERT_FALSE(japanese.empty() || german.empty()) << "iconv lacks CP932 or CP1252";
    const std::vector<uint8_t> short_fonts = font_file({"Helv"}, {{0, 20, 3, 0, 0, 0, 0}});
    Bytes long_fonts;
    long_fonts.u16(1).u16(2).u16(8).u16(8 + 32).raw("Helv").fill(28).raw(long_font(0)).raw(long_font(136));
    Bytes symbol_fonts;
    symbol_fonts.u16(1).u16(2).u16(8).u16(8 + 32).raw("Helv").fill(28).raw(long_font(2)).raw(long_font(128));
    const std::string detected = "Text taken as code page 932 (detected); choose another with --codepage=N";

    struct Case {
        const char* what;
        std::string text;
        std::vector<std::pair<uint16_t, std::vector<uint8_t>>> records;
        std::vector<uint8_t> font;
        std::vector<std::string> options;
        int code_page;        // 1252: nothing declared
        const char* fonts;    // the font table's entries
        bool warned;
    };
    const Case cases[] = {
        {"Japanese text, nothing recorded", japanese, {}, short_fonts, {}, 932, "\\f0\\fswiss\\fcharset128 Helv", true},
        {"the user's choice", japanese, {}, short_fonts, {"--codepage=1251"}, 1251, "\\f0\\fswiss\\fcharset204 Helv", false},
        {"the user's Western", japanese, {}, short_fonts, {"--codepage=1252"}, 1252, "\\f0\\fswiss Helv", false},
        {"Western text", german, {}, short_fonts, {}, 1252, "\\f0\\fswiss Helv", false},
        {"a character-set record", "plain", {{11, {128, 0}}}, short_fonts, {}, 932, "\\f0\\fswiss\\fcharset128 Helv", false},
        {"a Western record wins over detection", japanese, {{11, {0, 0}}}, short_fonts, {}, 1252, "\\f0\\fswiss Helv", false},
        {"logical fonts", "plain", {}, long_fonts.b, {}, 950,
         "\\f0\\fswiss\\fcharset136 Helv\\f1\\fswiss\\fcharset136 Helv", false},
        {"a symbol font keeps its set", "plain", {}, symbol_fonts.b, {}, 932,
         "\\f0\\fswiss\\fcharset2 Helv\\f1\\fswiss\\fcharset128 Helv", false},
    };
    for (const Case& c : cases) {
        Converted r = convert(c.text, c.records, c.font, c.options);
        ASSERT_EQ(r.run.exit_code, 0) << c.what << ": " << r.run.err;
        std::string head = c.code_page == 1252 ? "{\\rtf1\\ansi\\deff0\\deflang1031 "
                                               : "{\\rtf1\\ansi\\ansicpg" + std::to_string(c.code_page) + "\\deff0\\deflang1031 ";
        EXPECT_EQ(r.rtf.rfind(head, 0), 0u) << c.what << ": " << r.rtf.substr(0, 60);
        EXPECT_NE(r.rtf.find(std::string("{\\fonttbl{") + c.fonts + "}}"), std::string::npos) << c.what << ": " << r.rtf;
        EXPECT_EQ(r.run.err.find(detected) != std::string::npos, c.warned) << c.what << ": " << r.run.err;
    }
}

// Decoded in the code page the RTF file declares, the text is the Japanese
// that went in; no trail byte is written as an RTF symbol escape, which
// readers would take for a character of its own.
TEST(CodePage, JapaneseTextDecodesInTheDeclaredCodePage) {
    const std::string japanese = convert_text(kJapanese, "UTF-8", "CP932");
    ASSERT_FALSE(japanese.empty()) << "iconv lacks CP932";
    Converted r = convert(japanese, {}, {}, {});
    ASSERT_EQ(r.run.exit_code, 0) << r.run.err;
    ASSERT_EQ(r.rtf.rfind("{\\rtf1\\ansi\\ansicpg932", 0), 0u);
    EXPECT_NE(convert_text(rtf_bytes(r.rtf), "CP932", "UTF-8").find(kJapanese), std::string::npos) << r.rtf;
    for (const char* symbol : {"\\\\", "\\{", "\\}"}) EXPECT_EQ(r.rtf.find(symbol), std::string::npos) << symbol;
    EXPECT_NE(r.rtf.find("\\'95\\'5c"), std::string::npos);  // 表
    EXPECT_NE(r.rtf.find("\\'83\\'80"), std::string::npos);  // ム
}

TEST(CodePage, OnlyCodePagesWithACharacterSetAreAccepted) {
    TempDir dir;
    for (const char* value : {"437", "0", "x932", "99999999", ""}) {
        RunResult r = run_program({KORVANE_CLI_BIN, std::string("--codepage=") + value, "J.HLP"}, dir.path(), {"LANG=C"});
        EXPECT_EQ(r.exit_code, 2) << value;
        EXPECT_NE(r.err.find("bad --codepage value"), std::string::npos) << r.err;
    }
}
