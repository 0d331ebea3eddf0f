// SPDX-License-Identifier: MIT
// The markup of a topic page's body as its content comes: paragraphs, the
// rows of tables, and inline content nested as paragraph > link > font
// span. A paragraph is written with its first content. A font change
// inside a hotspot closes and reopens only the span, a hotspot that runs
// over a paragraph end is reopened in the next paragraph. Fonts are the
// classes "fN". Every run is inside a span (one without a class before the
// topic's first font) and an empty paragraph holds its line break in the
// span of the current font, so that a line is as tall as the fonts on it.
// A tab is <span class="tab">TAB</span>; text before the first tab of a
// hanging indent is wrapped in span.hang. A link to a popup topic N
// carries data-popup="tN": the popup opens in place (html/popup_pages.h).
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/symbol_fonts.h"
#include "topics/topic_sink.h"

namespace korvane::html {

// A hotspot as a link of the site.
struct Link {
    std::optional<std::string> href;  // none: its target is missing, a span shows it
    std::string css_class;
    std::string title;
    std::optional<size_t> popup;  // the popup topic it shows in place
    std::optional<size_t> topic;  // the topic of this site it leads to
    std::string context;          // the context id a jump or popup leads to
};

class InlineMarkup {
public:
    // Appends to out; symbol_tables: by font, a symbol font's table, else null.
    InlineMarkup(std::string& out, std::vector<const text::SymbolTable*> symbol_tables)
        : out_(out), symbol_tables_(std::move(symbol_tables)) {}

    // A new page: no font, link, anchor or popup yet.
    void new_page();
    // The class (may be empty) of the paragraph that the next content
    // opens, and whether its format has a hanging lead.
    void begin_paragraph(std::string css_class, bool hanging);
    // Places an anchor with this id at the start of the next paragraph.
    void anchor(std::string id) { anchor_ = std::move(id); }
    // The anchor that no paragraph has taken, empty for none.
    std::string take_anchor() { return std::exchange(anchor_, {}); }
    // The topics of the popups the links written show in place.
    std::set<size_t> take_popups() { return std::exchange(popups_, {}); }

    // Opens the paragraph, link and span that content goes in.
    void open_inline();
    void text(std::string_view utf8);
    void font(int number);
    // The symbol table of the current font; null unless a symbol font.
    const text::SymbolTable* symbol_table() const;
    void tab();
    void line_break();
    // What follows is not the lead of a hanging indent.
    void end_lead() { lead_open_ = false; }
    // A block to follow the open paragraph (or the next one to close).
    void after_paragraph(std::string_view block) { after_paragraph_ += block; }
    // Closes the open paragraph, if any, with its link and span; true if
    // there was one. even_empty: a paragraph is written in any case, an
    // empty one holding a line.
    bool end_paragraph(bool even_empty = false);

    // The hotspot that content is in, until end_link.
    void begin_link(Link link);
    void end_link();
    const std::optional<Link>& link() const { return link_; }
    // Appends the start tag of a link to out.
    void link_start(std::string& out, const Link& link);

    // Table rows and cells, with no paragraph open: rows that follow each
    // other make one table.
    void begin_row(const TableRow& row);
    void next_cell(int column);
    void end_row();
    void end_table();

private:
    void open_paragraph();
    void close_span();
    void close_link();
    void open_cell(const TableRow& row, int column);

    std::string& out_;
    const std::vector<const text::SymbolTable*> symbol_tables_;
    std::string anchor_;
    std::set<size_t> popups_;
    std::string paragraph_class_;
    bool paragraph_open_ = false, paragraph_has_content_ = false;
    bool hanging_ = false;             // the paragraph's format has a hanging lead
    bool lead_open_ = false;           // its text so far may be the lead before the first tab
    size_t paragraph_content_at_ = 0;  // where its content starts in out_
    std::optional<Link> link_;         // the open hotspot
    bool link_open_ = false;
    int font_ = -1;
    bool span_open_ = false;
    bool table_open_ = false, row_open_ = false;
    TableRow row_;                 // the open row
    std::string after_paragraph_;  // blocks to follow the open paragraph
};

}  // namespace korvane::html
