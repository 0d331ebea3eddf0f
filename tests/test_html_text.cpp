// SPDX-License-Identifier: MIT
// The text pieces of the HTML site: escaping, link targets, names of
// pages, code-page text turned into UTF-8 by iconv, and the UTF-8 decoder
// and encoder.
#include <gtest/gtest.h>

#include <iconv.h>

#include <regex>
#include <set>

#include "html/escape.h"
#include "html/site_files.h"
#include "support/test_util.h"
#include "text/utf8.h"
#include "topicmap/page_names.h"
#include "topics/help_file_name.h"

using namespace korvane;
using namespace korvane::html;
using namespace korvane::text;

namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

bool is_valid_utf8(std::string text) {
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    std::string out(text.size() * 4 + 4, '\0');
    char *src = text.data(), *dst = out.data();
    size_t src_left = text.size(), dst_left = out.size();
    bool ok = iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok;
}

}  // namespace

TEST(HtmlEscape, MarkupAndControlCharactersAndBadUtf8NeverPassThrough) {
    EXPECT_EQ(escape_text("<script>alert('x')</script> & \"q\""),
              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;");
    EXPECT_EQ(escape_text("a\x01" "b\x7F\tc\n"), "a" + kFFFD + "b" + kFFFD + "\tc\n");
    EXPECT_EQ(escape_attribute("x\ty\nz\"'"), "x&#9;y&#10;z&quot;&#39;");
    // Valid UTF-8 of every length passes; each byte of a sequence the
    // decoder refuses (HtmlUtf8 below has every kind) is replaced, a C1
    // control or a noncharacter as one.
    EXPECT_EQ(escape_text("\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"), "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80");
    EXPECT_EQ(escape_text("\xED\xA0\x80|\xE6\x97|\xC2\x85|\xEF\xBF\xBE<"),
              kFFFD + kFFFD + kFFFD + "|" + kFFFD + kFFFD + "|" + kFFFD + "|" + kFFFD + "&lt;");
}

TEST(HtmlEscape, ScriptSchemesNeverBecomeLinkTargets) {
    for (const char* url : {"javascript:alert(1)", "JaVaScRiPt:alert(1)", " javascript:x", "java\tscript:x", "java\nscript:x",
                            "\x01javascript:x", "vbscript:x", "data:text/html,<b>", "file:///etc/passwd", "jar:x"}) {
        EXPECT_FALSE(is_safe_link_target(url)) << url;
        EXPECT_EQ(link_target(url), "") << url;
    }
    EXPECT_EQ(link_target("page.html#IDH_X"), "page.html#IDH_X");
    EXPECT_EQ(link_target("HTTPS://example.org/a b?x=1&y=%41"), "HTTPS://example.org/a%20b?x=1&y=%41");
    EXPECT_EQ(link_target("mailto:a@b.c"), "mailto:a@b.c");
    EXPECT_EQ(link_target("sub/x:y.html"), "sub/x:y.html");  // a colon after a slash starts no scheme
    EXPECT_EQ(link_target("a\"b<c>'%zz\xC3\xA9"), "a%22b%3Cc%3E%27%25zz%C3%A9");
}

TEST(HtmlPageNames, UniqueIgnoringCaseAndNeverTheSitesOwnFiles) {
    PageNames names(".html");
    for (std::string_view own : {kIndexPage, kKeywordsPage, kStyleSheetFile, kSearchPage}) names.reserve(own);
    EXPECT_TRUE(names.reserve("bm0.png"));
    EXPECT_FALSE(names.reserve("BM0.PNG"));
    EXPECT_TRUE(names.reserve("Picture.HTML"));
    const std::pair<std::string, std::string> added[] = {
        {"IDH_Intro", "IDH_Intro.html"}, {"idh_intro", "idh_intro-2.html"}, {"IDH_INTRO", "IDH_INTRO-3.html"},
        {"", "topic4.html"},             {"TOPIC4", "TOPIC4-2.html"},       {"index", "index-2.html"},
        {"Keywords", "Keywords-2.html"}, {"korvane.CSS", "korvane.CSS.html"}, {"picture", "picture-2.html"},
        {"con", "con-2.html"},           {"Com1", "Com1-2.html"},           {"com10", "com10.html"},
        {".x", "-2Ex.html"},             {"a b", "a-20b.html"},             {"a-20b", "a-2D20b.html"},
    };
    size_t number = 1;
    for (const auto& [id, page] : added) EXPECT_EQ(names.add(id, number++), page) << id;

    // Many equal ids, hostile ids and very long ids stay unique, safe and
    // bounded.
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        std::string id = i % 3 == 0 ? "Dup" : i % 3 == 1 ? "dUP" : "../<script>" + std::string(500, 'x');
        std::string page = names.add(id, 100 + static_cast<size_t>(i));
        EXPECT_TRUE(std::regex_match(page, std::regex("[A-Za-z0-9_-][A-Za-z0-9_.-]*"))) << page;
        EXPECT_LE(page.size(), korvane::kMaxNameStem + 16) << page;
        EXPECT_TRUE(seen.insert(korvane::test::lower(page)).second) << page;
    }
}

TEST(HtmlUtf8, CodePagesConvertThroughTheirTablesAndBadBytesBecomeReplacements) {
    Utf8Converter utf8;
    // Shift-JIS (932, with Microsoft's additions: 0x87 0x40 is a circled
    // one), a half-width katakana, and 0x5C as the backslash.
    EXPECT_EQ(utf8.convert("A\x93\xFA\x96\x7B\x8C\xEA\xB1\x87\x40\\", 932),
              "A\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xEF\xBD\xB1\xE2\x91\xA0\\");
    // A lead byte before a space, an undefined byte, a lead byte cut off by
    // the end of the run: one U+FFFD each, the rest kept.
    EXPECT_EQ(utf8.convert("\x81 x\xA0y\x93", 932), kFFFD + " x" + kFFFD + "y" + kFFFD);
    EXPECT_EQ(utf8.convert("\x80\x81\xE9", 1252), "\xE2\x82\xAC" + kFFFD + "\xC3\xA9");
    // Converters are kept per code page: switching back and forth gives the
    // same text.
    EXPECT_EQ(utf8.convert("\xE9", 1252) + utf8.convert("\xE9", 1251) + utf8.convert("\xE9", 1252),
              "\xC3\xA9\xD0\xB9\xC3\xA9");
    // Unknown code pages are read as Western.
    EXPECT_EQ(utf8.effective_code_page(12345), 1252);
    EXPECT_EQ(utf8.convert("\xE9", 12345), "\xC3\xA9");
    // Every code page has its converter, every byte value in it gives valid
    // UTF-8, and in the single-byte code pages one character for each byte.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (int code_page : {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361}) {
        EXPECT_EQ(utf8.effective_code_page(code_page), code_page);
        std::string text = utf8.convert(all + all, code_page);
        EXPECT_TRUE(is_valid_utf8(text)) << code_page;
        size_t characters = 0;
        for (char c : text) characters += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
        if (code_page != 932 && code_page != 936 && code_page != 949 && code_page != 950 && code_page != 1361) {
            EXPECT_EQ(characters, 512u) << code_page;
        }
    }
}

// c written in length bytes (two to four), also where fewer would do
// (overlong) and for values that are no code point.
std::string utf8_of_length(uint32_t c, int length) {
    std::string s(1, static_cast<char>(((0xFF00u >> length) & 0xFF) | c >> 6 * (length - 1)));
    for (int k = length - 2; k >= 0; --k) s += static_cast<char>(0x80 | (c >> 6 * k & 0x3F));
    return s;
}

// The decoder against the encoder over every code point, and against every
// class of malformed sequence: a byte that starts no valid sequence is
// refused and read as one bad byte, whatever follows it.
TEST(HtmlUtf8, EveryCodePointRoundTripsAndEveryMalformedSequenceIsRefused) {
    std::set<std::string> wrong;  // sequences read wrongly (the first few)
    auto expect_read = [&](const std::string& s, char32_t c, size_t length) {
        uint32_t decoded = 0;
        size_t next = 0;
        if ((utf8_sequence(s, 0, decoded) != length || (length && decoded != c) || next_code_point(s, next) != c ||
             next != (length ? length : 1)) && wrong.size() < 8) {
            wrong.insert(s);
        }
    };
    auto refuse = [&](const std::string& s) { expect_read(s, kNotUtf8, 0); };
    // Every scalar value as append_utf8 writes it, in as many bytes as its
    // range takes: read back, and refused when cut after each of its bytes,
    // at the end of the text and before a byte that continues nothing.
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string sequence;
        append_utf8(sequence, c);
        expect_read(sequence, c, c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4);
        for (size_t n = 1; n < sequence.size(); ++n) {
            refuse(sequence.substr(0, n));
            refuse(sequence.substr(0, n) + (n & 1 ? "x" : "\xC3\xA9"));
        }
    }
    // Overlong: every code point in each form longer than its own.
    for (uint32_t c = 0; c < 0x10000; ++c) {
        for (int length = c < 0x80 ? 2 : c < 0x800 ? 3 : 4; length <= 4; ++length) refuse(utf8_of_length(c, length));
    }
    // Surrogates; past U+10FFFF, every value four bytes hold and the leads
    // of five and six bytes; a continuation byte without a lead.
    for (uint32_t c = 0xD800; c <= 0xDFFF; ++c) refuse(utf8_of_length(c, 3));
    for (uint32_t c = 0x110000; c <= 0x1FFFFF; ++c) refuse(utf8_of_length(c, 4));
    for (int lead = 0xF8; lead <= 0xFF; ++lead) refuse(static_cast<char>(lead) + std::string("\x88\x80\x80\x80\x80"));
    for (int b = 0x80; b <= 0xBF; ++b) refuse(std::string(1, static_cast<char>(b)) + "\xBF");
    EXPECT_EQ(wrong, std::set<std::string>{});
}
