// SPDX-License-Identifier: MIT
// The RTF that Korvane writes for real help files, held against the RTF
// sources their authors wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "support/test_util.h"
#include "topics/context_hash.h"

using korvane::context_hash;
using namespace korvane::test;

namespace {

// End of the group that starts at open (the index of its '{').
size_t group_end(std::string_view s, size_t open) {
    int depth = 0;
    for (size_t i = open; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '{') {
            ++depth;
        } else if (s[i] == '}' && --depth == 0) {
            return i;
        }
    }
    return s.size();
}

// The texts of the footnotes with the given mark, in document order.
std::vector<std::string> footnotes(std::string_view rtf, char mark) {
    std::vector<std::string> out;
    std::string key = std::string(1, mark) + "{\\footnote";
    for (size_t at = rtf.find(key); at != std::string_view::npos; at = rtf.find(key, at + 1)) {
        size_t open = at + 1;
        std::string text = trim(rtf_text(rtf.substr(open + 10, group_end(rtf, open) - open - 10)));
        if (!text.empty() && text[0] == mark) text = trim(text.substr(1));
        out.push_back(text);
    }
    return out;
}

// True when the group opening at `open` starts with the control word \v
// among its leading control words: hidden text.
bool hidden_group(std::string_view s, size_t open) {
    size_t i = open + 1;
    while (i + 1 < s.size() && s[i] == '\\' && std::isalpha(static_cast<unsigned char>(s[i + 1]))) {
        size_t word = ++i;
        while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
        bool hidden = s.substr(word, i - word) == "v";
        if (i < s.size() && (s[i] == '-' || std::isdigit(static_cast<unsigned char>(s[i])))) {
            hidden = false;  // \v0 ends hidden text
            while (i < s.size() && (s[i] == '-' || std::isdigit(static_cast<unsigned char>(s[i])))) ++i;
        }
        if (hidden) return true;
        if (i < s.size() && s[i] == ' ') ++i;
    }
    return false;
}

// The context hashes of the jump and popup targets (hidden text), macros left out.
std::multiset<uint32_t> jump_hashes(std::string_view rtf) {
    std::multiset<uint32_t> out;
    for (size_t at = rtf.find('{'); at != std::string_view::npos; at = rtf.find('{', at + 1)) {
        if ((at > 0 && rtf[at - 1] == '\\') || !hidden_group(rtf, at)) continue;
        // Word processors may split one hidden target over adjacent groups.
        std::string target;
        for (size_t end;; at = end + 1) {
            end = group_end(rtf, at);
            target += rtf_text(rtf.substr(at, end - at + 1));
            size_t next = rtf.find_first_not_of("\r\n", end + 1);
            if (next == std::string_view::npos || rtf[next] != '{' || !hidden_group(rtf, next)) break;
            end = next - 1;
        }
        target = trim(target);
        if (!target.empty() && (target[0] == '%' || target[0] == '*')) target.erase(0, 1);
        if (target.empty() || target[0] == '!') continue;
        target = target.substr(0, target.find_first_of(">@"));
        out.insert(context_hash(target));
    }
    return out;
}

// The words of an RTF document's text as a reader sees it: footnotes,
// hidden text, comments and the font, colour and style tables left out,
// picture references ({bmc name}) dropped, each word lower-cased and kept to
// its ASCII letters and digits.
std::vector<std::string> text_words(std::string_view s) {
    static const std::set<std::string_view> kSkipped = {"fonttbl", "colortbl", "stylesheet", "info", "header",
                                                        "comment", "footnote", "pict", "*"};
    static const std::set<std::string_view> kBreaks = {"par", "line", "tab", "cell", "row", "page"};
    auto control_word = [&](size_t& i) {  // at a backslash followed by a letter or '*'
        size_t start = ++i;
        if (i < s.size() && s[i] == '*') return std::string_view(s.substr(start, ++i - start));
        while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
        std::string_view word = s.substr(start, i - start);
        bool has_value = i < s.size() && (s[i] == '-' || std::isdigit(static_cast<unsigned char>(s[i])));
        while (i < s.size() && (s[i] == '-' || std::isdigit(static_cast<unsigned char>(s[i])))) ++i;
        if (i < s.size() && s[i] == ' ') ++i;
        return has_value && word == "v" ? std::string_view("v0") : word;
    };
    std::string text;
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == '{') {
            size_t j = i + 1;
            bool skip = false;
            while (j + 1 < s.size() && s[j] == '\\' &&
                   (std::isalpha(static_cast<unsigned char>(s[j + 1])) || s[j + 1] == '*')) {
                std::string_view w = control_word(j);
                skip = skip || kSkipped.count(w) || w == "v";
            }
            if (!skip && s.compare(i, 11, "{\\footnote") == 0) skip = true;
            if (skip) {
                // A footnote's mark stands right before its group.
                if (!text.empty() && std::strchr("#$K+AB@!>*", text.back())) text.pop_back();
                i = group_end(s, i) + 1;
                continue;
            }
            ++i;
        } else if (c == '\\' && i + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[i + 1]))) {
            if (kBreaks.count(control_word(i))) text += ' ';
        } else if (c == '\\' && i + 3 < s.size() && s[i + 1] == '\'') {
            text += static_cast<char>(std::stoi(std::string(s.substr(i + 2, 2)), nullptr, 16));
            i += 4;
        } else if (c == '\\' && i + 1 < s.size()) {
            text += s[i + 1];
            i += 2;
        } else {
            if (c != '}' && c != '\r' && c != '\n') text += c;
            ++i;
        }
    }
    std::vector<std::string> words;
    std::istringstream in(text);
    bool in_reference = false;
    for (std::string w; in >> w;) {
        if (w.rfind("{bm", 0) == 0) in_reference = true;
        bool ends_reference = in_reference && w.back() == '}';
        std::string kept;
        for (char ch : w) {
            if (static_cast<unsigned char>(ch) < 128 && std::isalnum(static_cast<unsigned char>(ch))) {
                kept += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            }
        }
        if (!in_reference && !kept.empty()) words.push_back(kept);
        if (ends_reference) in_reference = false;
    }
    return words;
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

// Every RTF file the conversion of hlp writes, in order.
std::string convert(const std::string& hlp) {
    std::string rtf;
    TempDir dir;
    RunResult r = run_program({KORVANE_CLI_BIN, "-q", hlp}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << hlp << ": " << r.err;
    for (const std::string& name : names_in(dir.path())) {
        if (name.ends_with(".RTF")) rtf += read_text(dir / name);
    }
    return rtf;
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
TEST(CorpusRtf, TitlesKeywordsContextsJumpsTextAndTabStopsMatchTheAuthorsSources) {
    std::string corpus = KORVANE_CORPUS_DIR;
    ASSERT_TRUE(file_exists(corpus)) << "the corpus is missing: " << corpus;
    const struct {
        const char* hlp;
        const char* source;
        bool same_text;  // PJMessageDialog.rtf has changed since its help file was built
        bool tab_stops;
    } cases[] = {
        {"statlist/StatList.hlp", "statlist/StatList.Rtf", true, false},
        {"leakybin/LEAKYBIN.HLP", "leakybin/LeakyBin.Rtf", true, false},
        {"msgdlg/PJMessageDialog.hlp", "msgdlg/PJMessageDialog.rtf", false, true},
        {"msgdlg/MainForm.hlp", "msgdlg/MainForm.rtf", true, false},
        {"msgdlg/DemoHelp1.hlp", "msgdlg/DemoHelp1.rtf", true, false},
        {"verinfo/verinfo.hlp", "verinfo/verinfo.rtf", true, false},
        {"abbrevia-readme/README.HLP", "abbrevia-readme/ReadMe.rtf", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hlp);
        std::string ours = convert(corpus + "/" + c.hlp);
        std::string theirs = read_text(corpus + "/" + c.source);
        EXPECT_EQ(footnotes(ours, '$'), footnotes(theirs, '$'));
        for (char table : {'K', 'A'}) {
            EXPECT_EQ(split_keywords(footnotes(ours, table)), split_keywords(footnotes(theirs, table))) << table;
        }
        EXPECT_EQ(hashes_of(footnotes(ours, '#')), hashes_of(footnotes(theirs, '#')));
        // Every target the authors jump to, and no other. (Counts may differ:
        // PJMessageDialog.rtf has grown a paragraph since its help file was built.)
        std::multiset<uint32_t> our_jumps = jump_hashes(ours), their_jumps = jump_hashes(theirs);
        EXPECT_EQ(std::set<uint32_t>(our_jumps.begin(), our_jumps.end()),
                  std::set<uint32_t>(their_jumps.begin(), their_jumps.end()));
        if (c.same_text) {
            std::vector<std::string> words = text_words(ours);
            EXPECT_GT(words.size(), 20u);
            EXPECT_EQ(words, text_words(theirs));
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
    }
}
