// SPDX-License-Identifier: MIT
// The site's search: the tokens the search script makes in Chromium equal
// those of the index's tokenizer, for text of many scripts, and text put into
// a script as string literals reads back as the very text, markup and
// controls included.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/format.h"
#include "html/search_index.h"
#include "html/search_tokens.h"
#include "support/test_util.h"

using namespace korvane;
using namespace korvane::test;

namespace {

// Code points as hex, joined by '.'.
std::string hex(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = text::next_code_point(utf8, i);
        out += format(out.empty() ? "%x" : ".%x", static_cast<int>(c == text::kNotUtf8 ? 0xFFFD : c));
    }
    return out;
}

}  // namespace

TEST(Search, TheScriptTokenizesAsTheIndexAndReadsItsStringsBack) {
    const std::vector<std::string> texts = {
        "Hello, World! 3.14 foo_bar C++ e-mail DON'T",
        "Größe ändern: Schaltfläche Übernehmen drücken. STRASSE straße ẞ",
        "ǄEMAL ǅ ǆ ﬁnal ﬀ Œuvre Æsir Å Ø ı İ Türkçe İSTANBUL Łódź Đorđe Þór Ħ ŧ",
        "café CAFÉ cafe\u0301 naïve résumé ₂ ² ½",
        "ΟΔΥΣΣΕΥΣ Ὀδυσσεύς ς σ Σ ΐ",
        "Москва ЁЖ ёж",
        "日本語のヘルプです。表示とソフトの機能とムービーについて説明します。",
        "ﾍﾙﾌﾟ ｶﾀｶﾅ ＡＢＣ１２３ ①⑴ ㍻ ㌔ 々〆〇",
        "한국어 도움말 파일입니다 ㄱㄴ",
        "中文帮助文件 繁體中文說明 ㄅㄆ",
        "x日y 日 本 𠀋𠀌 𝐀𝐁 😀 ﷺ",
        "Inter\u00ADnational zero\u200Bwidth a\u200Db",
        "<script>alert('x')</script> <!-- \"q\" \\ end \u2028 \u2029 \x01\x1f\x7f \xC2\x85 &amp;",
        std::string(70, 'a') + " " + std::string(70, 'B'),
        "\xFF\xFE broken \xC3 utf8 \xE6\x97",
        "",
    };
    TempDir dir;
    write_file(dir / "search.js", html::kSearchScript);
    std::string page = "<!DOCTYPE html>\n<meta charset=\"utf-8\">\n<title>t</title>\n<body>\n"
                       "<script src=\"search.js\"></script>\n<script>\nvar texts = [\n";
    for (const std::string& text : texts) {
        html::append_script_string(page, text);
        page += ",\n";
    }
    page += R"(];
function hex(s) { return Array.from(s, function (c) { return c.codePointAt(0).toString(16); }).join('.'); }
document.body.textContent = texts.map(function (t) {
  return KorvaneSearch.tokens(t).map(hex).join(' ') + '|' + hex(t);
}).join('\n');
</script>
)";
    write_file(dir / "page.html", page);
    RunResult r = run_program({find_program("chromium"), "--headless", "--no-sandbox", "--disable-gpu",
                               "--user-data-dir=" + (dir / "profile"), "--dump-dom", "file://" + (dir / "page.html")},
                              dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    size_t body = r.out.find("<body>"), end = r.out.find("</body>");
    ASSERT_TRUE(body != std::string::npos && end != std::string::npos) << r.out;
    // One line a text: its tokens, then the text as read back.
    std::istringstream lines(r.out.substr(body + 6, end - body - 6));
    html::SearchTokenizer tokenizer;
    for (const std::string& text : texts) {
        std::string expected, line;
        for (const std::string& token : tokenizer.tokens(text)) expected += (expected.empty() ? "" : " ") + hex(token);
        ASSERT_TRUE(std::getline(lines, line)) << r.out;
        EXPECT_EQ(line, expected + "|" + hex(text)) << text;
    }
    // The folding and splitting themselves, where a shared mistake would pass the comparison.
    EXPECT_EQ(tokenizer.tokens(texts[1]),
              (std::vector<std::string>{"grosse", "andern", "schaltflache", "ubernehmen", "drucken", "strasse", "strasse",
                                        "ss"}));
    EXPECT_EQ(tokenizer.tokens("ﾍﾙﾌﾟ日本語、日"), (std::vector<std::string>{"ヘル", "ルフ", "フ日", "日本", "本語", "日"}));
}
