// End to end on help files that halibut writes: the text of every
// paragraph comes out in order, and every cross reference becomes a jump to
// the context id of the topic it names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <map>
#include <set>
#include <sstream>

#include "driver/convert.h"
#include "helpfile/helpfile.h"
#include "support/rtf_builder.h"
#include "support/rtf_topics.h"

using namespace korvane;
using namespace korvane::test;

namespace {

// Full path of a program on PATH, or "".
std::string find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t at = 0;
    while (at <= dirs.size()) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(at, end - at) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        at = end + 1;
    }
    return "";
}

struct Paragraph {
    std::string markup;  // as written for halibut
    std::string text;    // as it reads, cross references left out
    bool has_links = false;
};

// A document of three chapters with sections, enough text for several
// topic blocks, and cross references both ways.
std::vector<Paragraph> document_paragraphs() {
    std::vector<Paragraph> p;
    auto plain = [&](const std::string& markup, const std::string& text) { p.push_back({markup, text, false}); };
    auto linked = [&](const std::string& markup, const std::string& text) { p.push_back({markup, text, true}); };
    for (int i = 0; i < 40; ++i) {
        std::string words;
        for (int w = 0; w <= i % 9; ++w) words += " word" + std::to_string(i * 10 + w);
        plain("Paragraph " + std::to_string(i) + " of the introduction says" + words + " and ends here.",
              "Paragraph " + std::to_string(i) + " of the introduction says" + words + " and ends here.");
    }
    linked("See \\k{second} and also \\k{third} for more.", "See and also for more.");
    plain("Braces \\{like these\\} and a back\\\\slash stay.", "Braces {like these} and a back\\slash stay.");
    plain("Some \\e{emphasised} and \\c{coded} words.", "Some emphasised and coded words.");
    linked("Back to \\k{intro} from here.", "Back to from here.");
    return p;
}

std::string document_markup(const std::vector<Paragraph>& p) {
    std::string m = "\\title Round trip\n\n\\C{intro} Introduction\n\n";
    for (size_t i = 0; i < 41; ++i) m += p[i].markup + "\n\n";
    m += "\\H{second} Second part\n\n" + p[41].markup + "\n\n\\b First bullet item\n\n\\b Second bullet item\n\n";
    m += "\\S{third} Third part\n\n" + p[42].markup + "\n\n";
    m += "\\C{last} Last chapter\n\n" + p[43].markup + "\n\n";
    return m;
}

std::string squeeze(const std::string& s) {
    std::string out;
    bool space = false;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !out.empty()) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The texts between each occurrence of open and the next close.
std::vector<std::string> between(const std::string& s, const std::string& open, const std::string& close) {
    std::vector<std::string> out;
    for (size_t at = s.find(open); at != std::string::npos; at = s.find(open, at)) {
        at += open.size();
        size_t end = s.find(close, at);
        if (end == std::string::npos) break;
        out.push_back(s.substr(at, end - at));
        at = end + close.size();
    }
    return out;
}

// Text without RTF control words.
std::string without_control_words(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[i + 1]))) {
            ++i;
            while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
            if (i < s.size() && s[i] == '-') ++i;
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
            if (i < s.size() && s[i] != ' ') --i;
            continue;
        }
        out += s[i];
    }
    return out;
}

struct Converted {
    std::vector<std::string> files, contents;
    std::string dir_text;  // unrtf --text of every file, squeezed
};

Converted convert_markup(const std::string& markup, const TempDir& dir, int flags) {
    Converted c;
    write_file(dir / "doc.but", std::vector<uint8_t>(markup.begin(), markup.end()));
    RunResult h = run_program({find_program("halibut"), "--winhelp=doc.hlp", "doc.but"}, dir.path());
    EXPECT_EQ(h.exit_code, 0) << h.err;
    // A failed conversion would end the test process.
    if (!file_exists(dir / "doc.hlp")) return c;
    {
        WorkingDirectory cwd(dir.path());
        convert_help_file("doc.hlp", flags);
    }
    std::string project = read_text(dir / "doc.HPJ");
    size_t files = project.find("[Files]");
    if (files == std::string::npos) return c;
    std::istringstream lines(project.substr(files + 7));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 4 || line.compare(line.size() - 4, 4, ".RTF") != 0) continue;
        c.files.push_back(line);
        c.contents.push_back(read_text(dir / line));
    }
    return c;
}

}  // namespace

TEST(RtfHalibut, EveryParagraphInOrder) {
    if (find_program("halibut").empty()) GTEST_SKIP() << "halibut is not installed";
    if (find_program("unrtf").empty()) GTEST_SKIP() << "unrtf is not installed";
    TempDir dir;
    std::vector<Paragraph> paragraphs = document_paragraphs();
    Converted c = convert_markup(document_markup(paragraphs), dir, CVF_TWO_PASS | CVF_PAGE_BREAK);
    ASSERT_FALSE(c.files.empty());
    std::string text;
    for (const auto& f : c.files) {
        std::string rtf = read_text(dir / f);
        EXPECT_TRUE(balanced_rtf(rtf)) << f;
        // unrtf takes an escaped backslash followed by a line break for a
        // backslash and "\<line break>" (a paragraph mark); the line breaks
        // the writer adds carry no meaning, so leave those out for it.
        for (size_t at = rtf.find("\\\\\r\n"); at != std::string::npos; at = rtf.find("\\\\\r\n", at)) {
            rtf.erase(at + 2, 2);
        }
        write_file(dir / "plain.rtf", std::vector<uint8_t>(rtf.begin(), rtf.end()));
        RunResult u = run_program({find_program("unrtf"), "--text", "plain.rtf"}, dir.path());
        ASSERT_EQ(u.exit_code, 0) << u.err;
        // unrtf reads one font from a font table without semicolons and
        // notes every other font number in its text.
        std::string out = u.out;
        const std::string note = "### invalid font number ";
        for (size_t at = out.find(note); at != std::string::npos; at = out.find(note, at)) {
            size_t end = at + note.size();
            while (end < out.size() && std::isdigit(static_cast<unsigned char>(out[end]))) ++end;
            out.erase(at, end - at);
        }
        text += squeeze(out) + " ";
    }
    size_t at = 0;
    for (const Paragraph& p : paragraphs) {
        if (!p.has_links) {
            size_t found = text.find(p.text, at);
            ASSERT_NE(found, std::string::npos) << "missing or out of order: " << p.text;
            at = found + p.text.size();
            continue;
        }
        // Around cross references, each word in order.
        std::istringstream words(p.text);
        for (std::string w; words >> w;) {
            size_t found = text.find(w, at);
            ASSERT_NE(found, std::string::npos) << "missing or out of order: " << w << " of " << p.text;
            at = found + w.size();
        }
    }
    for (const char* heading : {"Introduction", "Second part", "First bullet item", "Second bullet item",
                                "Third part", "Last chapter"}) {
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    }
}

TEST(RtfHalibut, CrossReferencesJumpToTheirTopicsContextIds) {
    if (find_program("halibut").empty()) GTEST_SKIP() << "halibut is not installed";
    TempDir dir;
    std::vector<Paragraph> paragraphs = document_paragraphs();
    Converted c = convert_markup(document_markup(paragraphs), dir, CVF_TWO_PASS | CVF_PAGE_BREAK | CVF_JUMPS);
    ASSERT_FALSE(c.files.empty());

    // Topics: each one's title and context ids.
    std::map<std::string, std::set<std::string>> ids_of_title;
    std::vector<std::pair<std::string, std::string>> jumps;  // visible text, target
    for (const std::string& content : c.contents) {
        std::string all = flat(content);
        size_t start = 0;
        while (start < all.size()) {
            size_t end = all.find("\\page\\pard", start);
            if (end == std::string::npos) end = all.size();
            std::string topic = all.substr(start, end - start);
            std::vector<std::string> titles = between(topic, "{${\\footnote{$}", "}}");
            if (!titles.empty()) {
                for (const std::string& name : between(topic, "{#{\\footnote{#}", "}}")) {
                    ids_of_title[lower(titles[0])].insert(name);
                }
            }
            for (const std::string& hotspot : between(topic, "\\strike ", "}")) {
                size_t v = hotspot.find("\\strike0\\ul0{\\v ");
                if (v == std::string::npos) continue;
                jumps.emplace_back(lower(squeeze(without_control_words(hotspot.substr(0, v)))), hotspot.substr(v + 16));
            }
            start = end + 1;
        }
    }
    // Three cross references and the contents' entries for the chapters and sections.
    ASSERT_GE(jumps.size(), 3u);
    size_t references = 0;
    for (const auto& [visible, target] : jumps) {
        EXPECT_FALSE(target.empty()) << visible;
        const std::set<std::string>* ids = nullptr;
        for (const auto& [t, names] : ids_of_title) {
            // A reference reads "section 1.1"; the title "Section 1.1: Second part".
            if (t == visible || t.rfind(visible + ":", 0) == 0) ids = &names;
        }
        ASSERT_NE(ids, nullptr) << "no topic titled " << visible;
        EXPECT_TRUE(ids->count(target)) << visible << " jumps to " << target;
        if (visible.find(':') == std::string::npos) ++references;
    }
    EXPECT_EQ(references, 3u);
}
