// SPDX-License-Identifier: MIT
#include "html/page_writer.h"

#include <algorithm>

#include "base/format.h"
#include "html/escape.h"
#include "html/macro_links.h"
#include "html/paragraph_layout.h"
#include "html/search_index.h"
#include "html/site_files.h"
#include "text/labels.h"
#include "text/symbol_fonts.h"
#include "topicmap/macros.h"
#include "topicmap/title_rule.h"
#include "topics/help_model.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;

const char* placement_class(Placement placement) {
    return placement == Placement::left ? " left" : placement == Placement::right ? " right" : "";
}

// A topic's first line is listed by the contents page; this many bytes of
// it are enough.
constexpr size_t kFirstLineBytes = 80;

// By font: a symbol font's table, else null.
std::vector<const text::SymbolTable*> symbol_tables(const HelpModel& model) {
    std::vector<const text::SymbolTable*> tables;
    for (const FontDescriptor& f : model.fonts.descriptors) tables.push_back(text::symbol_table(f.face));
    return tables;
}

}  // namespace

PageWriter::PageWriter(const html::Site& site)
    : code_page_(site.code_page),
      site_(site),
      map_(site.map),
      words_(text::labels_for(site.language)),
      windows_(site.model.windows),
      markup_(page_.html, symbol_tables(site.model)),
      pages_(site.map, site.files) {
    written_.page_texts.resize(map_.topics().size());
}

PageWriter::~PageWriter() = default;

std::string PageWriter::utf8(std::string_view bytes) { return converter_.convert(bytes, code_page_); }

void PageWriter::add_plain_text(std::string_view text) {
    if (!page_open_) return;
    std::string& plain = written_.page_texts[page_.topic];
    if (text == " " && (plain.empty() || plain.back() == ' ')) return;
    plain += text;
}

std::string& PageWriter::out() {
    // Records ahead of the first topic header belong to the first topic.
    if (!page_open_ && next_topic_ == 0) open_page(next_topic_++);
    return page_.html;
}

void PageWriter::open_page(size_t topic) {
    close_page();
    page_ = html::Page{};
    if (topic >= map_.topics().size()) return;
    page_.topic = topic;
    page_open_ = true;
    in_region_ = region_done_ = false;
    markup_.new_page();
    keyword_places_.topic_begin();
    first_line_.clear();
    first_line_done_ = false;

    const MapTopic& t = map_.topics()[topic];
    std::string title = utf8(t.title);
    std::string& p = page_.html;
    p += html::page_head(site_.language, title.empty() ? format(words_.topic, t.number) : title, site_.files.options());
    p += "<body>\n<nav class=\"site\"><a href=\"";
    p += html::kIndexPage;
    p += "\">";
    append_text(p, words_.contents);
    p += "</a> <a href=\"";
    p += html::kKeywordsPage;
    p += "\">";
    append_text(p, words_.index);
    p += "</a>";
    for (bool next : {false, true}) {
        std::optional<size_t> neighbour = map_.browse_neighbour(topic, next);
        if (!neighbour) continue;
        p += format(" <a rel=\"%s\" href=\"", next ? "next" : "prev");
        append_attribute(p, map_.topics()[*neighbour].page);
        p += "\">";
        append_text(p, next ? words_.next : words_.previous);
        p += "</a>";
    }
    if (site_.files.options().search) p += html::search_form(words_.search);
    p += "</nav>\n";
    const int window = t.window;
    page_.window_class = windows_.css_class(window);
    const std::string& window_class = page_.window_class;
    p += window_class.empty() ? "<div class=\"window\">\n" : "<div class=\"window " + window_class + "\">\n";
    if (!windows_.caption(window).empty()) {
        p += "<div class=\"caption\">";
        append_text(p, utf8(windows_.caption(window)));
        p += "</div>\n";
    }
    // The heading waits for the topic's first paragraph with text: most
    // topics state their title there themselves.
    title_ = std::move(title);
    heading_at_ = p.size();
    title_pending_ = !title_.empty();
    paragraph_text_.clear();
    p += "<div class=\"topic\">\n";
    page_.content_at = p.size();
}

// Decides on the heading at the end of a paragraph (page_end: of the page):
// the first paragraph with text that does not say the title, or a page
// without one, gets the title as its heading.
void PageWriter::settle_title(bool page_end) {
    if (!title_pending_) return;
    std::string text = std::move(paragraph_text_);
    paragraph_text_.clear();
    bool has_text = text.find_first_not_of(" \t") != std::string::npos;
    if (!has_text && !page_end) return;
    title_pending_ = false;
    if (has_text && says_title(text, title_)) return;
    std::string heading = "<h1 class=\"title\">";
    append_text(heading, title_);
    heading += "</h1>\n";
    page_.html.insert(heading_at_, heading);
    page_.content_at += heading.size();
}

void PageWriter::close_page() {
    if (!page_open_) return;
    close_paragraph();
    markup_.end_table();
    if (in_region_) page_.html += "</header>\n";
    in_region_ = false;
    page_open_ = false;
    settle_title(true);
    std::string anchor = markup_.take_anchor();
    if (!anchor.empty()) {
        // Keywords after the last paragraph lead to the topic's end.
        page_.html += "<span class=\"anchor\" id=\"" + anchor + "\"></span>\n";
    }
    std::vector<std::string>& first_lines = written_.first_lines;
    if (first_lines.size() <= page_.topic) first_lines.resize(page_.topic + 1);
    while (!first_line_.empty() && first_line_.back() == ' ') first_line_.pop_back();
    first_lines[page_.topic] = std::move(first_line_);
    first_line_.clear();
    page_.popups = markup_.take_popups();
    pages_.add(std::move(page_));
    page_ = html::Page{};
}

WrittenPages PageWriter::finish() {
    close_page();
    pages_.finish();
    written_.window_rules = windows_.rules();
    return std::move(written_);
}

void PageWriter::topic_begin(const TopicStart& start) {
    // The topics come in the order the site map listed them, after the
    // unnamed one of records ahead of the first topic header if there is one.
    open_page(next_topic_++);
    for (const std::string& id : start.context_ids) context_id(id);
}

void PageWriter::context_id(std::string_view id) {
    std::string& p = out();
    keyword_places_.context_id();
    const MapTarget* target = map_.find(id);
    if (!target || target->anchor.empty()) return;
    close_paragraph();
    p += "<span class=\"anchor\" id=\"";
    append_attribute(p, target->anchor);
    p += "\"></span>\n";
}

void PageWriter::keywords(char, std::string_view) {
    out();
    // The anchor goes into the record's first paragraph, where the keyword
    // stands, and is written once for the K and A keywords of a record.
    std::string anchor = keyword_places_.keywords(page_.topic);
    if (!anchor.empty()) markup_.anchor(anchor);
}

void PageWriter::append_first_line(std::string_view text) {
    for (char c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
        if (c == ' ' && (first_line_.empty() || first_line_.back() == ' ')) continue;
        // Long enough: cut before the next character.
        if (first_line_.size() >= kFirstLineBytes && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            while (!first_line_.empty() && first_line_.back() == ' ') first_line_.pop_back();
            first_line_ += "\u2026";
            first_line_done_ = true;
            return;
        }
        first_line_ += c;
    }
}

void PageWriter::end_first_line() {
    if (!first_line_.empty()) first_line_done_ = true;
}

std::string PageWriter::paragraph_class(const ParagraphFormat& f) {
    std::string css = html::paragraph_declarations(f);
    if (css.empty()) return {};
    std::vector<std::string>& styles = written_.paragraph_styles;
    auto [it, added] = class_of_style_.emplace(css, static_cast<int>(styles.size()) + 1);
    if (added) styles.push_back(css);
    return format("p%d", it->second);
}

void PageWriter::set_region(bool non_scrolling) {
    std::string& p = out();
    if (non_scrolling && !in_region_ && !region_done_) {
        p += "<header class=\"nonscroll\">\n";
        in_region_ = true;
    } else if (!non_scrolling && in_region_) {
        p += "</header>\n";
        in_region_ = false;
        region_done_ = true;
    }
}

void PageWriter::paragraph_begin(const ParagraphFormat& f) {
    out();
    keyword_places_.content();
    close_paragraph();
    if (!f.in_table) {
        markup_.end_table();
        set_region(f.non_scrolling);
    }
    markup_.begin_paragraph(paragraph_class(f), html::hanging_lead(f));
}

void PageWriter::close_paragraph() {
    end_first_line();
    if (markup_.end_paragraph()) {
        add_plain_text(" ");
        settle_title(false);
    }
}

void PageWriter::text(std::string_view run) {
    out();
    scratch_.clear();
    if (const text::SymbolTable* symbols = markup_.symbol_table()) {
        text::append_symbol_text(scratch_, run, *symbols);
    } else {
        converter_.append(scratch_, run, code_page_);
    }
    markup_.text(scratch_);
    if (title_pending_) paragraph_text_ += scratch_;
    if (!first_line_done_) append_first_line(scratch_);
    add_plain_text(scratch_);
}

void PageWriter::font(uint16_t number) { markup_.font(number); }

void PageWriter::tab() {
    out();
    markup_.tab();
    if (title_pending_) paragraph_text_ += ' ';
    add_plain_text(" ");
}

void PageWriter::line_break() {
    out();
    markup_.line_break();
    end_first_line();
    if (title_pending_) paragraph_text_ += ' ';
    add_plain_text(" ");
}

html::Link PageWriter::link_for(const Hotspot& h) const {
    html::Link link;
    std::string context = h.target, file = h.file.value_or("");
    bool popup = h.kind == HotspotKind::popup;
    if (h.kind == HotspotKind::macro) {
        // A macro is never run; the jumps and popups among them become links.
        link.css_class = "macro";
        link.title = converter_.convert(h.target, code_page_);
        std::optional<MacroTarget> target = macro_target(h.target);
        if (!target) {
            std::optional<MacroHref> href = macro_href(site_, h.target, page_.topic, converter_);
            if (href) {
                link.href = href->href;
                link.css_class = href->external ? "external" : "jump";
            }
            return link;
        }
        context = target->context;
        file = target->file;
        popup = target->popup;
    }
    link.context = context;
    link.href = map_.href(context, file);
    if (!link.href) {
        if (h.kind != HotspotKind::macro) {
            link.css_class = "missing";
            link.title = converter_.convert(h.target, code_page_);
        }
        return link;
    }
    link.css_class = popup ? "popup" : "jump";
    if (std::optional<MapTarget> target = map_.local_target(context, file)) {
        link.topic = target->topic;
        if (popup && target->topic != page_.topic && map_.topics()[target->topic].popup) link.popup = target->topic;
    }
    return link;
}

// What a picture in a hotspot means: the title of the topic it leads to
// (an untitled one is called as its page is), else what the link says of
// itself (a macro's text), else the context id it leads to; a picture
// outside a hotspot is decoration.
std::string PageWriter::alt_text(const html::Link& link) const {
    if (link.topic && *link.topic < map_.topics().size()) {
        const MapTopic& topic = map_.topics()[*link.topic];
        std::string title = converter_.convert(topic.title, code_page_);
        return title.empty() ? format(words_.topic, topic.number) : title;
    }
    return link.title.empty() ? converter_.convert(link.context, code_page_) : link.title;
}

void PageWriter::hotspot_begin(const Hotspot& h) {
    markup_.begin_link(link_for(h));
}

void PageWriter::hotspot_end() {
    markup_.end_link();
}

void PageWriter::picture(Placement placement, uint16_t number, const std::string&) {
    // A floating picture is no lead of a hanging indent.
    out();
    if (placement != Placement::inline_) markup_.end_lead();
    markup_.open_inline();
    std::string& p = page_.html;
    const MapPicture* found = map_.picture(number);
    if (!found || found->file.empty()) {
        p += format("<span class=\"picture missing%s\">[", placement_class(placement));
        append_text(p, utf8(picture_file_name(number)));
        p += "]</span>";
        return;
    }
    const MapPicture& picture = *found;
    p += format("<img class=\"picture%s\" src=\"", placement_class(placement));
    append_attribute(p, picture.file);
    p += format("\" width=\"%d\" height=\"%d\" alt=\"", picture.width, picture.height);
    if (markup_.link()) append_attribute(p, alt_text(*markup_.link()));
    p += '"';
    if (picture.areas.empty()) {
        p += '>';
        return;
    }
    std::string map = format("map%d", ++maps_);
    p += " usemap=\"#" + map + "\"><map name=\"" + map + "\" id=\"" + map + "\">";
    std::string list = "<ul class=\"image-map\">\n";
    for (const MapPicture::Area& area : picture.areas) {
        html::Link link = link_for(area.hotspot);
        std::string label = alt_text(link);
        if (label.empty()) label = utf8(area.hotspot.target);
        list += "<li>";
        markup_.link_start(list, link);
        append_text(list, label);
        list += link.href ? "</a></li>\n" : "</span></li>\n";
        if (!link.href) continue;
        p += format("<area shape=\"rect\" coords=\"%d,%d,%d,%d\" href=\"", area.left, area.top, area.right,
                    area.bottom);
        append_attribute(p, *link.href);
        p += "\" alt=\"";
        append_attribute(p, label);
        p += "\">";
    }
    p += "</map>";
    list += "</ul>\n";
    markup_.after_paragraph(list);
}

void PageWriter::embedded_window(Placement placement, std::string_view description) {
    out();
    markup_.open_inline();
    page_.html += format("<span class=\"embedded-window%s\">[", placement_class(placement));
    append_text(page_.html, utf8(description));
    page_.html += "]</span>";
}

void PageWriter::paragraph_end(bool) {
    out();
    markup_.end_paragraph(true);
    add_plain_text(" ");
    settle_title(false);
}

void PageWriter::paragraph_done() { close_paragraph(); }

void PageWriter::table_begin(const TableRow& row) {
    out();
    keyword_places_.content();
    if (!row.supported) return;
    close_paragraph();
    markup_.begin_row(row);
}

void PageWriter::next_cell(int column) {
    close_paragraph();
    markup_.next_cell(column);
}

void PageWriter::table_end() {
    close_paragraph();
    markup_.end_row();
}

}  // namespace korvane
