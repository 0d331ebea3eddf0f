// SPDX-License-Identifier: MIT
#include "html/inline_markup.h"

#include "base/format.h"
#include "html/escape.h"

namespace korvane::html {

void InlineMarkup::new_page() {
    font_ = -1;
    link_.reset();
    anchor_.clear();
    popups_.clear();
}

void InlineMarkup::begin_paragraph(std::string css_class, bool hanging) {
    paragraph_class_ = std::move(css_class);
    hanging_ = hanging;
}

void InlineMarkup::open_paragraph() {
    if (paragraph_open_) return;
    out_ += paragraph_class_.empty() ? "<p>" : "<p class=\"" + paragraph_class_ + "\">";
    if (!anchor_.empty()) {
        out_ += "<span class=\"anchor\" id=\"" + anchor_ + "\"></span>";
        anchor_.clear();
    }
    paragraph_open_ = true;
    paragraph_has_content_ = false;
    paragraph_content_at_ = out_.size();
    lead_open_ = hanging_;
}

void InlineMarkup::link_start(std::string& p, const Link& link) {
    if (link.href) {
        p += "<a class=\"" + link.css_class + "\" href=\"";
        append_attribute(p, *link.href);
        p += '"';
        if (link.popup) {
            p += format(" data-popup=\"t%d\"", static_cast<int>(*link.popup));
            popups_.insert(*link.popup);
        }
    } else {
        p += "<span class=\"" + link.css_class + "\"";
    }
    if (!link.title.empty()) {
        p += " title=\"";
        append_attribute(p, link.title);
        p += '"';
    }
    p += '>';
}

void InlineMarkup::open_inline() {
    open_paragraph();
    if (link_ && !link_open_) {
        link_start(out_, *link_);
        link_open_ = true;
    }
    if (!span_open_) {
        out_ += font_ >= 0 ? format("<span class=\"f%d\">", font_) : std::string("<span>");
        span_open_ = true;
    }
    paragraph_has_content_ = true;
}

void InlineMarkup::close_span() {
    if (!span_open_) return;
    out_ += "</span>";
    span_open_ = false;
}

void InlineMarkup::close_link() {
    close_span();
    if (!link_open_) return;
    out_ += link_ && link_->href ? "</a>" : "</span>";
    link_open_ = false;
}

bool InlineMarkup::end_paragraph(bool even_empty) {
    if (even_empty) {
        open_paragraph();
        // An empty paragraph keeps its line, as tall as the current font's.
        if (!paragraph_has_content_) {
            out_ += font_ >= 0 ? format("<span class=\"f%d\"><br></span>", font_) : std::string("<span><br></span>");
        }
    }
    lead_open_ = false;
    close_link();
    bool was_open = paragraph_open_;
    if (paragraph_open_) {
        out_ += "</p>\n";
        paragraph_open_ = false;
    }
    out_ += after_paragraph_;
    after_paragraph_.clear();
    return was_open;
}

void InlineMarkup::text(std::string_view utf8) {
    open_inline();
    append_text(out_, utf8);
}

void InlineMarkup::font(int number) {
    if (number == font_) return;
    close_span();
    font_ = number;
}

const text::SymbolTable* InlineMarkup::symbol_table() const {
    // Text in a symbol font is glyph numbers of the font, not code-page text.
    size_t font = static_cast<size_t>(font_);
    return font_ >= 0 && font < symbol_tables_.size() ? symbol_tables_[font] : nullptr;
}

void InlineMarkup::tab() {
    open_inline();
    out_ += "<span class=\"tab\">\t</span>";
    if (lead_open_ && paragraph_content_at_ <= out_.size()) {
        // The text before the first tab of a hanging indent, this tab
        // included, becomes the lead block.
        close_link();
        out_ += "</span>";
        out_.insert(paragraph_content_at_, "<span class=\"hang\">");
        lead_open_ = false;
    }
}

void InlineMarkup::line_break() {
    lead_open_ = false;
    open_inline();
    out_ += "<br>";
}

void InlineMarkup::begin_link(Link link) {
    close_link();
    link_ = std::move(link);
}

void InlineMarkup::end_link() {
    close_link();
    link_.reset();
}

void InlineMarkup::begin_row(const TableRow& row) {
    out_ += table_open_ ? "<tr>" : "<table class=\"row\"><tr>";
    table_open_ = true;
    row_open_ = true;
    open_cell(row, 0);
}

void InlineMarkup::open_cell(const TableRow& row, int column) {
    out_ += "<td";
    if (column >= 0 && static_cast<size_t>(column) < row.widths.size() && row.type != 0) {
        // Widths in units of ten twips: a point is two of them.
        out_ += format(" style=\"width:%dpt\"", row.widths[static_cast<size_t>(column)] / 2);
    }
    out_ += '>';
    row_ = row;
}

void InlineMarkup::next_cell(int column) {
    if (!row_open_) return;
    out_ += "</td>";
    open_cell(row_, column);
}

void InlineMarkup::end_row() {
    if (!row_open_) return;
    out_ += "</td></tr>\n";
    row_open_ = false;
}

void InlineMarkup::end_table() {
    end_row();
    if (table_open_) {
        out_ += "</table>\n";
        table_open_ = false;
    }
}

}  // namespace korvane::html
