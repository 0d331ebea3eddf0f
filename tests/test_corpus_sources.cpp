// SPDX-License-Identifier: MIT
// What Korvane writes for real help files, held against the sources their
// authors wrote: the RTF topics (titles, keywords, context ids, jumps, text,
// tab stops) and the project file (title, [CONFIG], [MAP], windows).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "support/test_util.h"
#include "topics/context_hash.h"

using korvane::context_hash;
using namespace korvane::test;

namespace {

bool is_letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// An RTF document as a reader sees it: the text, without the font, colour
// and style tables, comments and pictures; the footnotes apart, by their
// mark (the character before the group); and the runs of hidden text, the
// jump targets (word processors may split one over adjacent groups).
struct Reading {
    std::string text;
    std::map<char, std::vector<std::string>> footnotes;
    std::vector<std::string> hidden;
};

Reading read_rtf(std::string_view s) {
    static const std::set<std::string_view> kSkipped = {"fonttbl", "colortbl", "stylesheet", "info", "header",
                                                        "comment", "pict", "*"};
    static const std::set<std::string_view> kBreaks = {"par", "line", "tab", "cell", "row", "page"};
    struct Group {
        bool skipped = false, hidden = false;
        char footnote = 0;  // the mark of the footnote it is part of
    };
    std::vector<Group> groups(1);
    Reading r;
    bool in_hidden_run = false;
    auto put = [&](char c) {
        const Group& g = groups.back();
        if (g.skipped) return;
        if (g.footnote) {
            r.footnotes[g.footnote].back() += c;
        } else if (g.hidden) {
            if (!in_hidden_run) r.hidden.emplace_back();
            r.hidden.back() += c;
        } else {
            r.text += c;
        }
        in_hidden_run = g.hidden && !g.footnote;
    };
    for (size_t i = 0; i < s.size();) {
        char c = s[i++];
        if (c == '{') {
            groups.push_back(groups.back());
        } else if (c == '}') {
            if (groups.size() > 1) groups.pop_back();
        } else if (c == '\\' && i < s.size() && (is_letter(s[i]) || s[i] == '*')) {
            size_t start = i++;
            while (s[start] != '*' && i < s.size() && is_letter(s[i])) ++i;
            std::string_view word = s.substr(start, i - start);
            size_t value = i;
            while (i < s.size() && (s[i] == '-' || is_digit(s[i]))) ++i;
            bool off = i > value && s.substr(value, i - value) == "0";
            if (i < s.size() && s[i] == ' ') ++i;
            Group& g = groups.back();
            if (kSkipped.count(word)) {
                g.skipped = true;
            } else if (word == "footnote" && !g.skipped && !r.text.empty()) {
                g.footnote = r.text.back();
                r.text.pop_back();
                r.footnotes[g.footnote].emplace_back();
            } else if (word == "v") {
                g.hidden = !off;
            } else if (kBreaks.count(word)) {
                put(' ');
            }
        } else if (c == '\\' && i + 2 < s.size() && s[i] == '\'') {
            put(static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16)));
            i += 3;
        } else if (c == '\\' && i < s.size()) {
            put(s[i++]);
        } else if (c != '\r' && c != '\n') {
            put(c);
        }
    }
    for (auto& [mark, texts] : r.footnotes) {
        for (std::string& text : texts) {
            text = trim(text);
            if (!text.empty() && text[0] == mark) text = trim(text.substr(1));  // the mark repeated
        }
    }
    return r;
}

// The context hashes of the jump and popup targets, macros left out.
std::set<uint32_t> jump_hashes(const Reading& r) {
    std::set<uint32_t> out;
    for (std::string target : r.hidden) {
        target = trim(target);
        if (!target.empty() && (target[0] == '%' || target[0] == '*')) target.erase(0, 1);
        if (target.empty() || target[0] == '!') continue;
        out.insert(context_hash(target.substr(0, target.find_first_of(">@"))));
    }
    return out;
}

// The words of the text, lower-cased and kept to their ASCII letters and
// digits, picture references ({bmc name}) dropped.
std::vector<std::string> text_words(const Reading& r) {
    std::string text = lower(std::regex_replace(r.text, std::regex(R"(\{bm[^}]*\})"), " "));
    std::istringstream in(std::regex_replace(text, std::regex(R"([^a-z0-9\s])"), ""));
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::vector<std::string> split_keywords(const std::vector<std::string>& footnotes) {
    std::vector<std::string> out;
    for (const std::string& f : footnotes) {
        std::istringstream in(f);
        for (std::string k; std::getline(in, k, ';');) out.push_back(trim(k));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::multiset<uint32_t> hashes_of(const std::vector<std::string>& names) {
    std::multiset<uint32_t> out;
    for (const std::string& n : names) out.insert(context_hash(n));
    return out;
}

// The RTF files, in order, and the project file that the conversion of hlp
// writes.
std::pair<std::string, std::string> convert(const std::string& hlp) {
    std::string rtf, hpj;
    TempDir dir;
    RunResult r = run_program({KORVANE_CLI_BIN, "-q", hlp}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << hlp << ": " << r.err;
    for (const std::string& name : names_in(dir.path())) {
        if (name.ends_with(".RTF")) rtf += read_text(dir / name);
        if (name.ends_with(".HPJ")) hpj = read_text(dir / name);
    }
    return {rtf, hpj};
}

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

// The values of a window definition after its caption: the parenthesized
// groups, e.g. "(1,2,3,4)", and the plain numbers between them.
std::vector<std::string> groups(const std::string& def) {
    static const std::regex value(R"(\([^)]*\)|\b\d+\b)");
    const size_t quote = def.rfind('"');
    const std::string rest = quote == std::string::npos ? def : def.substr(quote + 1);
    return {std::sregex_token_iterator(rest.begin(), rest.end(), value), std::sregex_token_iterator()};
}

// The [MAP] lines "name=number", "name number" or "#define name number" as
// {hash of the name, number}, sorted: names of the same hash are one.
std::vector<std::pair<uint32_t, long>> map_of(const std::vector<std::string>& lines) {
    static const std::regex entry(R"(^(?:#define\s+)?([^\s=]+)[\s=]+(\d+))");
    std::vector<std::pair<uint32_t, long>> out;
    std::smatch m;
    for (const std::string& line : lines) {
        if (std::regex_search(line, m, entry)) out.emplace_back(context_hash(m[1].str()), std::stol(m[2]));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Kind ('l', 'r', 'c') and position of every \tx, after its \tqr or \tqc.
std::set<std::pair<char, int>> tab_stops(const std::string& rtf) {
    std::set<std::pair<char, int>> found;
    static const std::regex tab(R"((\\tq([rc]))?(\\tl[a-z]+)?\\tx(\d+))");
    for (std::sregex_iterator m(rtf.begin(), rtf.end(), tab), end; m != end; ++m) {
        found.emplace((*m)[2].matched ? (*m)[2].str()[0] : 'l', std::stoi((*m)[4]));
    }
    return found;
}

}  // namespace

// Tab stops are stored in tens of twips, right and centred ones with a type
// byte: each stop written (kind and position) is one the authors set, to
// the stored unit.
TEST(CorpusSources, RtfTopicsAndProjectsMatchTheAuthorsSources) {
    std::string corpus = KORVANE_CORPUS_DIR;
    ASSERT_TRUE(file_exists(corpus)) << "the corpus is missing: " << corpus;
    const struct {
        const char* hlp;
        const char* source;
        const char* project;
        bool same_text;  // PJMessageDialog.rtf has changed since its help file was built
        bool tab_stops;
    } cases[] = {
        {"statlist/StatList.hlp", "statlist/StatList.Rtf", "statlist/StatList.Hpj", true, false},
        {"leakybin/LEAKYBIN.HLP", "leakybin/LeakyBin.Rtf", "leakybin/LeakyBin.Hpj", true, false},
        {"msgdlg/PJMessageDialog.hlp", "msgdlg/PJMessageDialog.rtf", "msgdlg/PJMessageDialog.hpj", false, true},
        {"msgdlg/MainForm.hlp", "msgdlg/MainForm.rtf", "msgdlg/MainForm.hpj", true, false},
        {"msgdlg/DemoHelp1.hlp", "msgdlg/DemoHelp1.rtf", "msgdlg/DemoHelp1.hpj", true, false},
        {"verinfo/verinfo.hlp", "verinfo/verinfo.rtf", "verinfo/verinfo.hpj", true, false},
        {"abbrevia-readme/README.HLP", "abbrevia-readme/ReadMe.rtf", "abbrevia-readme/ReadMe.hpj", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hlp);
        auto [ours, our_project] = convert(corpus + "/" + c.hlp);
        std::string theirs = read_text(corpus + "/" + c.source);
        Reading our_reading = read_rtf(ours), their_reading = read_rtf(theirs);
        EXPECT_EQ(our_reading.footnotes['$'], their_reading.footnotes['$']);
        for (char table : {'K', 'A'}) {
            EXPECT_EQ(split_keywords(our_reading.footnotes[table]), split_keywords(their_reading.footnotes[table]))
                << table;
        }
        EXPECT_EQ(hashes_of(our_reading.footnotes['#']), hashes_of(their_reading.footnotes['#']));
        // Every target the authors jump to, and no other. (Counts may differ:
        // PJMessageDialog.rtf has grown a paragraph since its help file was built.)
        EXPECT_EQ(jump_hashes(our_reading), jump_hashes(their_reading));
        if (c.same_text) {
            std::vector<std::string> words = text_words(our_reading);
            EXPECT_GT(words.size(), 20u);
            EXPECT_EQ(words, text_words(their_reading));
        }
        if (c.tab_stops) {
            std::set<std::pair<char, int>> our_stops = tab_stops(ours), their_stops = tab_stops(theirs);
            EXPECT_GT(our_stops.size(), 3u);
            for (const auto& [kind, at] : our_stops) {
                auto near = their_stops.lower_bound({kind, at - 9});
                EXPECT_TRUE(near != their_stops.end() && near->first == kind && near->second < at + 10)
                    << kind << " stop at " << at << " twips";
            }
        }
        auto our_sections = sections(our_project), their_sections = sections(read_text(corpus + "/" + c.project));
        std::string title = value_of(their_sections["options"], "title");
        if (!title.empty()) {
            EXPECT_EQ(value_of(our_sections["options"], "title"), title);
        }
        EXPECT_EQ(map_of(our_sections["map"]), map_of(their_sections["map"]));
        EXPECT_EQ(our_sections["config"], their_sections["config"]);
        auto& their_windows = their_sections["windows"];
        auto& our_windows = our_sections["windows"];
        ASSERT_EQ(our_windows.size(), their_windows.size());
        for (size_t i = 0; i < their_windows.size(); ++i) {
            size_t a = their_windows[i].find('='), b = our_windows[i].find('=');
            EXPECT_EQ(lower(our_windows[i].substr(0, b)), lower(their_windows[i].substr(0, a)));
            EXPECT_EQ(groups(our_windows[i].substr(b)), groups(their_windows[i].substr(a)));
        }
    }
}
