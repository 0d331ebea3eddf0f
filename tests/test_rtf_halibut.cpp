// SPDX-License-Identifier: MIT
// End to end on help files that halibut writes: the text of every
// paragraph comes out in order, and every cross reference becomes a jump to
// the context id of the topic it names.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "driver/convert.h"
#include "helpfile/helpfile.h"
#include "support/test_util.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct Paragraph {
    std::string markup;  // as written for halibut
    std::string text;    // as it reads, cross references left out
    bool has_links = false;
};

// Three chapters with sections, enough text for several topic blocks, and
// cross references both ways.
std::vector<Paragraph> paragraphs() {
    std::vector<Paragraph> p;
    for (int i = 0; i < 40; ++i) {
        std::string s = "Paragraph " + std::to_string(i) + " of the introduction says";
        for (int w = 0; w <= i % 9; ++w) s += " word" + std::to_string(i * 10 + w);
        p.push_back({s + " and ends here.", s + " and ends here."});
    }
    p.push_back({"See \\k{second} and also \\k{third} for more.", "See and also for more.", true});
    p.push_back({"Braces \\{like these\\} and a back\\\\slash stay.", "Braces {like these} and a back\\slash stay."});
    p.push_back({"Some \\e{emphasised} and \\c{coded} words.", "Some emphasised and coded words."});
    p.push_back({"Back to \\k{intro} from here.", "Back to from here.", true});
    return p;
}

// The RTF files that the conversion of halibut's help file for the
// document wrote into dir.
std::vector<std::string> convert_document(const TempDir& dir, const std::vector<Paragraph>& p, int flags) {
    std::string m = "\\title Round trip\n\n\\C{intro} Introduction\n\n";
    for (size_t i = 0; i < 41; ++i) m += p[i].markup + "\n\n";
    m += "\\H{second} Second part\n\n" + p[41].markup + "\n\n\\b First bullet item\n\n\\b Second bullet item\n\n";
    m += "\\S{third} Third part\n\n" + p[42].markup + "\n\n\\C{last} Last chapter\n\n" + p[43].markup + "\n\n";
    write_file(dir / "doc.but", m);
    RunResult h = run_program({find_program("halibut"), "--winhelp=doc.hlp", "doc.but"}, dir.path());
    EXPECT_EQ(h.exit_code, 0) << h.err;
    std::vector<std::string> contents;
    if (!file_exists(dir / "doc.hlp")) return contents;
    {
        WorkingDirectory cwd(dir.path());
        EXPECT_FALSE(convert_file("doc.hlp", flags));
    }
    for (const std::string& name : names_in(dir.path())) {
        if (name.ends_with(".RTF")) contents.push_back(read_text(dir / name));
    }
    return contents;
}

// Runs of white space become one blank; none at either end.
std::string squeeze(const std::string& s) { return trim(std::regex_replace(s, std::regex("\\s+"), " ")); }

// The texts between each occurrence of open and the next close.
std::vector<std::string> between(const std::string& s, const std::string& open, const std::string& close) {
    std::vector<std::string> out;
    for (size_t at = s.find(open); at != std::string::npos; at = s.find(open, at)) {
        at += open.size();
        size_t end = s.find(close, at);
        if (end == std::string::npos) break;
        out.push_back(s.substr(at, end - at));
    }
    return out;
}

}  // namespace

TEST(RtfHalibut, EveryParagraphInOrderAndEveryCrossReferenceToItsTopic) {
    ASSERT_FALSE(find_program("halibut").empty() || find_program("unrtf").empty())
        << "needs halibut and unrtf (tools/install-deps.sh test installs them)";
    TempDir dir;
    std::vector<Paragraph> doc = paragraphs();
    std::vector<std::string> contents = convert_document(dir, doc, CVF_TWO_PASS | CVF_PAGE_BREAK | CVF_JUMPS);
    ASSERT_FALSE(contents.empty());

    // The text as unrtf reads it, paragraph by paragraph; around cross
    // references, word by word.
    std::string text;
    for (std::string rtf : contents) {
        // unrtf takes an escaped backslash followed by a line break for a
        // backslash and "\<line break>" (a paragraph mark); the line breaks
        // the writer adds carry no meaning, so leave those out for it.
        for (size_t at = rtf.find("\\\\\r\n"); at != std::string::npos; at = rtf.find("\\\\\r\n", at)) {
            rtf.erase(at + 2, 2);
        }
        write_file(dir / "plain.rtf", rtf);
        RunResult u = run_program({find_program("unrtf"), "--text", "plain.rtf"}, dir.path());
        ASSERT_EQ(u.exit_code, 0) << u.err;
        // unrtf reads one font from a font table without semicolons and
        // notes every other font number in its text.
        text += squeeze(std::regex_replace(u.out, std::regex("### invalid font number [0-9]*"), "")) + " ";
    }
    size_t at = 0;
    for (const Paragraph& p : doc) {
        std::vector<std::string> pieces{p.text};
        if (p.has_links) {
            std::istringstream words(p.text);
            pieces.assign(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
        }
        for (const std::string& piece : pieces) {
            size_t found = text.find(piece, at);
            ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece;
            at = found + piece.size();
        }
    }
    for (const char* heading : {"Introduction", "Second part", "First bullet item", "Second bullet item",
                                "Third part", "Last chapter"}) {
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    }

    // Each topic's title with its context ids, and every jump: visible text, target.
    std::map<std::string, std::set<std::string>> ids_of_title;
    std::vector<std::pair<std::string, std::string>> jumps;
    for (const std::string& content : contents) {
        std::string all = content;
        std::erase(all, '\r');
        std::erase(all, '\n');
        for (size_t start = 0, end = 0; start < all.size(); start = end + 1) {
            end = std::min(all.find("\\page\\pard", start), all.size());
            std::string topic = all.substr(start, end - start);
            std::vector<std::string> titles = between(topic, "{${\\footnote{$}", "}}");
            for (const std::string& name : between(topic, "{#{\\footnote{#}", "}}")) {
                if (!titles.empty()) ids_of_title[lower(titles[0])].insert(name);
            }
            for (const std::string& hotspot : between(topic, "\\strike ", "}")) {
                size_t v = hotspot.find("\\strike0\\ul0{\\v ");
                if (v == std::string::npos) continue;
                jumps.emplace_back(lower(squeeze(rtf_text(hotspot.substr(0, v)))),
                                   hotspot.substr(v + 16));
            }
        }
    }
    // Three cross references and the contents' entries for the chapters and sections.
    ASSERT_GE(jumps.size(), 3u);
    size_t references = 0;
    for (const auto& [visible, target] : jumps) {
        const std::set<std::string>* ids = nullptr;
        for (const auto& [title, names] : ids_of_title) {
            // A reference reads "section 1.1"; the title "Section 1.1: Second part".
            if (title == visible || title.rfind(visible + ":", 0) == 0) ids = &names;
        }
        ASSERT_NE(ids, nullptr) << "no topic titled " << visible;
        EXPECT_TRUE(ids->count(target)) << visible << " jumps to " << target;
        references += visible.find(':') == std::string::npos;
    }
    EXPECT_EQ(references, 3u);
}
