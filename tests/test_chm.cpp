// SPDX-License-Identifier: MIT
// The HTML Help output's parts that work on bytes: the context map written
// into what chmcmd compiled (checked with chmlib, an independent reader),
// the code page of the project's text, and the escaping of every name the
// help file gives the project. The whole output is checked on the corpus
// by tests/chm/check_chm.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "base/byte_reader.h"
#include "base/format.h"
#include "chm/context_map_fix.h"
#include "chm/language.h"
#include "chm/map_header.h"
#include "chm/page_style.h"
#include "chm/project_file.h"
#include "chm/project_text.h"
#include "html/site_files.h"
#include "output/output_sink.h"
#include "project/map_section.h"
#include "support/test_util.h"
#include "system/chm_archive.h"
#include "system/code_page_table.h"
#include "text/code_page_encoder.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kPages = 400;  // enough for three listing chunks and an index chunk

// A project of kPages pages compiled by chmcmd in dir: dir/t.chm.
void compile_pages(const TempDir& dir) {
    std::string files, contents;
    for (int i = 0; i < kPages; ++i) {
        const std::string page = format("page%03d.html", i);
        write_file(dir / page, format("<html><head><title>Page %d</title></head>\r\n<body>\r\n<p>word%d</p></body></html>\r\n", i, i));
        files += page + "\r\n";
        contents += format("<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Page %d\">"
                           "<param name=\"Local\" value=\"%s\"></OBJECT>\r\n", i, page);
    }
    write_file(dir / "t.hhc", "<HTML><BODY><UL>\r\n" + contents + "</UL></BODY></HTML>\r\n");
    write_file(dir / "t.hhp", "[OPTIONS]\r\nCompiled file=t.chm\r\nContents file=t.hhc\r\nDefault topic=page000.html\r\n"
                              "Full-text search=Yes\r\nTitle=Pages\r\n\r\n[FILES]\r\n" + files);
    const std::string chmcmd = find_program("chmcmd");
    ASSERT_FALSE(chmcmd.empty()) << "chmcmd (fp-utils) is needed: tools/install-deps.sh test";
    ASSERT_EQ(run_program({chmcmd, "--no-html-scan", "t.hhp"}, dir.path()).exit_code, 0);
}

std::string text_of(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

// The map written into a real chmcmd file: chmlib reads every file as it
// was, and #IVB over #STRINGS gives every number its page (several numbers
// a page, an anchor, the whole 32-bit range); the compiler's strings keep
// their offsets and no new one crosses a 4,096-byte block. Written again
// over its own output, the fix gives the new map.
TEST(ContextMapFix, RealCompilerOutputReadsBackWithTheMapAndDamagedOnesAreRefused) {
    TempDir dir;
    ASSERT_NO_FATAL_FAILURE(compile_pages(dir));
    std::vector<std::string> names = {"/#SYSTEM", "/#TOPICS", "/#URLTBL", "/#URLSTR", "/#STRINGS", "/t.hhc", "/$FIftiMain"};
    for (int i = 0; i < kPages; ++i) names.push_back(format("/page%03d.html", i));
    const sys::ChmFiles before = sys::read_chm_files(dir / "t.chm", names);
    ASSERT_EQ(before.files.size(), names.size());

    std::vector<chm::ContextPage> map = {{4000000000u, "page399.html"}, {0, "page000.html"}, {7, "page007.html"},
                                         {8, "page007.html"}, {0xFFFFFFFF, "page100.html#c-x"}};
    for (uint32_t n = 1000; n < 1600; ++n) map.push_back({n, format("page%03d.html", n % kPages)});
    std::vector<chm::ContextPage> want = map;
    std::stable_sort(want.begin(), want.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    names.push_back("/#IVB");
    for (const char* input : {"t.chm", "fixed.chm"}) {
        const std::string old_strings = text_of(sys::read_chm_files(dir / input, {"/#STRINGS"}).files.at("/#STRINGS"));
        const chm::FixedMap fixed = chm::fix_context_map(read_file(dir / input), std::vector<uint8_t>(old_strings.begin(),
                                                         old_strings.end()), map);
        ASSERT_EQ(fixed.problem, "");
        write_file(dir / "fixed.chm", fixed.bytes);
        const sys::ChmFiles after = sys::read_chm_files(dir / "fixed.chm", names);
        ASSERT_EQ(after.files.size(), names.size());
        for (const auto& [name, bytes] : before.files) EXPECT_TRUE(name == "/#STRINGS" || after.files.at(name) == bytes) << name;
        const std::string strings = text_of(after.files.at("/#STRINGS"));
        EXPECT_EQ(strings.substr(0, old_strings.size()), old_strings);
        std::vector<chm::ContextPage> read = chm::read_context_map(after.files.at("/#IVB"), after.files.at("/#STRINGS"));
        ASSERT_EQ(read.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(read[i].number == want[i].number && read[i].page == want[i].page) << i;
        for (size_t at = old_strings.size(), end; at < strings.size(); at = end + 1) {
            end = strings.find('\0', at);
            ASSERT_NE(end, std::string::npos);
            EXPECT_TRUE(end == at || at / 4096 == end / 4096) << "the string at " << at;
        }
    }

    // Damaged files are refused with a reason, never read past their end:
    // the compiled file cut short anywhere, and every byte of its headers
    // and of its first directory chunk changed.
    const std::vector<uint8_t> compiled = read_file(dir / "t.chm"), strings(1, 0);
    const std::vector<chm::ContextPage> one = {{1, "page001.html"}};
    ASSERT_EQ(chm::fix_context_map(compiled, strings, one).problem, "");
    for (size_t size = 0; size < compiled.size(); size += size < 0x200 ? 1 : 997) {
        EXPECT_NE(chm::fix_context_map(std::span<const uint8_t>(compiled.data(), size), strings, one).problem, "") << size;
    }
    const size_t directory = static_cast<size_t>(ByteReader::le32(compiled.data() + 0x48));
    size_t changed = 0, refused = 0;
    for (size_t at = 0; at < directory + 0x54 + 4096; at += at < directory + 0x54 + 512 ? 1 : 61, ++changed) {
        std::vector<uint8_t> damaged = compiled;
        damaged[at] ^= 0xA5;
        const chm::FixedMap fixed = chm::fix_context_map(damaged, strings, one);
        refused += !fixed.problem.empty();
        EXPECT_TRUE(fixed.problem.empty() != fixed.bytes.empty()) << at;
    }
    // The fixed fields of the headers are checked: most changes there are seen.
    EXPECT_TRUE(refused > 0 && refused < changed) << refused << " of " << changed;
}

// UTF-8 back into a code page: every character the table has gives bytes
// that read as it again (the first of several sequences for one
// character); the others become '?' or a character reference.
TEST(CodePageEncoder, EveryCharacterOfTheCodePageRoundTrips) {
    text::Utf8Converter utf8;
    for (int code_page : {1252, 932, 1251}) {
        const text::CodePageEncoder encoder(code_page);
        const sys::CodePageTable* table = text::shared_code_page_table(code_page);
        ASSERT_NE(table, nullptr);
        size_t characters = 0;
        auto round_trip = [&](const std::string& bytes) {
            const std::string text = utf8.convert(bytes, code_page);
            const std::string back = encoder.encode(text, text::CodePageEncoder::Missing::question_mark);
            EXPECT_EQ(utf8.convert(back, code_page), text) << code_page;
            ++characters;
        };
        for (int b = 1; b < 256; ++b) {
            const char32_t c = table->bytes[static_cast<size_t>(b)];
            if (c == sys::CodePageTable::kLeadByte) {
                for (int t = 0x40; t < 0x100; ++t) {
                    if (table->pair(static_cast<uint8_t>(b), static_cast<uint8_t>(t)) != sys::CodePageTable::kUndefined) {
                        round_trip(std::string{static_cast<char>(b), static_cast<char>(t)});
                    }
                }
            } else if (c != sys::CodePageTable::kUndefined) {
                round_trip(std::string(1, static_cast<char>(b)));
            }
        }
        EXPECT_GT(characters, code_page == 932 ? 7000u : 200u);
    }
    const text::CodePageEncoder western(1252);
    EXPECT_EQ(western.encode("caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5", text::CodePageEncoder::Missing::question_mark),
              "caf\xE9 \x80 ?");
    EXPECT_EQ(western.encode("\xE6\x97\xA5\xFF", text::CodePageEncoder::Missing::reference), "&#26085;&#65533;");
    EXPECT_EQ(text::CodePageEncoder(932).encode("\xE6\x97\xA5", text::CodePageEncoder::Missing::reference), "\x93\xFA");
}

// The language: the locale record when its code page is the text's, else
// the language of the text's code page; a code page of no language keeps
// the locale.
TEST(HtmlHelpProject, LanguageFollowsTheTextsCodePage) {
    struct Case {
        int code_page;
        uint16_t locale, lcid;
        int chm_code_page;
        const char* charset;
    } cases[] = {
        {932, 0x0409, 0x0411, 932, "shift_jis"}, {1252, 0x0407, 0x0407, 1252, "windows-1252"},
        {1251, 0x0409, 0x0419, 1251, "windows-1251"}, {1252, 0x0411, 0x0409, 1252, "windows-1252"},
        {437, 0x040C, 0x040C, 1252, "windows-1252"}, {437, 0, 0x0409, 1252, "windows-1252"},
        {950, 0x0C04, 0x0C04, 950, "big5"}, {936, 0x0404, 0x0804, 936, "gb2312"},
    };
    for (const Case& c : cases) {
        const chm::Language l = chm::help_file_language(c.code_page, c.locale);
        EXPECT_EQ(l.lcid, c.lcid) << c.code_page << " " << c.locale;
        EXPECT_EQ(l.code_page, c.chm_code_page) << c.code_page;
        EXPECT_EQ(l.charset, c.charset);
    }
    EXPECT_EQ(chm::language_option(0x411), "0x411 Japanese");
    EXPECT_EQ(chm::language_option(0x0C04), "0xc04 Chinese (Traditional)");
    EXPECT_EQ(chm::language_option(0x0437), "0x437");
}

// Whatever a help file names, each file of the project reads it as a value:
// no new line, section, field or element, no markup in the pages' style.
TEST(HtmlHelpProject, HostileNamesStayValues) {
    const chm::ProjectText western(1252), japanese(932);
    EXPECT_EQ(western.line("[MAP]\r\n#include /etc/passwd"), "(MAP]  #include /etc/passwd");
    EXPECT_EQ(western.line(" \x01[x] = y"), "(x] = y");
    EXPECT_EQ(western.quoted("a \"b\",c"), "a 'b',c");
    EXPECT_EQ(western.attribute("\"><script>&amp; \xE6\x97\xA5"),
              "&quot;&gt;&lt;script&gt;&amp;amp; &#26085;");
    EXPECT_EQ(japanese.attribute("\xE6\x97\xA5 \xC3\xA9"), "\x93\xFA &#233;");

    chm::Project project;
    project.key = "k";
    project.compiled_file = "../k.chm";
    project.title = "Title=\"x\"\n[FILES]";
    project.default_topic = "a.html";
    project.language = chm::help_file_language(1252, 0x409);
    WindowDefinition main, second, nameless;
    main.flags = kWindowName | kWindowCaption | kWindowX | kWindowWidth | kWindowHeight;
    main.name = "Main";
    main.caption = "Cap\",\"tion";
    main.x = 900;
    main.width = 600;
    main.height = 512;
    second.flags = kWindowName | kWindowMaximize;
    second.name = "pro;c=";
    second.maximize = 1;
    nameless.flags = kWindowCaption;
    project.windows = {main, second, nameless};
    project.files = {"a.html", "files/x y.wav"};
    project.aliases = {{"IDH_A", 5, "a.html#c-b"}};
    const std::string with_map = chm::project_file(project, western);
    project.map = false;
    const std::string without = chm::project_file(project, western);
    EXPECT_NE(with_map.find("\nTitle=Title=\"x\" [FILES]\n"), std::string::npos) << with_map;
    // The other windows first, then main (xchm takes the last), moved left
    // to stay on a 1,024-pixel screen with its navigation pane.
    const size_t proc = with_map.find("\nproc=\"\","), main_line = with_map.find("\nmain=\"Cap','tion\",");
    ASSERT_NE(proc, std::string::npos) << with_map;
    ASSERT_NE(main_line, std::string::npos) << with_map;
    EXPECT_LT(proc, main_line);
    EXPECT_NE(with_map.find("[0,0,1024,768]"), std::string::npos);
    EXPECT_NE(with_map.find("[174,60,1024,444]"), std::string::npos) << with_map;
    EXPECT_NE(with_map.find("\n[ALIAS]\nIDH_A=a.html#c-b\n\n[MAP]\n#include k.h\n"), std::string::npos);
    EXPECT_EQ(without.find("[ALIAS]"), std::string::npos);
    EXPECT_EQ(without.find("[MAP]"), std::string::npos);
    int sections = 0;
    for (size_t at = 0; (at = with_map.find("\n[", at)) != std::string::npos; ++at) ++sections;
    EXPECT_EQ(sections, 4);  // [WINDOWS], [FILES], [ALIAS], [MAP]
}

// Context names become map names the header and [ALIAS] both take.
TEST(HtmlHelpProject, MapNamesAreSafeAndUnique) {
    TempDir dir;
    write_file(dir / "n.but", "\\title T\n\n\\C{one} One\n\nText.\n\n\\C{two} Two\n\nText.\n\n");
    ASSERT_EQ(run_program({find_program("halibut"), "--winhelp=N.HLP", "n.but"}, dir.path()).exit_code, 0);
    ConversionOptions options;
    options.kind = OutputKind::html_help;
    Reporter report;
    ReadHelp help = read_help(HelpInput{dir / "N.HLP", {}}, options, report);
    TopicMapOptions map_options;
    const TopicMap map(*help.model, MapPictures{}, map_options, report);
    ASSERT_TRUE(map.topics().size() >= 2 && !map.topics()[0].context_ids.empty() && !map.topics()[1].context_ids.empty());
    const std::string first = map.topics()[0].context_ids[0], second = map.topics()[1].context_ids[0];
    const std::vector<MapEntry> entries = {{first, 10}, {second, 10}, {first, 11}, {"nowhere", 12}, {second, -3}};
    const std::vector<chm::ContextAlias> aliases = chm::context_aliases(entries, map);
    ASSERT_EQ(aliases.size(), 3u);
    std::set<std::string> names;
    for (const chm::ContextAlias& a : aliases) {
        EXPECT_EQ(a.name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_"),
                  std::string::npos);
        EXPECT_TRUE(names.insert(lower(a.name)).second) << a.name;
    }
    EXPECT_EQ(aliases[0].number, 10);
    EXPECT_EQ(aliases[0].page, map.topics()[0].page);
    EXPECT_EQ(aliases[2].number, -3);
    EXPECT_NE(chm::map_header(aliases).find(format("#define %s -3\n", aliases[2].name)), std::string::npos);
}

// The style for IE 11 states the custom properties' values, only those
// that are lengths or colours, inside the media query IE alone matches.
TEST(HtmlHelpPages, StyleForInternetExplorerStatesTheValues) {
    const std::vector<std::string> paragraphs = {"text-align:center;",
                                                 "--lh:12pt;--tabs: 720 1440r;--hang:18pt;",
                                                 "--lh:max(12pt, 1.15em);--tabs: 1}body{x;"};
    const std::string windows = ".w0 { --bg: #ffffe0; --band: #c0c0c0; }\n.w2 { --width: 600px; }\n.w3 { --bg: red} x{ }\n";
    const std::string css = chm::ie_style_rules(paragraphs, windows);
    EXPECT_EQ(css.rfind("@media all and (-ms-high-contrast: none), (-ms-high-contrast: active) {\n", 0), 0u);
    for (const char* rule : {".w0 { background-color: #ffffe0; }", ".w0 header.nonscroll { background-color: #c0c0c0; }",
                             "div.window.w2 { max-width: 600px; }", ".p2, .p2 * { line-height: 12pt; }",
                             ".p2 span.hang { min-width: 18pt; }"}) {
        EXPECT_NE(css.find(rule), std::string::npos) << rule << "\n" << css;
    }
    EXPECT_EQ(css.find(".p3"), std::string::npos);
    EXPECT_EQ(css.find(".w3"), std::string::npos);
    EXPECT_EQ(std::count(css.begin(), css.end(), '{'), std::count(css.begin(), css.end(), '}'));
    EXPECT_EQ(chm::tab_stops_script(paragraphs), "window.korvaneTabs = {\"p2\": \"720 1440r\"};\n");
    EXPECT_EQ(chm::tab_stops_script({"text-align:center;"}), "");
}

// The compiler decodes no character reference: page titles keep their
// quotes, '>' and an '&' that starts none; apostrophes stay text in pages.
TEST(HtmlHelpPages, FewReferencesForTheCompiler) {
    html::PageOptions options;
    options.few_references = true;
    const std::string head = html::page_head("en", "What's \"new\" &amp; R&D <more> x & y", options);
    EXPECT_NE(head.find("<title>What's \"new\" &amp;amp; R&amp;D &lt;more> x & y</title>"), std::string::npos) << head;
    EXPECT_NE(html::page_head("en", "It's", html::PageOptions{}).find("<title>It&#39;s</title>"), std::string::npos);
    MemorySink sink;
    const html::SiteFiles files(sink, "s/", options);
    files.write_page("p.html", "<p title=\"don&#39;t\">don&#39;t &amp;#39;</p>");
    const std::vector<uint8_t> page = sink.files().at("s/p.html");
    EXPECT_EQ(std::string(page.begin(), page.end()), "<p title=\"don't\">don't &amp;#39;</p>");
}

// While chmcmd runs the platform's events are handled, and a Cancel ends
// it at once: the conversion stops as cancelled, no CHM is left.
#ifndef _WIN32  // a shell script stands in for the compiler
TEST(HtmlHelpProject, CancelEndsTheCompiler) {
    struct Cancelling : Platform {
        bool compiling = false;
        int pumped = 0;  // while compiling
        void show_fatal(std::string_view, std::string_view) override {}
        void open_progress() override {}
        void set_phase(std::string_view text) override { compiling = text == "Compiling the HTML Help File"; }
        void set_percent(int) override {}
        void add_warning_line(std::string_view) override {}
        void repeat_warning(size_t, std::string_view, unsigned long) override {}
        void pump_events() override { pumped += compiling; }
        bool stop_requested() override { return pumped > 5; }  // once the compiler has been waited for a while
    } platform;
    TempDir dir;
    std::filesystem::create_directory(dir / "bin");
    write_file(dir / "bin/chmcmd", "#!/bin/sh\nexec /bin/sleep 60\n");
    std::filesystem::permissions(dir / "bin/chmcmd", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir / "bin").c_str(), 1);
    DiskSink output(dir.path());
    ConversionOptions options;
    options.kind = OutputKind::html_help;
    const auto started = std::chrono::steady_clock::now();
    std::optional<ConversionError> error =
        convert(HelpInput{KORVANE_CORPUS_DIR "/statlist/StatList.hlp", {}}, options, output, platform);
    setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->id, Fatal::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_TRUE(!file_exists(dir / "statlist.chm") && !file_exists(dir / "statlist-chm/chmcmd.chm") &&
                file_exists(dir / "statlist-chm/statlist.hhp"));
}
#endif
