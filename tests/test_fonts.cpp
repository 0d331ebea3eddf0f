// SPDX-License-Identifier: MIT
// The decoded |FONT against what the authors wrote: every face, size,
// colour and attribute of a descriptor is one their RTF sources use. (The
// RTF tables built from it are held by the snapshots.)
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "driver/convert.h"
#include "rtf/fonts.h"
#include "support/test_util.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const std::string kCorpus = KORVANE_CORPUS_DIR;

// The values of every match of pattern's first group in text.
std::set<std::string> matches(const std::string& text, const std::string& pattern) {
    std::set<std::string> found;
    std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
        found.insert((*it)[1]);
    }
    return found;
}

}  // namespace

TEST(Fonts, DescriptorsHoldWhatTheAuthorsSourcesUse) {
    const std::pair<const char*, const char*> files[] = {
        {"msgdlg/PJMessageDialog.hlp", "msgdlg/PJMessageDialog.rtf"},
        {"msgdlg/MainForm.hlp", "msgdlg/MainForm.rtf"},
        {"verinfo/verinfo.hlp", "verinfo/verinfo.rtf"},
    };
    for (const auto& [help_file, source_file] : files) {
        Reporter help_report;
        HelpFile help = open_input_file(kCorpus + "/" + help_file, help_report);
        std::string source = read_text(kCorpus + "/" + source_file);
        std::set<std::string> faces = matches(source, R"(\\f\d+\\f[a-z]+ (?:\\fcharset\d+ )?([^;]+);)");
        std::set<std::string> sizes = matches(source, R"(\\fs(\d+))");
        std::set<std::string> colours = matches(source, R"((\\red\d+\\green\d+\\blue\d+);)");
        const FontTable fonts = read_font_table(help);
        ASSERT_FALSE(fonts.descriptors.empty()) << help_file;
        EXPECT_FALSE(fonts.long_descriptors);
        for (const FontDescriptor& f : fonts.descriptors) {
            std::string where = std::string(help_file) + " " + f.face + " " + std::to_string(f.half_points);
            // The compiler adds one empty descriptor for its own use, and
            // older compilers swap faces for those they know (Helv).
            if (f.half_points == 0 || f.face == "Helv") continue;
            EXPECT_TRUE(faces.count(f.face)) << where;
            EXPECT_TRUE(sizes.count(std::to_string(f.half_points))) << where;
            std::string colour = "\\red" + std::to_string(f.text_colour.red) + "\\green" +
                                 std::to_string(f.text_colour.green) + "\\blue" + std::to_string(f.text_colour.blue);
            // 01 01 00 is what these compilers store for text of no colour.
            if (!(f.text_colour == RgbColour{1, 1, 0})) {
                EXPECT_TRUE(colours.count(colour)) << where << colour;
            }
            for (const auto& [set, word] : {std::pair{f.bold, "\\b"}, {f.italic, "\\i"}, {f.underline, "\\ul"}}) {
                if (set) {
                    EXPECT_TRUE(std::regex_search(source, std::regex("\\" + std::string(word) + "(?![a-z])")))
                        << where << word;
                }
            }
        }
    }
}
