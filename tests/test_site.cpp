// SPDX-License-Identifier: MIT
// The web site export on hostile and non-Western help files: markup in a
// help file stays text, nothing lands outside the site's folder, and text
// of a double-byte code page arrives as the Unicode text it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/test_util.h"

using namespace korvane::test;

namespace {

const std::string kJapanese = "日本語のヘルプです。表示とソフトの機能とムービーについて説明します。";

// Every file under dir, relative to it.
std::vector<std::string> files_under(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), dir).string());
    }
    return files;
}

}  // namespace

TEST(Site, MarkupInTheHelpFileStaysText) {
    TempDir dir;
    // Titles, text, index terms and link text carrying markup, quotes,
    // scheme names and path separators.
    const std::string hostile = "<script>document.title='pwned'</script><img src=x onerror=alert(1)>";
    std::string but = "\\title Evil \"title\" " + hostile + "\n\n";
    but += "\\C{evil} Chapter <b>bold</b> '\"' ../../../etc/passwd\n\n";
    but += "Text " + hostile + " and javascript:alert(2) and \\k{second} and \\I{" + hostile + "}an index term.\n\n";
    but += "\\C{second} Second ..\\\\..\\\\windows javascript:x\n\nA link back: \\k{evil}.\n\n";
    write_file(dir / "evil.but", std::vector<uint8_t>(but.begin(), but.end()));
    RunResult h = run_program({find_program("halibut"), "--winhelp=evil.hlp", "evil.but"}, dir.path());
    ASSERT_EQ(h.exit_code, 0) << h.err;
    RunResult r = run_program({KORVANE_CLI_BIN, "-q", "--html", "-C", "out", "evil.hlp"}, dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;

    // Everything written lies inside the site's folder.
    std::vector<std::string> files = files_under(dir / "out");
    ASSERT_FALSE(files.empty());
    for (const std::string& f : files) EXPECT_EQ(f.rfind("evil/", 0), 0u) << f;

    bool text_seen = false;
    const std::regex tag("<([a-zA-Z]+)([^>]*)>");
    for (const std::string& f : files) {
        if (f.size() < 5 || f.substr(f.size() - 5) != ".html") continue;
        std::string page = read_text(dir / ("out/" + f));
        text_seen = text_seen || page.find("&lt;script&gt;document.title=&#39;pwned&#39;&lt;/script&gt;") !=
                                     std::string::npos;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), tag); it != std::sregex_iterator(); ++it) {
            std::string name = (*it)[1], attributes = (*it)[2];
            EXPECT_NE(name, "img") << f << ": " << it->str();
            if (name == "script") {
                // The site's own scripts only: the popups', and the search's on its page.
                const std::set<std::string> search = {" src=\"lunr.min.js\"", " src=\"search-index.js\"",
                                                      " src=\"search.js\""};
                EXPECT_TRUE(attributes == " src=\"korvane.js\" defer" || (f == "evil/search.html" && search.count(attributes)))
                    << f << ": " << attributes;
            }
            EXPECT_EQ(attributes.find("javascript:"), std::string::npos) << f << ": " << it->str();
            // No event-handler attribute ("onerror=", "onclick=", ...); values,
            // which may hold the help file's text, aside.
            std::string names = std::regex_replace(attributes, std::regex("\"[^\"]*\""), "\"\"");
            EXPECT_FALSE(std::regex_search(names, std::regex("(^|\\s)on[a-z]+\\s*="))) << f << ": " << it->str();
            // Links stay inside the site.
            std::smatch href;
            if (std::regex_search(attributes, href, std::regex("(?:href|src)=\"([^\"]*)\""))) {
                EXPECT_EQ(href[1].str().find(':'), std::string::npos) << f << ": " << it->str();
                EXPECT_EQ(href[1].str().find('/'), std::string::npos) << f << ": " << it->str();
            }
        }
    }
    EXPECT_TRUE(text_seen) << "the hostile text is shown as text somewhere";
}

TEST(Site, JapaneseTextArrivesAsUnicode) {
    TempDir dir;
    RunResult r = run_program(
        {KORVANE_CLI_BIN, "-q", "--html", "-C", dir.path(), KORVANE_SOURCE_DIR "/fuzz/seeds/codepage-japanese.hlp"},
        dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string pages;
    for (const std::string& f : files_under(dir.path())) {
        if (f.size() > 5 && f.substr(f.size() - 5) == ".html") pages += read_text(dir / f);
    }
    EXPECT_NE(pages.find(kJapanese), std::string::npos);
    EXPECT_EQ(pages.find("\xEF\xBF\xBD"), std::string::npos) << "no replacement character";
    EXPECT_NE(pages.find("<html lang=\"ja\">"), std::string::npos);
}

// Text in a symbol font shows the font's symbols, not the code page's
// letters for its bytes, and the style sheet keeps the font for it.
TEST(Site, SymbolFontTextArrivesAsItsSymbols) {
    TempDir dir;
    RunResult r = run_program({KORVANE_CLI_BIN, "-q", "--html", "-C", dir.path(), KORVANE_CORPUS_DIR "/msgdlg/MainForm.hlp"},
                              dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string page = read_text(dir / "mainform/indgag.cs.html");
    // Wingdings 0xA7 and 0xFC: a small black square and a check mark
    // (Western text would show "§" and "ü").
    EXPECT_NE(page.find("<span class=\"f5\">\u25AA</span>"), std::string::npos) << page;
    EXPECT_NE(page.find("<span class=\"f5\">\u2713</span>"), std::string::npos) << page;
    EXPECT_EQ(page.find("<span class=\"f5\">\u00A7"), std::string::npos);
    EXPECT_NE(read_text(dir / "mainform/korvane.css").find(".f5 { font-family: \"WingDings\""), std::string::npos);
}

// A help file holds most context ids only as hashes; the contents file
// beside it names them, so both the RTF sources and the site get the real
// names, and the site's contents page follows the contents file's books.
// The contents file is found whatever the case of its name (of several, the
// first in byte order), and the includes it does not follow are warned of.
TEST(Site, TheContentsFileNamesContextsAndBuildsTheContentsPage) {
    TempDir dir;
    const std::string but =
        "\\title Named\n\n\\C{first} First chapter\n\nSee \\k{second}.\n\n\\C{second} Second chapter\n\nText.\n\n";
    write_file(dir / "n.but", std::vector<uint8_t>(but.begin(), but.end()));
    ASSERT_EQ(run_program({find_program("halibut"), "--winhelp=N.HLP", "n.but"}, dir.path()).exit_code, 0);
    std::string cnt = read_text(dir / "N.cnt");
    // halibut's ids of the two chapters, which the help file holds only as hashes.
    std::vector<std::string> names;
    const std::regex id("=(t[0-9]+)");
    for (auto it = std::sregex_iterator(cnt.begin(), cnt.end(), id); it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
    }
    ASSERT_EQ(names.size(), 2u) << cnt;
    // Another case than the help file's, and a second candidate after it in
    // byte order ('N' < 'n') that names no context of the help file.
    std::filesystem::remove(dir / "N.cnt");
    write_file(dir / "n.cNT", cnt + ":Include gone.cnt\r\n:Include ../up.cnt\r\n");
    write_file(dir / "n.cnt", "1 Decoy=decoy\r\n");

    for (bool with_contents : {true, false}) {
        if (!with_contents) std::filesystem::remove(dir / "n.cNT");
        if (!with_contents) std::filesystem::remove(dir / "n.cnt");
        std::string out = with_contents ? "with" : "without";
        RunResult rtf_run = run_program({KORVANE_CLI_BIN, "-C", out, "N.HLP"}, dir.path());
        ASSERT_EQ(rtf_run.exit_code, 0);
        ASSERT_EQ(run_program({KORVANE_CLI_BIN, "-q", "--html", "-C", out, "N.HLP"}, dir.path()).exit_code, 0);
        std::string rtf = read_text(dir / (out + "/N1.RTF"));
        std::string index = read_text(dir / (out + "/n/index.html"));
        for (const std::string& name : names) {
            EXPECT_EQ(rtf.find("{#{\\footnote{#}" + name + "}}") != std::string::npos, with_contents) << name << " " << out;
            EXPECT_EQ(file_exists(dir / (out + "/n/" + lower(name) + ".html")), with_contents) << name << " " << out;
            EXPECT_EQ(index.find("href=\"" + lower(name) + ".html\"") != std::string::npos, with_contents) << out;
        }
        EXPECT_EQ(index.find("Decoy"), std::string::npos);
        EXPECT_EQ(rtf_run.err.find("Warning: Included Contents File gone.cnt not found") != std::string::npos,
                  with_contents) << rtf_run.err;
        EXPECT_EQ(rtf_run.err.find("Warning: Included Contents File ../up.cnt is not in the Help File's folder") !=
                      std::string::npos, with_contents) << rtf_run.err;
    }
}

// Paragraph indents are stored in twips in files with long font
// descriptors and in tens of twips otherwise; the RTF sources and the site
// read them alike, whichever output is written.
TEST(Site, IndentsAgreeWithTheRtfSourcesForEitherFontDescriptorForm) {
    for (const char* seed : {"halibut-small.hlp", "long-fonts-indents.hlp"}) {
        SCOPED_TRACE(seed);
        TempDir dir;
        const std::string input = std::string(KORVANE_SOURCE_DIR "/fuzz/seeds/") + seed;
        ASSERT_EQ(run_program({KORVANE_CLI_BIN, "-q", "-C", dir / "rtf", input}, dir.path()).exit_code, 0);
        ASSERT_EQ(run_program({KORVANE_CLI_BIN, "-q", "--html", "-C", dir / "site", input}, dir.path()).exit_code, 0);
        // Points from the RTF's \li and \fi (twips) and from the site's
        // margin-left and text-indent (points; the site's own layout uses em).
        auto values = [](const std::string& text, const std::regex& pattern, double divisor) {
            std::set<double> found;
            for (std::sregex_iterator m(text.begin(), text.end(), pattern), end; m != end; ++m) {
                found.insert(std::stod((*m)[2]) / divisor);
            }
            return found;
        };
        std::string rtf, css;
        for (const std::string& f : files_under(dir / "rtf")) {
            if (f.ends_with(".RTF")) rtf += read_text(dir / ("rtf/" + f));
        }
        for (const std::string& f : files_under(dir / "site")) {
            if (f.ends_with(".css") || f.ends_with(".html")) css += read_text(dir / ("site/" + f));
        }
        for (auto [rtf_word, css_property] : {std::pair{"li", "margin-left"}, std::pair{"fi", "text-indent"}}) {
            std::set<double> from_rtf = values(rtf, std::regex(std::string("(\\\\") + rtf_word + ")(-?[0-9]+)"), 20);
            std::set<double> from_site =
                values(css, std::regex(std::string("(") + css_property + ":)(-?[0-9.]+)pt"), 1);
            from_rtf.erase(0), from_site.erase(0);
            EXPECT_FALSE(from_rtf.empty()) << rtf_word;
            EXPECT_EQ(from_rtf, from_site) << css_property;
        }
    }
}

// The site's own words are in the help file's language: the one its locale
// record names (German in ACMSETUP.HLP) or its code page's (Japanese), and
// English when it tells none.
TEST(Site, NavigationIsInTheHelpFilesLanguage) {
    struct Case {
        const char* file;
        const char* language;
        std::string contents, index, prompt;
    };
    for (const Case& c :
         {Case{KORVANE_CORPUS_DIR "/3dmm/ACMSETUP.HLP", "de", "Inhalt", "Index", "Geben Sie die ersten Buchstaben"},
          Case{KORVANE_SOURCE_DIR "/fuzz/seeds/codepage-japanese.hlp", "ja", "目次", "キーワード", "最初の数文字"},
          Case{KORVANE_SOURCE_DIR "/fuzz/seeds/codepage-western.hlp", "und", "Contents", "Index", "Type the first"}}) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        ASSERT_EQ(run_program({KORVANE_CLI_BIN, "-q", "--html", "-C", dir.path(), c.file}, dir.path()).exit_code, 0);
        std::string site = std::filesystem::directory_iterator(dir.path())->path().string();
        std::string keywords = read_text(site + "/keywords.html");
        EXPECT_NE(keywords.find(std::string("<html lang=\"") + c.language + "\">"), std::string::npos);
        EXPECT_NE(keywords.find("<a href=\"index.html\">" + c.contents + "</a>"), std::string::npos) << keywords;
        EXPECT_NE(keywords.find("<h1 class=\"title\">" + c.index + "</h1>"), std::string::npos);
        EXPECT_NE(keywords.find(c.prompt), std::string::npos);
        EXPECT_NE(read_text(site + "/index.html").find("<a href=\"keywords.html\">" + c.index + "</a>"), std::string::npos);
        int topics = 0;
        for (const std::string& f : files_under(site)) {
            std::string page = read_text(site + "/" + f);
            if (page.find("<div class=\"topic\">") == std::string::npos) continue;
            ++topics;
            EXPECT_NE(page.find("<nav class=\"site\"><a href=\"index.html\">" + c.contents +
                                "</a> <a href=\"keywords.html\">" + c.index + "</a>"),
                      std::string::npos) << f;
        }
        EXPECT_GT(topics, 0);
    }
}
