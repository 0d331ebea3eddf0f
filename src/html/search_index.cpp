// SPDX-License-Identifier: MIT
// The site's search index and page.
#include "html/search_index.h"

#include <array>
#include <cstdint>
#include <memory>

#include "base/format.h"
#include "base/messages.h"
#include "output/out_stream.h"
#include "html/escape.h"
#include "html/search_tokens.h"
#include "html/site.h"
#include "html/site_files.h"
#include "text/labels.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"

namespace korvane {

namespace html {

namespace {

// The bytes a string literal holds as they are.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x7F; ++b) plain[b] = b != '"' && b != '\\' && b != '<' && b != '>' && b != '&';
    return plain;
}();

// The escaped characters of s, as in append_script_string; with spaces,
// control characters become spaces.
void append_escaped(std::string& out, std::string_view s, bool spaces = false) {
    size_t i = 0;
    while (i < s.size()) {
        size_t plain = i;
        while (plain < s.size() && kPlain[static_cast<unsigned char>(s[plain])]) ++plain;
        out.append(s.substr(i, plain - i));
        i = plain;
        if (i == s.size()) break;
        size_t start = i;
        char32_t c = text::next_code_point(s, i);
        bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == text::kNotUtf8) {
            out += "\\ufffd";
        } else if (control && spaces) {
            out += ' ';
        } else if (control || c == '<' || c == '>' || c == '&' || c == 0x2028 || c == 0x2029) {
            out += format("\\u%04x", static_cast<int>(c));
        } else {
            out.append(s.substr(start, i - start));
        }
    }
}

}  // namespace

void append_script_string(std::string& out, std::string_view s) {
    out += '"';
    append_escaped(out, s);
    out += '"';
}

}  // namespace html

namespace {

// Term ids by text: open addressing over a power-of-two table (the tokens
// of the whole help file pass through it).
class TermTable {
public:
    // The id of term (ids count from 0 in the order terms are first seen).
    uint32_t id(std::string_view term) {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a
        for (char c : term) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        size_t i = slot(hash);
        for (; slots_[i]; i = (i + 1) & (slots_.size() - 1)) {
            uint32_t id = slots_[i] - 1;
            if (hashes_[id] == hash && terms_[id] == term) return id;
        }
        uint32_t id = static_cast<uint32_t>(terms_.size());
        terms_.emplace_back(term);
        hashes_.push_back(hash);
        slots_[i] = id + 1;
        if (terms_.size() * 2 > slots_.size()) {
            slots_.assign(slots_.size() * 2, 0);
            for (uint32_t k = 0; k < terms_.size(); ++k) {
                size_t j = slot(hashes_[k]);
                while (slots_[j]) j = (j + 1) & (slots_.size() - 1);
                slots_[j] = k + 1;
            }
        }
        return id;
    }
    const std::vector<std::string>& terms() const { return terms_; }

private:
    size_t slot(uint64_t hash) const { return static_cast<size_t>(hash ^ (hash >> 29)) & (slots_.size() - 1); }

    std::vector<std::string> terms_;
    std::vector<uint64_t> hashes_;
    std::vector<uint32_t> slots_ = std::vector<uint32_t>(4096);  // id + 1; 0: free
};

// A posting: a document and how often the term is in its title and text.
struct Posting {
    uint32_t doc, title, text;
};

// The digits of the index's numbers (base 32): a number's last digit from
// the first 32, its earlier ones from the others.
constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void append_number(std::string& out, uint32_t n) {
    char digits[8];
    int count = 0;
    digits[count++] = kDigits[n & 31];
    for (n >>= 5; n; n >>= 5) digits[count++] = kDigits[32 + (n & 31)];
    while (count) out += digits[--count];
}

// Appends text, each [...] of it a link to the next of hrefs.
void append_linked(std::string& p, std::string_view text, std::initializer_list<std::string_view> hrefs) {
    for (std::string_view href : hrefs) {
        size_t open = text.find('['), close = text.find(']', open);
        if (close == std::string_view::npos) break;
        html::append_text(p, text.substr(0, open));
        p += "<a href=\"";
        p += href;
        p += "\">";
        html::append_text(p, text.substr(open + 1, close - open - 1));
        p += "</a>";
        text.remove_prefix(close + 1);
    }
    html::append_text(p, text);
}

// In the language of the site's other pages, with their words for the
// navigation and the search. The sentences search.js shows are attributes
// of the status line, for it to fill in as text.
std::string search_page(std::string_view lang, std::string_view site_title) {
    const text::Labels& words = text::labels_for(lang);
    std::string p = html::page_head(lang, std::string(site_title) + " - " + words.search, html::PageOptions{});
    p += "<body>\n<nav class=\"site\"><a href=\"";
    p += html::kIndexPage;
    p += "\">";
    html::append_text(p, words.contents);
    p += "</a> <a href=\"";
    p += html::kKeywordsPage;
    p += "\">";
    html::append_text(p, words.index);
    p += "</a></nav>\n<h1 class=\"title\">";
    html::append_text(p, words.search);
    p += "</h1>\n<form class=\"search-page\" action=\"";
    p += html::kSearchPage;
    p += "\" method=\"get\" role=\"search\">\n<input type=\"search\" name=\"q\" id=\"search-q\" aria-label=\"";
    html::append_text(p, words.search);
    p += "\"> <button type=\"submit\">";
    html::append_text(p, words.search);
    p += "</button>\n</form>\n<noscript><p>";
    append_linked(p, words.search_no_script, {html::kKeywordsPage, html::kIndexPage});
    p += "</p></noscript>\n<p id=\"search-status\" role=\"status\"";
    const std::pair<const char*, const char*> sentences[] = {
        {"prompt", words.search_prompt}, {"unloaded", words.search_unloaded}, {"none", words.search_none},
        {"one", words.search_one},       {"many", words.search_many},         {"more", words.search_more}};
    for (const auto& [name, sentence] : sentences) {
        p += format(" data-%s=\"", name);
        html::append_attribute(p, sentence);
        p += '"';
    }
    p += "></p>\n<ol id=\"search-results\" class=\"search-results\"></ol>\n<p class=\"search-credit\">";
    append_linked(p, words.search_credit, {html::kLunrLicenceFile});
    p += "</p>\n";
    for (std::string_view script : {html::kLunrFile, html::kSearchIndexFile, html::kSearchScriptFile}) {
        p += "<script src=\"";
        p += script;
        p += "\"></script>\n";
    }
    p += "</body>\n</html>\n";
    return p;
}

}  // namespace

void write_search(const html::Site& site, const std::vector<std::string>& page_texts,
                  const std::vector<std::string>& labels, std::string_view site_title) {
    html::SearchTokenizer tokenizer;
    TermTable table;
    std::vector<std::vector<Posting>> postings;  // by term id
    // Page, title and text of each document, separated by line feeds, which
    // the text does not hold: its control characters become spaces.
    size_t size = 0;
    for (const std::string& text : page_texts) size += text.size();
    std::string index = "// The search index of this site (search.js reads it).\nvar korvaneSearchIndex = {\"docs\": \"";
    index.reserve(size + size / 2);
    std::string lengths;
    uint32_t doc = 0, title_length = 0, text_length = 0;
    bool in_title = false;
    auto add = [&](std::string_view token) {
        uint32_t id = table.id(token);
        if (id == postings.size()) postings.emplace_back();
        std::vector<Posting>& list = postings[id];
        if (list.empty() || list.back().doc != doc) list.push_back({doc, 0, 0});
        ++(in_title ? list.back().title : list.back().text);
        ++(in_title ? title_length : text_length);
    };
    static const std::string kNoText;
    for (size_t i = 0; i < site.map.topics().size(); ++i) {
        const MapTopic& topic = site.map.topics()[i];
        std::string_view title = topic.title.empty() ? std::string_view() : std::string_view(labels[i]);
        std::string_view text = i < page_texts.size() ? page_texts[i] : kNoText;
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        title_length = text_length = 0;
        in_title = true;
        tokenizer.tokenize(title, add);
        in_title = false;
        tokenizer.tokenize(text, add);
        if (!title_length && !text_length) continue;  // nothing to find it by
        // An untitled topic is found under its label (its first line).
        title = labels[i];
        if (doc) index += "\\n";
        html::append_escaped(index, topic.page, true);
        index += "\\n";
        html::append_escaped(index, title, true);
        index += "\\n";
        html::append_escaped(index, text, true);
        append_number(lengths, title_length);
        append_number(lengths, text_length);
        ++doc;
    }
    index += "\",\n\"lengths\": \"" + lengths + "\",\n\"terms\": \"";
    for (size_t i = 0; i < table.terms().size(); ++i) {
        if (i) index += ' ';
        html::append_escaped(index, table.terms()[i]);
    }
    index += "\",\n\"postings\": \"";
    for (const std::vector<Posting>& list : postings) {
        uint32_t previous = 0;
        for (const Posting& p : list) {
            uint32_t step = p.doc - previous;
            previous = p.doc;
            if (p.title <= 1 && p.text <= 1) {
                append_number(index, step * 4 + p.title * 2 + p.text);
            } else {
                append_number(index, step * 4);
                append_number(index, p.title);
                append_number(index, p.text);
            }
        }
        index += ',';
    }
    index += "\"};\n";

    site.files.write(html::kSearchIndexFile, index);
    site.files.write(html::kSearchPage, search_page(site.language, site_title));
    site.files.write(html::kSearchScriptFile, html::kSearchScript);
    site.files.write(html::kLunrFile, html::kLunrScript);
    size_t header_end = html::kLunrScript.find("*/");
    std::string licence(html::kLunrScript.substr(0, header_end == std::string_view::npos ? 0 : header_end + 2));
    site.files.write(html::kLunrLicenceFile, licence + "\n" + std::string(html::kLunrLicence));
}

}  // namespace korvane
