// SPDX-License-Identifier: MIT
// The project head that Korvane writes for real help files, held against
// the project files their authors wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "support/test_util.h"
#include "topics/context_hash.h"

using namespace korvane::test;

namespace {

// Section name (lower case) → its lines, comments and blank lines dropped.
std::map<std::string, std::vector<std::string>> sections(const std::string& text) {
    std::map<std::string, std::vector<std::string>> out;
    std::istringstream in(text);
    std::string line, current;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            current = lower(line.substr(1, line.size() - 2));
            out[current];
            continue;
        }
        out[current].push_back(line);
    }
    return out;
}

std::string value_of(const std::vector<std::string>& lines, const std::string& key) {
    for (const std::string& l : lines) {
        size_t eq = l.find('=');
        if (eq != std::string::npos && lower(trim(l.substr(0, eq))) == key) return trim(l.substr(eq + 1));
    }
    return "";
}

// The parenthesized groups of a window definition, e.g. "(1,2,3,4)".
std::vector<std::string> groups(const std::string& def) {
    static const std::regex group(R"(\([^)]*\))");
    return {std::sregex_token_iterator(def.begin(), def.end(), group), std::sregex_token_iterator()};
}

// The [MAP] lines "name=number", "name number" or "#define name number" as
// {hash of the name, number}, sorted: names of the same hash are one.
std::vector<std::pair<uint32_t, long>> map_of(const std::vector<std::string>& lines) {
    static const std::regex entry(R"(^(?:#define\s+)?([^\s=]+)[\s=]+(\d+))");
    std::vector<std::pair<uint32_t, long>> out;
    std::smatch m;
    for (const std::string& line : lines) {
        if (std::regex_search(line, m, entry)) out.emplace_back(korvane::context_hash(m[1].str()), std::stol(m[2]));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(CorpusProject, TitleConfigAndWindowsMatchTheAuthorsProjects) {
    std::string corpus = KORVANE_CORPUS_DIR;
    ASSERT_TRUE(file_exists(corpus)) << "the corpus is missing: " << corpus;
    const std::pair<const char*, const char*> cases[] = {
        {"abbrevia-readme/README.HLP", "abbrevia-readme/ReadMe.hpj"},
        {"msgdlg/PJMessageDialog.hlp", "msgdlg/PJMessageDialog.hpj"},
        {"verinfo/verinfo.hlp", "verinfo/verinfo.hpj"},
        {"leakybin/LEAKYBIN.HLP", "leakybin/LeakyBin.Hpj"},
        {"statlist/StatList.hlp", "statlist/StatList.Hpj"},
        {"msgdlg/DemoHelp1.hlp", "msgdlg/DemoHelp1.hpj"},
        {"msgdlg/MainForm.hlp", "msgdlg/MainForm.hpj"},
    };
    for (const auto& [hlp, hpj] : cases) {
        SCOPED_TRACE(hlp);
        TempDir dir;
        RunResult r = run_program({KORVANE_CLI_BIN, "-q", "-C", dir.path(), corpus + "/" + hlp}, dir.path());
        ASSERT_EQ(r.exit_code, 0) << r.err;
        auto ours = sections(read_text(dir / (std::filesystem::path(hlp).stem().string() + ".HPJ")));
        auto theirs = sections(read_text(corpus + "/" + hpj));

        std::string title = value_of(theirs["options"], "title");
        if (!title.empty()) {
            EXPECT_EQ(value_of(ours["options"], "title"), title);
        }
        EXPECT_EQ(map_of(ours["map"]), map_of(theirs["map"]));
        EXPECT_EQ(ours["config"], theirs["config"]);

        auto& their_windows = theirs["windows"];
        auto& our_windows = ours["windows"];
        ASSERT_EQ(our_windows.size(), their_windows.size());
        for (size_t i = 0; i < their_windows.size(); ++i) {
            size_t a = their_windows[i].find('='), b = our_windows[i].find('=');
            EXPECT_EQ(lower(our_windows[i].substr(0, b)), lower(their_windows[i].substr(0, a)));
            EXPECT_EQ(groups(our_windows[i].substr(b)), groups(their_windows[i].substr(a)));
        }
    }
}
