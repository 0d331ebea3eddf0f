#include "html/page_writer.h"

#include <cerrno>
#include <cstring>
#include <cctype>
#include <cstdlib>

#include "base/format.h"
#include "base/messages.h"
#include "base/out_stream.h"
#include "topics/decoding.h"

namespace korvane {

namespace {

constexpr size_t kFlushSize = 1 << 16;

std::string points(int twips) {
    // Twips are twentieths of a point; two decimals at most.
    std::string s = format("%d", twips / 20);
    int rest = std::abs(twips % 20) * 5;
    if (rest) {
        if (twips < 0 && twips / 20 == 0) s = "-0";
        s += format(rest % 10 ? ".%02d" : ".%d", rest % 10 ? rest : rest / 10);
    }
    return s + "pt";
}

// The start of a macro call: its name and its quoted arguments.
struct MacroCall {
    std::string name;
    std::vector<std::string> arguments;
};

std::optional<MacroCall> parse_macro(std::string_view macro) {
    MacroCall call;
    size_t i = 0;
    while (i < macro.size() && macro[i] == ' ') ++i;
    while (i < macro.size() && (std::isalnum(static_cast<unsigned char>(macro[i])) || macro[i] == '_')) {
        call.name += static_cast<char>(std::tolower(static_cast<unsigned char>(macro[i])));
        ++i;
    }
    while (i < macro.size() && macro[i] == ' ') ++i;
    if (call.name.empty() || i >= macro.size() || macro[i] != '(') return std::nullopt;
    ++i;
    for (;;) {
        while (i < macro.size() && (macro[i] == ' ' || macro[i] == ',')) ++i;
        if (i >= macro.size() || macro[i] == ')') break;
        char quote = macro[i];
        if (quote != '"' && quote != '`') return call;  // not a plain string: stop here
        char close = quote == '`' ? '\'' : '"';
        size_t end = macro.find(close, i + 1);
        if (end == std::string_view::npos) return call;
        call.arguments.emplace_back(macro.substr(i + 1, end - i - 1));
        i = end + 1;
    }
    return call;
}

}  // namespace

PageWriter::PageWriter(Decoding& help, const SiteMap& site, Utf8Converter& utf8)
    : help_(help), site_(site), utf8_(utf8) {}

PageWriter::~PageWriter() = default;

void PageWriter::finish() { close_page(); }

std::string& PageWriter::out() {
    // Records ahead of the first topic header belong to the first topic.
    if (!page_open_ && next_topic_ == 0) open_page(next_topic_++);
    return page_;
}

void PageWriter::open_page(size_t topic) {
    close_page();
    page_.clear();
    if (topic >= site_.topics.size()) return;
    topic_ = topic;
    const SiteTopic& t = site_.topics[topic];
    file_ = create_site_file(site_, t.page);
    page_open_ = true;
    in_region_ = region_done_ = false;
    font_ = -1;
    link_.reset();

    std::string title = utf8_(t.title);
    std::string& p = page_;
    p += "<!DOCTYPE html>\n<html lang=\"";
    p += language_of_code_page(help_.code_page);
    p += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    append_escaped(p, title.empty() ? format("Topic %d", t.number) : title);
    p += "</title>\n<link rel=\"stylesheet\" href=\"help.css\">\n<script src=\"help.js\" defer></script>\n</head>\n"
         "<body>\n<nav class=\"site\"><a href=\"index.html\">Contents</a> <a href=\"keywords.html\">Index</a>";
    if (t.has_browse) {
        auto add = [&](int32_t key, const char* rel, const char* label) {
            auto it = site_.by_browse_key.find(key);
            if (key == -1 || it == site_.by_browse_key.end()) return;
            p += format(" <a rel=\"%s\" href=\"", rel);
            append_escaped(p, site_.topics[it->second].page);
            p += format("\">%s</a>", label);
        };
        add(t.browse.prev, "prev", "&lt;&lt; Previous");
        add(t.browse.next, "next", "Next &gt;&gt;");
    }
    p += "</nav>\n";
    if (!title.empty()) {
        p += "<h1 class=\"title\">";
        append_escaped(p, title);
        p += "</h1>\n";
    }
    p += "<div class=\"topic\">\n";
}

void PageWriter::close_page() {
    if (!page_open_) return;
    close_paragraph();
    close_table();
    if (in_region_) page_ += "</div>\n";
    page_ += "</div>\n</body>\n</html>\n";
    file_->write(page_);
    page_.clear();
    file_->close();
    if (file_->failed()) fatal_error(Fatal::DiskFull);
    file_.reset();
    page_open_ = false;
}

void PageWriter::topic_begin(const TopicStart& start) {
    // The topics come in the order the site map listed them, after the
    // unnamed one of records ahead of the first topic header if there is one.
    open_page(next_topic_++);
    for (const std::string& id : start.context_ids) context_id(id);
}

void PageWriter::context_id(std::string_view id) {
    std::string& p = out();
    const SiteTarget* target = site_.find(id);
    if (!target || target->anchor.empty()) return;
    close_paragraph();
    close_table();
    p += "<span class=\"anchor\" id=\"";
    append_escaped(p, target->anchor);
    p += "\"></span>\n";
}

std::string PageWriter::paragraph_class(const ParagraphFormat& f) {
    std::string css;
    if (f.alignment == Alignment::centre) css += "text-align:center;";
    else if (f.alignment == Alignment::right) css += "text-align:right;";
    if (f.space_before) css += "margin-top:" + points(*f.space_before) + ";";
    if (f.space_after) css += "margin-bottom:" + points(*f.space_after) + ";";
    if (f.line_spacing && *f.line_spacing != 0) css += "line-height:" + points(std::abs(*f.line_spacing)) + ";";
    if (f.left_indent) css += "margin-left:" + points(*f.left_indent) + ";";
    if (f.right_indent) css += "margin-right:" + points(*f.right_indent) + ";";
    if (f.first_indent) css += "text-indent:" + points(*f.first_indent) + ";";
    if (f.borders) {
        const Borders& b = *f.borders;
        std::string line = b.thick ? "2px solid" : "1px solid";
        if (b.box) css += "border:" + line + ";padding:2pt;";
        if (b.top) css += "border-top:" + line + ";";
        if (b.bottom) css += "border-bottom:" + line + ";";
        if (b.left) css += "border-left:" + line + ";";
        if (b.right) css += "border-right:" + line + ";";
    }
    if (f.keep_together) css += "break-inside:avoid;";
    if (css.empty()) return {};
    auto [it, added] = class_of_style_.emplace(css, static_cast<int>(paragraph_styles_.size()) + 1);
    if (added) paragraph_styles_.push_back(css);
    return format("p%d", it->second);
}

void PageWriter::close_region_for(bool non_scrolling) {
    std::string& p = out();
    if (non_scrolling && !in_region_ && !region_done_ && !table_open_) {
        p += "<div class=\"nsr\">\n";
        in_region_ = true;
    } else if (!non_scrolling && in_region_ && !table_open_) {
        p += "</div>\n";
        in_region_ = false;
        region_done_ = true;
    }
}

void PageWriter::paragraph_begin(const ParagraphFormat& f) {
    close_paragraph();
    if (!f.in_table) {
        close_table();
        close_region_for(f.non_scrolling);
    }
    paragraph_class_ = paragraph_class(f);
}

void PageWriter::open_paragraph() {
    std::string& p = out();
    if (paragraph_open_) return;
    p += paragraph_class_.empty() ? "<p>" : "<p class=\"" + paragraph_class_ + "\">";
    paragraph_open_ = true;
    paragraph_has_content_ = false;
}

void PageWriter::open_inline() {
    open_paragraph();
    std::string& p = page_;
    if (link_ && !link_open_) {
        if (link_->href) {
            p += "<a class=\"" + link_->css_class + "\" href=\"";
            append_escaped(p, *link_->href);
            p += '"';
        } else {
            p += "<span class=\"" + link_->css_class + "\"";
        }
        if (!link_->title.empty()) {
            p += " title=\"";
            append_escaped(p, link_->title);
            p += '"';
        }
        p += '>';
        link_open_ = true;
    }
    if (font_ >= 0 && !span_open_) {
        p += format("<span class=\"f%d\">", font_);
        span_open_ = true;
    }
    paragraph_has_content_ = true;
}

void PageWriter::close_span() {
    if (!span_open_) return;
    page_ += "</span>";
    span_open_ = false;
}

void PageWriter::close_link() {
    close_span();
    if (!link_open_) return;
    page_ += link_ && link_->href ? "</a>" : "</span>";
    link_open_ = false;
}

void PageWriter::close_paragraph() {
    close_link();
    if (paragraph_open_) {
        page_ += "</p>\n";
        paragraph_open_ = false;
    }
    page_ += after_paragraph_;
    after_paragraph_.clear();
    if (page_.size() >= kFlushSize && file_) {
        file_->write(page_);
        page_.clear();
    }
}

void PageWriter::text(std::string_view run) {
    open_inline();
    scratch_.clear();
    utf8_.append(scratch_, run);
    append_escaped(page_, scratch_);
}

void PageWriter::font(uint16_t number) {
    if (number == font_) return;
    close_span();
    font_ = number;
}

void PageWriter::tab() {
    open_inline();
    page_ += "<span class=\"tab\">\t</span>";
}

void PageWriter::line_break() {
    open_inline();
    page_ += "<br>";
}

std::optional<std::string> PageWriter::href_for(std::string_view context,
                                                const std::optional<std::string>& file) const {
    if (file) {
        std::string other = site_folder_name(*file);
        if (!other.empty() && other != site_.folder) {
            std::string name = safe_name(context);
            if (name.empty()) return std::nullopt;
            return "../" + other + "/" + name + ".html";
        }
    }
    const SiteTarget* target = site_.find(context);
    if (!target) return std::nullopt;
    std::string href = target->page;
    if (!target->anchor.empty()) href += "#" + target->anchor;
    return href;
}

PageWriter::Link PageWriter::link_for(const Hotspot& h) const {
    Link link;
    if (h.kind != HotspotKind::macro) {
        link.css_class = h.kind == HotspotKind::popup ? "popup" : "jump";
        link.href = href_for(h.target, h.file);
        if (!link.href) {
            link.css_class = "missing";
            link.title = utf8_(h.target);
        }
        return link;
    }
    // A macro is never run; the jumps and popups among them become links.
    link.css_class = "macro";
    link.title = utf8_(h.target);
    if (std::optional<MacroCall> call = parse_macro(h.target)) {
        const std::string& name = call->name;
        bool jump = name == "jumpid" || name == "ji";
        bool popup = name == "popupid" || name == "pi";
        if ((jump || popup) && call->arguments.size() >= 2) {
            std::string file = call->arguments[0];
            size_t window = file.find('>');
            if (window != std::string::npos) file.resize(window);
            std::optional<std::string> target_file;
            if (!file.empty()) target_file = file;
            if (auto href = href_for(call->arguments[1], target_file)) {
                link.href = href;
                link.css_class = popup ? "popup" : "jump";
            }
        } else if (name == "jumpcontents" || name == "contents") {
            link.href = "index.html";
            link.css_class = "jump";
        } else if (name == "search") {
            link.href = "keywords.html";
            link.css_class = "jump";
        }
    }
    return link;
}

void PageWriter::hotspot_begin(const Hotspot& h) {
    close_link();
    link_ = link_for(h);
}

void PageWriter::hotspot_end() {
    close_link();
    link_.reset();
}

void PageWriter::picture(Placement placement, uint16_t, const std::string& name) {
    open_inline();
    std::string& p = page_;
    auto it = site_.pictures.find(name);
    const char* place = placement == Placement::left ? " left" : placement == Placement::right ? " right" : "";
    if (it == site_.pictures.end() || it->second.file.empty()) {
        p += format("<span class=\"picture missing%s\">[", place);
        append_escaped(p, utf8_(name));
        p += "]</span>";
        return;
    }
    const SitePicture& picture = it->second;
    p += format("<img class=\"picture%s\" src=\"", place);
    append_escaped(p, picture.file);
    p += format("\" width=\"%d\" height=\"%d\" alt=\"", picture.width, picture.height);
    append_escaped(p, utf8_(name));
    p += '"';
    if (picture.areas.empty()) {
        p += '>';
        return;
    }
    std::string map = format("map%d", ++maps_);
    p += " usemap=\"#" + map + "\"><map name=\"" + map + "\" id=\"" + map + "\">";
    std::string list = "<ul class=\"hotspots\">\n";
    for (const SitePicture::Area& area : picture.areas) {
        Link link = link_for(area.hotspot);
        std::string label = utf8_(area.hotspot.target);
        if (!link.href) {
            list += "<li><span class=\"" + link.css_class + "\" title=\"";
            append_escaped(list, label);
            list += "\">";
            append_escaped(list, label);
            list += "</span></li>\n";
            continue;
        }
        p += format("<area shape=\"rect\" coords=\"%d,%d,%d,%d\" class=\"", area.left, area.top, area.right,
                    area.bottom);
        p += link.css_class + "\" href=\"";
        append_escaped(p, *link.href);
        p += "\" alt=\"";
        append_escaped(p, label);
        p += "\">";
        list += "<li><a class=\"" + link.css_class + "\" href=\"";
        append_escaped(list, *link.href);
        list += "\">";
        append_escaped(list, label);
        list += "</a></li>\n";
    }
    p += "</map>";
    list += "</ul>\n";
    after_paragraph_ += list;
}

void PageWriter::embedded_window(Placement, std::string_view description) {
    open_inline();
    page_ += "<span class=\"window\">[";
    append_escaped(page_, utf8_(description));
    page_ += "]</span>";
}

void PageWriter::paragraph_end(bool) {
    open_paragraph();
    // An empty paragraph keeps its line.
    if (!paragraph_has_content_) page_ += "<br>";
    close_link();
    page_ += "</p>\n";
    paragraph_open_ = false;
    page_ += after_paragraph_;
    after_paragraph_.clear();
}

void PageWriter::paragraph_done() { close_paragraph(); }

void PageWriter::table_begin(const TableRow& row) {
    out();
    if (!row.supported) return;
    close_paragraph();
    close_region_for(false);
    // Rows that follow each other make one table.
    page_ += table_open_ ? "<tr>" : "<table class=\"row\"><tr>";
    table_open_ = true;
    row_open_ = true;
    open_cell(row, 0);
}

void PageWriter::open_cell(const TableRow& row, int column) {
    page_ += "<td";
    if (column >= 0 && static_cast<size_t>(column) < row.widths.size() && row.type != 0) {
        // Widths in units of ten twips: a point is two of them.
        page_ += format(" style=\"width:%dpt\"", row.widths[static_cast<size_t>(column)] / 2);
    }
    page_ += '>';
    row_ = row;
}

void PageWriter::next_cell(int column) {
    close_paragraph();
    if (!row_open_) return;
    page_ += "</td>";
    open_cell(row_, column);
}

void PageWriter::table_end() {
    close_paragraph();
    if (!row_open_) return;
    page_ += "</td></tr>\n";
    row_open_ = false;
}

void PageWriter::close_table() {
    if (row_open_) {
        page_ += "</td></tr>\n";
        row_open_ = false;
    }
    if (table_open_) {
        page_ += "</table>\n";
        table_open_ = false;
    }
}

}  // namespace korvane
