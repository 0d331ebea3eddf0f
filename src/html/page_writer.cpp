// SPDX-License-Identifier: MIT
#include "html/page_writer.h"

#include <algorithm>

#include "base/format.h"
#include "html/escape.h"
#include "html/labels.h"
#include "html/macro_links.h"
#include "html/macros.h"
#include "html/page_names.h"
#include "html/search_index.h"
#include "html/paragraph_layout.h"
#include "html/symbol_fonts.h"
#include "topics/help_model.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;

const char* placement_class(Placement placement) {
    return placement == Placement::left ? " left" : placement == Placement::right ? " right" : "";
}

// The code point of the UTF-8 sequence at s[at], at moved past it; a byte
// that starts no sequence is taken as U+FFFD.
char32_t next_code_point(std::string_view s, size_t& at) {
    const char32_t c = html::next_code_point(s, at);
    return c == html::kNotUtf8 ? 0xFFFD : c;
}

// Letters and digits: ASCII ones and every character from U+00C0 on but
// the signs and punctuation among them.
bool is_letter(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    return !(c >= 0x2000 && c <= 0x206F) && !(c >= 0x3000 && c <= 0x303F) && !(c >= 0xFF00 && c <= 0xFF0F) &&
           !(c >= 0xFF1A && c <= 0xFF20) && !(c >= 0xFF3B && c <= 0xFF40) && !(c >= 0xFF5B && c <= 0xFF65);
}

// The next letter or digit of s from at on, in lower case (ASCII and
// Latin-1), at moved past it; 0 at the end.
char32_t next_letter(std::string_view s, size_t& at) {
    while (at < s.size()) {
        char32_t c = next_code_point(s, at);
        if (!is_letter(c)) continue;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE)) c += 0x20;
        return c;
    }
    return 0;
}

// True when the text (a topic's first paragraph) starts with the title, read
// without regard to case, spaces and punctuation, and the title ends where a
// word of the text ends: "Internal error. The file ..." says the title
// "Internal error", "Searching" does not say "Search". A title without
// letters or digits is said by a text that is the same but for the spaces
// around it.
bool says_title(std::string_view text, std::string_view title) {
    size_t t = 0, p = 0;
    bool letters = false;
    for (char32_t want; (want = next_letter(title, t)) != 0; letters = true) {
        if (next_letter(text, p) != want) return false;
    }
    if (!letters) {
        auto trim = [](std::string_view s) {
            size_t first = s.find_first_not_of(" \t"), last = s.find_last_not_of(" \t");
            return first == std::string_view::npos ? std::string_view() : s.substr(first, last - first + 1);
        };
        return !trim(title).empty() && trim(text) == trim(title);
    }
    return p == text.size() || !is_letter(next_code_point(text, p));
}

// A topic's first line is listed by the contents page; this many bytes of
// it are enough.
constexpr size_t kFirstLineBytes = 80;

// By font: a symbol font's table, else null.
std::vector<const html::SymbolTable*> symbol_tables(const HelpModel& model) {
    std::vector<const html::SymbolTable*> tables;
    for (const FontDescriptor& f : model.fonts.descriptors) tables.push_back(html::symbol_table(f.face));
    return tables;
}

}  // namespace

PageWriter::PageWriter(const HelpModel& model, const SiteMap& site)
    : code_page_(model.code_page.code_page),
      site_(site),
      windows_(model.windows),
      markup_(page_.html, symbol_tables(model)),
      pages_(site) {
    page_texts_.resize(site.topics.size());
    assign_windows(model);
}

// The window each topic shows in: the one its contents entry names (or
// the contents file's base window), else the one the first jump to it
// names (taken in the order of the context ids, so that the choice does
// not depend on the order of a hash table), else the main window.
void PageWriter::assign_windows(const HelpModel& model) {
    const int main = windows_.main_window();
    topic_window_.assign(site_.topics.size(), main);
    std::vector<bool> named(site_.topics.size(), false);
    auto name = [&](std::string_view context, std::string_view window) {
        const SiteTarget* target = site_.find(context);
        int w = windows_.find(window);
        if (!target || w < 0 || target->topic >= named.size() || named[target->topic]) return;
        topic_window_[target->topic] = w;
        named[target->topic] = true;
    };
    if (model.contents) {
        const std::string& base = model.contents->base_window;
        std::vector<const std::vector<ContentsEntry>*> todo = {&model.contents->entries};
        while (!todo.empty()) {
            const std::vector<ContentsEntry>* entries = todo.back();
            todo.pop_back();
            for (const ContentsEntry& e : *entries) {
                if (!e.children.empty()) todo.push_back(&e.children);
                if (e.kind != ContentsEntry::Kind::topic) continue;
                std::string other = e.file.empty() ? std::string() : site_folder_name(e.file);
                if (!other.empty() && other != site_.folder) continue;
                const std::string& window = e.window.empty() ? base : e.window;
                if (!window.empty()) name(e.context, window);
            }
        }
    }
    std::vector<std::pair<std::string, std::string>> jumps(site_.jump_windows.begin(), site_.jump_windows.end());
    std::sort(jumps.begin(), jumps.end());
    for (const auto& [context, window] : jumps) name(context, window);
}

PageWriter::~PageWriter() = default;

std::string PageWriter::utf8(std::string_view bytes) { return converter_.convert(bytes, code_page_); }

void PageWriter::add_plain_text(std::string_view text) {
    if (!page_open_) return;
    std::string& plain = page_texts_[page_.topic];
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
    if (topic >= site_.topics.size()) return;
    page_.topic = topic;
    page_open_ = true;
    in_region_ = region_done_ = false;
    markup_.new_page();
    keyword_places_.topic_begin();
    first_line_.clear();
    first_line_done_ = false;

    const SiteTopic& t = site_.topics[topic];
    const html::Labels& words = html::labels_for(site_.language);
    std::string title = utf8(t.title);
    std::string& p = page_.html;
    p += page_head(site_.language, title.empty() ? format(words.topic, t.number) : title);
    p += "<body>\n<nav class=\"site\"><a href=\"index.html\">";
    append_text(p, words.contents);
    p += "</a> <a href=\"keywords.html\">";
    append_text(p, words.index);
    p += "</a>";
    if (t.has_browse) {
        auto add = [&](int32_t key, const char* rel, const char* label) {
            auto it = site_.by_browse_key.find(key);
            if (key == -1 || it == site_.by_browse_key.end()) return;
            p += format(" <a rel=\"%s\" href=\"", rel);
            append_attribute(p, site_.topics[it->second].page);
            p += "\">";
            append_text(p, label);
            p += "</a>";
        };
        add(t.browse.prev, "prev", words.previous);
        add(t.browse.next, "next", words.next);
    }
    p += html::search_form(words.search);
    p += "</nav>\n";
    const int window = topic < topic_window_.size() ? topic_window_[topic] : -1;
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
    if (first_lines_.size() <= page_.topic) first_lines_.resize(page_.topic + 1);
    while (!first_line_.empty() && first_line_.back() == ' ') first_line_.pop_back();
    first_lines_[page_.topic] = std::move(first_line_);
    first_line_.clear();
    page_.popups = markup_.take_popups();
    pages_.add(std::move(page_));
    page_ = html::Page{};
}

void PageWriter::finish() {
    close_page();
    pages_.finish();
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
    const SiteTarget* target = site_.find(id);
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
    auto [it, added] = class_of_style_.emplace(css, static_cast<int>(paragraph_styles_.size()) + 1);
    if (added) paragraph_styles_.push_back(css);
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
    if (const html::SymbolTable* symbols = markup_.symbol_table()) {
        html::append_symbol_text(scratch_, run, *symbols);
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

std::optional<SiteTarget> PageWriter::local_target(std::string_view context, const std::string& file) const {
    if (!file.empty()) {
        std::string other = site_folder_name(file);
        if (!other.empty() && other != site_.folder) return std::nullopt;
    }
    const SiteTarget* target = site_.find(context);
    if (!target) return std::nullopt;
    return *target;
}

std::optional<std::string> PageWriter::href_for(std::string_view context, const std::string& file) const {
    if (!file.empty()) {
        std::string other = site_folder_name(file);
        if (!other.empty() && other != site_.folder) {
            if (context.empty()) return std::nullopt;
            return "../" + other + "/" + context_page_stem(context) + ".html";
        }
    }
    const SiteTarget* target = site_.find(context);
    if (!target) return std::nullopt;
    std::string href = target->page;
    if (!target->anchor.empty()) href += "#" + target->anchor;
    return href;
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
            std::optional<MacroHref> href = macro_href(site_, h.target, page_.topic, converter_, code_page_);
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
    link.href = href_for(context, file);
    if (!link.href) {
        if (h.kind != HotspotKind::macro) {
            link.css_class = "missing";
            link.title = converter_.convert(h.target, code_page_);
        }
        return link;
    }
    link.css_class = popup ? "popup" : "jump";
    if (std::optional<SiteTarget> target = local_target(context, file)) {
        link.topic = target->topic;
        if (popup && target->topic != page_.topic && site_.topics[target->topic].popup) link.popup = target->topic;
    }
    return link;
}

// What a picture in a hotspot means: the title of the topic it leads to
// (an untitled one is called as its page is), else what the link says of
// itself (a macro's text), else the context id it leads to; a picture
// outside a hotspot is decoration.
std::string PageWriter::alt_text(const html::Link& link) const {
    if (link.topic && *link.topic < site_.topics.size()) {
        const SiteTopic& topic = site_.topics[*link.topic];
        std::string title = converter_.convert(topic.title, code_page_);
        return title.empty() ? format("Topic %d", topic.number) : title;
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
    const std::string name = site_picture_name(number);
    auto it = site_.pictures.find(name);
    if (it == site_.pictures.end() || it->second.file.empty()) {
        p += format("<span class=\"picture missing%s\">[", placement_class(placement));
        append_text(p, utf8(name));
        p += "]</span>";
        return;
    }
    const SitePicture& picture = it->second;
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
    for (const SitePicture::Area& area : picture.areas) {
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
