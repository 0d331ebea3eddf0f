// SPDX-License-Identifier: MIT
// The text pieces of the HTML site: escaping, link targets, names of
// pages, code-page text turned into UTF-8 by iconv, and the UTF-8 decoder
// and encoder.
#include <gtest/gtest.h>

#include <iconv.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "base/format.h"
#include "html/escape.h"
#include "html/page_names.h"
#include "html/utf8.h"
#include "support/test_util.h"

using namespace korvane::html;

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
    // Valid UTF-8 of every length passes; each byte of a broken sequence is
    // replaced: overlong, surrogate, cut off, stray continuation, C1
    // control, noncharacter, above U+10FFFF.
    EXPECT_EQ(escape_text("\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"), "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80");
    auto fffd = [](int n) {
        std::string s;
        while (n--) s += kFFFD;
        return s;
    };
    EXPECT_EQ(escape_text("\xC0\xAF|\xED\xA0\x80|\xE6\x97|\x80|\xC2\x85|\xEF\xBF\xBE|\xF4\x90\x80\x80<"),
              fffd(2) + "|" + fffd(3) + "|" + fffd(2) + "|" + fffd(1) + "|" + fffd(1) + "|" + fffd(1) + "|" + fffd(4) +
                  "&lt;");
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
    PageNames names;
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
        EXPECT_LE(page.size(), kMaxPageStem + 16) << page;
        EXPECT_TRUE(seen.insert(korvane::test::lower(page)).second) << page;
    }
}

TEST(HtmlUtf8, CodePagesConvertThroughIconvAndBadBytesBecomeReplacements) {
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

namespace {

// c in a sequence of length bytes, also where a shorter one exists
// (overlong) and for values that are no code point.
std::string utf8_of_length(uint32_t c, int length) {
    if (length == 1) return std::string(1, static_cast<char>(c));
    std::string s(1, static_cast<char>(((0xFF00u >> length) & 0xFF) | c >> 6 * (length - 1)));
    for (int k = length - 2; k >= 0; --k) s += static_cast<char>(0x80 | (c >> 6 * k & 0x3F));
    return s;
}

std::string hex(std::string_view s) {
    std::string out;
    for (unsigned char b : s) out += korvane::format(out.empty() ? "%02X" : " %02X", b);
    return out;
}

}  // namespace

// The decoder against the encoder and iconv over every code point, and
// against every class of malformed sequence: a byte that starts no valid
// sequence is refused and read as one bad byte, whatever follows it.
TEST(HtmlUtf8, EveryCodePointRoundTripsAndEveryMalformedSequenceIsRefused) {
    // Every scalar value, written by append_utf8: the bytes iconv writes,
    // read back one code point after the other.
    std::u32string all;
    std::string text;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        all += c;
        append_utf8(text, c);
    }
    iconv_t cd = iconv_open("UTF-8", "UTF-32LE");
    std::string expected(all.size() * 4, '\0');
    char *src = reinterpret_cast<char*>(all.data()), *dst = expected.data();
    size_t src_left = all.size() * 4, dst_left = expected.size();
    ASSERT_NE(iconv(cd, &src, &src_left, &dst, &dst_left), static_cast<size_t>(-1));
    iconv_close(cd);
    expected.resize(expected.size() - dst_left);
    EXPECT_TRUE(text == expected) << "append_utf8 writes other bytes than iconv";
    std::vector<std::string> wrong;
    size_t i = 0;
    for (char32_t c : all) {
        size_t at = i;
        uint32_t decoded = 0;
        size_t length = utf8_sequence(text, at, decoded);
        if (next_code_point(text, i) != c || length != i - at || decoded != c) {
            std::string sequence;
            append_utf8(sequence, c);
            wrong.push_back(korvane::format("U+%04X (%s) read as U+%04X, %d bytes", static_cast<unsigned>(c),
                                            hex(sequence).c_str(), decoded, static_cast<int>(length)));
            if (wrong.size() == 5) break;
            i = at + sequence.size();
        }
    }
    EXPECT_EQ(wrong, std::vector<std::string>{});

    // A malformed sequence: no length, and next_code_point reads its first
    // byte as a bad one.
    std::map<std::string, std::vector<std::string>> accepted;  // by class: sequences read as valid
    auto refuse = [&](const char* what, const std::string& s) {
        uint32_t c = 0;
        size_t next = 0;
        if ((utf8_sequence(s, 0, c) != 0 || next_code_point(s, next) != kNotUtf8 || next != 1) &&
            accepted[what].size() < 5) {
            accepted[what].push_back(hex(s));
        }
    };
    // Overlong: every code point in each form longer than its own.
    for (int length = 2; length <= 4; ++length) {
        for (uint32_t c = 0; c < (length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u); ++c) {
            refuse("overlong", utf8_of_length(c, length));
        }
    }
    // Surrogates, alone and as the pairs of UTF-16.
    for (uint32_t c = 0xD800; c <= 0xDFFF; ++c) refuse("surrogate", utf8_of_length(c, 3));
    refuse("surrogate", "\xED\xA0\xBD\xED\xB8\x80");
    // Past U+10FFFF: every value four bytes can hold, and the leads of the
    // five- and six-byte forms.
    for (uint32_t c = 0x110000; c <= 0x1FFFFF; ++c) refuse("past U+10FFFF", utf8_of_length(c, 4));
    for (int lead = 0xF8; lead <= 0xFF; ++lead) {
        refuse("past U+10FFFF", std::string(1, static_cast<char>(lead)) + "\x88\x80\x80\x80\x80");
    }
    // Truncated: every sequence of two to four bytes cut after each of its
    // bytes, at the end of the text and before a byte that continues nothing.
    std::string cut;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string whole;
        append_utf8(whole, c);
        for (size_t n = 1; n < whole.size(); ++n) {
            cut.assign(whole, 0, n);
            refuse("truncated", cut);
            cut += c & 1 ? "x" : "\xC3\xA9";
            refuse("truncated", cut);
        }
    }
    // A continuation byte without a lead, alone and after a whole sequence.
    for (int b = 0x80; b <= 0xBF; ++b) {
        refuse("stray continuation", std::string(1, static_cast<char>(b)));
        std::string after = "\xC3\xA9" + std::string(1, static_cast<char>(b));
        size_t next = 0;
        if (next_code_point(after, next) != 0xE9 || next_code_point(after, next) != kNotUtf8 || next != 3) {
            accepted["stray continuation"].push_back(hex(after));
        }
    }
    EXPECT_EQ(accepted, (std::map<std::string, std::vector<std::string>>{}));
}
