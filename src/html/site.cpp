// SPDX-License-Identifier: MIT
#include "html/site.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/format.h"
#include "base/messages.h"
#include "base/out_stream.h"
#include "base/output_sink.h"
#include "html/escape.h"
#include "html/page_names.h"
#include "html/page_writer.h"
#include "html/site_style.h"
#include "html/utf8.h"
#include "pictures/web_picture.h"
#include "topics/context_hash.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "topics/topic_decoder.h"
#include "topics/indexes.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Calls each(keyword) for the keywords of a ';'-separated list, leading
// blanks cut, empty ones left out, until it returns false.
template <class Each>
void for_each_keyword(std::string_view list, Each each) {
    while (!list.empty()) {
        size_t end = list.find(';');
        std::string_view keyword = list.substr(0, end);
        while (!keyword.empty() && keyword.front() == ' ') keyword.remove_prefix(1);
        if (!keyword.empty() && !each(keyword)) return;
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
}

// The entries of keywords.html for one table, and the ids they are found by.
void index_keywords(const std::map<std::string, std::vector<size_t>>& keywords, char table,
                    html::Utf8Converter& utf8, int code_page, std::vector<SiteMap::KeywordEntry>& entries,
                    std::unordered_map<std::string, std::string>& ids_by_keyword) {
    std::vector<const std::string*> stored;
    for (const auto& [keyword, topics] : keywords) {
        entries.push_back({utf8.convert(keyword, code_page), {}, &topics});
        stored.push_back(&keyword);
    }
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return lower(entries[a].text) < lower(entries[b].text); });
    std::vector<SiteMap::KeywordEntry> sorted;
    std::unordered_set<std::string> taken;
    for (size_t i : order) {
        SiteMap::KeywordEntry& e = entries[i];
        std::string id = (table == 'A' ? "a-" : "k-") + html::safe_name(e.text);
        if (taken.insert(id).second) {
            e.id = id;
            ids_by_keyword.emplace(lower(*stored[i]), id);
        }
        sorted.push_back(std::move(e));
    }
    entries = std::move(sorted);
}

// The first pass: every topic with its title, context ids, keywords and
// browse links, and the targets of popups, so that pages can link forward
// and embed what their popups show.
class SiteScan : public TopicSink {
public:
    explicit SiteScan(SiteMap& site) : site_(site) {}

    bool needs_text() const override { return false; }

    void topic_begin(const TopicStart& start) override {
        SiteTopic topic;
        topic.number = start.number;
        topic.title = std::string(start.title);
        topic.browse = start.browse;
        topic.has_browse = start.browse.prev != -1 || start.browse.next != -1;
        site_.topics.push_back(std::move(topic));
        for (const std::string& id : start.context_ids) context_id(id);
    }
    void context_id(std::string_view id) override { current().context_ids.emplace_back(id); }
    void keywords(char table, std::string_view list) override {
        std::map<std::string, std::vector<size_t>>& index = table == 'A' ? site_.a_keywords : site_.keywords;
        current();
        size_t topic = site_.topics.size() - 1;
        for_each_keyword(list, [&](std::string_view keyword) {
            std::vector<size_t>& topics = index[std::string(keyword)];
            if (topics.empty() || topics.back() != topic) topics.push_back(topic);
            return true;
        });
    }
    void hotspot_begin(const Hotspot& h) override {
        if (h.kind == HotspotKind::popup && !h.file) site_.popup_targets.insert(lower(h.target));
        if (h.kind == HotspotKind::jump && h.window && !h.file) site_.jump_windows.emplace(lower(h.target), *h.window);
        if (h.kind == HotspotKind::macro) {
            std::optional<MacroTarget> target = macro_target(h.target);
            if (target && target->popup) site_.popup_targets.insert(lower(target->context));
        }
    }
    void paragraph_begin(const ParagraphFormat&) override { current(); }
    void table_begin(const TableRow&) override { current(); }

private:
    // Records ahead of the first topic header make an unnamed topic.
    SiteTopic& current() {
        if (site_.topics.empty()) site_.topics.emplace_back();
        return site_.topics.back();
    }

    SiteMap& site_;
};

// Page names, context targets, forwarding pages, browse keys, popups.
void name_pages(SiteMap& site) {
    html::PageNames names;
    names.reserve("korvane.js");
    names.reserve("files");
    for (const auto& [name, picture] : site.pictures) {
        if (!picture.file.empty()) names.reserve(picture.file);
    }
    for (size_t i = 0; i < site.topics.size(); ++i) {
        SiteTopic& topic = site.topics[i];
        topic.page = names.add(topic.context_ids.empty() ? std::string() : lower(topic.context_ids.front()), i);
        for (size_t k = 0; k < topic.context_ids.size(); ++k) {
            std::string key = lower(topic.context_ids[k]);
            if (site.contexts.count(key)) continue;
            SiteTarget target{i, topic.page, k == 0 ? std::string() : "c-" + html::safe_name(key)};
            site.contexts.emplace(key, target);
            if (site.popup_targets.count(key)) topic.popup = true;
        }
        if (topic.has_browse) site.by_browse_key.emplace(topic.browse.self, i);
    }
    // A further context id gets a page of its own name that forwards to it,
    // so that other sites can link to every context id by name.
    for (const SiteTopic& topic : site.topics) {
        for (size_t k = 1; k < topic.context_ids.size(); ++k) {
            std::string name = context_page_stem(topic.context_ids[k]) + ".html";
            if (!names.reserve(name)) continue;
            site.forwards.emplace_back(name, *site.find(topic.context_ids[k]));
        }
    }
}

void finish(OutStream& out, std::string_view text) {
    out.write(text);
    out.close();
    if (out.failed()) fatal_error(Fatal::DiskFull);
}

void write_forwards(const SiteMap& site) {
    for (const auto& [name, target] : site.forwards) {
        std::string href = target.page + "#" + target.anchor;
        std::string p = "<!DOCTYPE html>\n<html lang=\"und\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
        append_text(p, href);
        p += "</title>\n<meta http-equiv=\"refresh\" content=\"0; url=";
        append_attribute(p, href);
        p += "\">\n</head>\n<body>\n<p><a href=\"";
        append_attribute(p, href);
        p += "\">";
        append_text(p, href);
        p += "</a></p>\n</body>\n</html>\n";
        finish(*create_site_file(site, name), p);
    }
}

std::string topic_label(const SiteTopic& topic, html::Utf8Converter& utf8, int code_page) {
    std::string label = utf8.convert(topic.title, code_page);
    if (label.empty()) label = topic.context_ids.empty() ? topic.page : utf8.convert(topic.context_ids.front(), code_page);
    return label;
}

// One keyword list: each keyword with a link to each of its topics.
void append_keyword_list(std::string& p, const SiteMap& site, html::Utf8Converter& utf8, int code_page,
                         const std::vector<SiteMap::KeywordEntry>& entries) {
    p += "<dl class=\"keywords\">\n";
    for (const SiteMap::KeywordEntry& e : entries) {
        if (e.id.empty()) {
            p += "<dt>";
        } else {
            p += "<dt id=\"";
            append_attribute(p, e.id);
            p += "\">";
        }
        append_text(p, e.text);
        p += "</dt>\n";
        for (size_t t : *e.topics) {
            if (t >= site.topics.size()) continue;
            p += "<dd><a href=\"";
            append_attribute(p, site.topics[t].page);
            p += "\">";
            append_text(p, topic_label(site.topics[t], utf8, code_page));
            p += "</a></dd>\n";
        }
    }
    p += "</dl>\n";
}

void write_keyword_page(const SiteMap& site, html::Utf8Converter& utf8, int code_page, const std::string& title) {
    std::string p = page_head(language_of_code_page(code_page), title + " - Index");
    p += "<body>\n<nav class=\"site\"><a href=\"index.html\">Contents</a></nav>\n<h1 class=\"title\">Index</h1>\n";
    append_keyword_list(p, site, utf8, code_page, site.k_index);
    if (!site.a_keywords.empty()) {
        p += "<h2 id=\"associative\">Associative keywords</h2>\n";
        append_keyword_list(p, site, utf8, code_page, site.a_index);
    }
    p += "</body>\n</html>\n";
    finish(*create_site_file(site, "keywords.html"), p);
}

// The contents file's tree as nested lists; topics of this help file link
// to their pages, those of other files to those files' sites.
void append_contents(std::string& p, const SiteMap& site, html::Utf8Converter& utf8, int code_page,
                     const std::vector<ContentsEntry>& entries) {
    p += "<ul>\n";
    for (const ContentsEntry& e : entries) {
        std::string title = utf8.convert(e.title, code_page);
        p += "<li>";
        std::optional<std::string> href;
        if (e.kind == ContentsEntry::Kind::topic) {
            std::string other = e.file.empty() ? std::string() : site_folder_name(e.file);
            if (!other.empty() && other != site.folder) {
                href = "../" + other + "/" + context_page_stem(e.context) + ".html";
            } else if (const SiteTarget* target = site.find(e.context)) {
                href = target->page + (target->anchor.empty() ? "" : "#" + target->anchor);
            }
        }
        if (href) {
            p += "<a href=\"";
            append_attribute(p, *href);
            p += "\">";
            append_text(p, title);
            p += "</a>";
        } else {
            append_text(p, title);
        }
        if (!e.children.empty()) append_contents(p, site, utf8, code_page, e.children);
        p += "</li>\n";
    }
    p += "</ul>\n";
}

void write_index_page(const SiteMap& site, html::Utf8Converter& utf8, int code_page, const std::string& title,
                      const SiteSource& source, const std::optional<ContentsFile>& contents) {
    std::string p = page_head(language_of_code_page(code_page), title);
    p += "<body>\n<nav class=\"site\"><a href=\"keywords.html\">Index</a></nav>\n<h1 class=\"title\">";
    append_text(p, title);
    p += "</h1>\n<nav class=\"contents\">\n";
    if (contents && !contents->entries.empty()) {
        append_contents(p, site, utf8, code_page, contents->entries);
    } else {
        p += "<ul>\n";
        for (const SiteTopic& topic : site.topics) {
            if (topic.title.empty()) continue;
            p += "<li><a href=\"";
            append_attribute(p, topic.page);
            p += "\">";
            append_text(p, utf8.convert(topic.title, code_page));
            p += "</a></li>\n";
        }
        p += "</ul>\n";
    }
    p += "</nav>\n";
    if (!source.baggage.empty()) {
        p += "<h2>Files</h2>\n<ul class=\"baggage\">\n";
        for (const std::string& name : source.baggage) {
            std::string href = html::link_target("files/" + name);
            if (href.empty()) continue;
            p += "<li><a href=\"";
            append_attribute(p, href);
            p += "\">";
            append_text(p, utf8.convert(name, code_page));
            p += "</a></li>\n";
        }
        p += "</ul>\n";
    }
    p += "</body>\n</html>\n";
    finish(*create_site_file(site, "index.html"), p);
}

// Only letters, digits, space and '-' of a face name reach the style sheet.
std::string css_face(std::string_view face) {
    std::string out;
    for (char c : face) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-') out += c;
    }
    return out;
}

std::vector<std::string> font_rules(const FontTable& fonts) {
    static const char* const kGeneric[] = {"sans-serif", "monospace", "serif", "sans-serif", "cursive", "fantasy"};
    std::vector<std::string> rules;
    for (size_t i = 0; i < fonts.descriptors.size(); ++i) {
        const FontDescriptor& f = fonts.descriptors[i];
        std::string rule = format(".f%d { font-family: ", static_cast<int>(i));
        std::string face = css_face(f.face);
        if (!face.empty()) rule += "\"" + face + "\", ";
        rule += kGeneric[f.family <= kFamilyDecorative ? f.family : 0];
        int half_points = std::abs(static_cast<int>(f.half_points));
        if (half_points > 0 && half_points < 400) {
            rule += format(half_points % 2 ? "; font-size: %d.5pt" : "; font-size: %dpt", half_points / 2);
        }
        if (f.bold) rule += "; font-weight: bold";
        if (f.italic) rule += "; font-style: italic";
        if (f.underline || f.double_underline || f.strike_out) {
            rule += "; text-decoration:";
            if (f.underline || f.double_underline) rule += " underline";
            if (f.strike_out) rule += " line-through";
            if (f.double_underline) rule += " double";
        }
        if (f.small_caps) rule += "; font-variant: small-caps";
        // As in the RTF colour table, white text is taken for black.
        RgbColour c = f.text_colour;
        if (c == RgbColour{255, 255, 255}) c = RgbColour{};
        rule += format("; color: #%02x%02x%02x }", c.red, c.green, c.blue);
        rules.push_back(rule);
    }
    return rules;
}

std::string style_sheet(const std::vector<std::string>& paragraph_styles, const std::vector<std::string>& fonts) {
    std::string css(html::kSiteStyleSheet);
    css += "nav.site { padding: 0.3em 0; border-bottom: 1px solid #ccc; margin-bottom: 0.5em; }\n"
           "nav.site a { margin-right: 1em; }\n"
           "h1.title { font-size: 1.3em; }\n"
           "span.missing { text-decoration: underline dotted; }\n"
           "span.embedded-window { display: inline-block; border: 1px dashed #808080; color: #505050;"
           " font-style: italic; padding: 0.2em 0.6em; }\n"
           "dl.keywords dd { margin-left: 1.5em; }\n";
    for (const std::string& rule : fonts) css += rule + "\n";
    for (size_t i = 0; i < paragraph_styles.size(); ++i) {
        css += format(".p%d { %s }\n", static_cast<int>(i + 1), paragraph_styles[i]);
    }
    return css;
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Every picture container "bmN" or "|bmN" as bmN.png; the topic text then
// refers to it by that name.
void write_pictures(const HelpFile& help, SiteMap& site) {
    for (const InternalFile& row : help.files) {
        std::string_view name = row.name;
        if (starts_with(name, "|")) name.remove_prefix(1);
        if (!starts_with(name, "bm") || name.size() == 2) continue;
        std::string_view digits = name.substr(2);
        if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        uint32_t number = static_cast<uint32_t>(std::atoi(std::string(digits).c_str()));
        if (number >= 0xFFFF) continue;
        std::string file = site_picture_name(number);
        if (site.pictures.count(file)) continue;
        SitePicture& picture = site.pictures[file];
        WebPictureResult result = web_picture(help, row.name);
        if (!result.picture) continue;
        const WebPicture& web = *result.picture;
        std::unique_ptr<OutStream> out = create_site_file(site, file);
        finish(*out, std::string_view(reinterpret_cast<const char*>(web.bytes.data()), web.bytes.size()));
        picture.file = file;
        picture.width = web.width;
        picture.height = web.height;
        for (const PictureHotspot& h : web.hotspots) {
            SitePicture::Area area;
            area.left = h.left;
            area.top = h.top;
            area.right = h.left + h.width;
            area.bottom = h.top + h.height;
            area.hotspot.kind = h.kind;
            area.hotspot.hash = h.hash;
            area.hotspot.target = h.target;
            picture.areas.push_back(std::move(area));
        }
    }
}

}  // namespace

std::unique_ptr<OutStream> create_site_file(const SiteMap& site, const std::string& name) {
    std::string path = site.out_dir + name;
    errno = 0;
    // Pictures are binary; pages and style sheets are text with CR LF.
    std::unique_ptr<OutStream> out =
        site.output->open(path, name.size() > 4 && name.substr(name.size() - 4) == ".png" ? "wb" : "wt");
    if (!out) fatal_error(Fatal::CannotCreate, path, std::strerror(errno));
    return out;
}

const SiteTarget* SiteMap::find(std::string_view context_id) const {
    static thread_local std::string key;
    key.assign(context_id);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    auto it = contexts.find(key);
    return it == contexts.end() ? nullptr : &it->second;
}

std::string page_head(std::string_view lang, std::string_view title) {
    std::string p = "<!DOCTYPE html>\n<html lang=\"";
    p += lang;
    p += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    append_text(p, title);
    p += "</title>\n<link rel=\"stylesheet\" href=\"korvane.css\">\n<script src=\"korvane.js\" defer></script>\n"
         "</head>\n";
    return p;
}

std::optional<std::string> SiteMap::keyword_anchor(char table, std::string_view keywords) const {
    const auto& ids = table == 'A' ? a_keyword_ids : k_keyword_ids;
    std::optional<std::string> found;
    for_each_keyword(keywords, [&](std::string_view keyword) {
        while (!keyword.empty() && keyword.back() == ' ') keyword.remove_suffix(1);
        auto it = ids.find(lower(keyword));
        if (it == ids.end()) return true;
        found = it->second;
        return false;
    });
    return found;
}

std::string site_folder_name(std::string_view help_path) {
    size_t slash = help_path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? help_path : help_path.substr(slash + 1);
    size_t gt = name.find('>');  // a window after the file name
    if (gt != std::string_view::npos) name = name.substr(0, gt);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    // A name with nothing before its extension gets a folder all the same.
    if (name.empty()) return "help";
    return html::safe_name(lower(name), html::kMaxPageStem);
}

std::string context_page_stem(std::string_view context_id) {
    return html::safe_name(lower(context_id), html::kMaxPageStem);
}

const char* language_of_code_page(int code_page) {
    switch (code_page) {
    case 874: return "th";
    case 932: return "ja";
    case 936: return "zh-Hans";
    case 949: return "ko";
    case 950: return "zh-Hant";
    case 1253: return "el";
    case 1254: return "tr";
    case 1255: return "he";
    case 1256: return "ar";
    case 1258: return "vi";
    default: return "und";
    }
}

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
        if (quote != '"' && quote != '`') break;  // not a plain string: the arguments end here
        char close = quote == '`' ? '\'' : '"';
        size_t end = macro.find(close, i + 1);
        if (end == std::string_view::npos) break;
        call.arguments.emplace_back(macro.substr(i + 1, end - i - 1));
        i = end + 1;
    }
    return call;
}

std::optional<MacroTarget> macro_target(std::string_view macro) {
    std::optional<MacroCall> call = parse_macro(macro);
    if (!call || call->arguments.size() < 2) return std::nullopt;
    bool jump = call->name == "jumpid" || call->name == "ji";
    bool popup = call->name == "popupid" || call->name == "pi";
    if (!jump && !popup) return std::nullopt;
    MacroTarget target;
    target.file = call->arguments[0];
    size_t window = target.file.find('>');
    if (window != std::string::npos) target.file.resize(window);
    target.context = call->arguments[1];
    target.popup = popup;
    return target;
}

void write_help_site(const HelpModel& model, Reporter& report, OutputSink& output, const SiteSource& source) {
    const int code_page = model.code_page.code_page;
    SiteMap site;
    site.folder = site_folder_name(source.help_path);
    site.out_dir = source.out_dir;
    site.output = &output;
    html::Utf8Converter utf8;

    write_pictures(model.file, site);

    report_progress(report, 0, Msg::ScanningBrowseSequences);
    SiteScan scan(site);
    report.warnings_muted = true;
    ContextNamer names(model.context_names);
    decode_topics(TopicContext{model, names, report}, scan, WalkOptions{{0, 25}, false});
    report.warnings_muted = false;
    name_pages(site);
    index_keywords(site.keywords, 'K', utf8, code_page, site.k_index, site.k_keyword_ids);
    index_keywords(site.a_keywords, 'A', utf8, code_page, site.a_index, site.a_keyword_ids);

    report_progress(report, 0, Msg::ReadingTopics);
    PageWriter pages(model, site);
    decode_topics(TopicContext{model, names, report}, pages, WalkOptions{{25, 25}, false});
    pages.finish();

    std::string title = utf8.convert(source.title, code_page);
    if (title.empty() && model.contents) title = utf8.convert(model.contents->title, code_page);
    if (title.empty()) title = site.folder;
    write_forwards(site);
    write_keyword_page(site, utf8, code_page, title);
    write_index_page(site, utf8, code_page, title, source, model.contents);
    finish(*create_site_file(site, std::string(html::kStyleSheetFile)),
           style_sheet(pages.paragraph_styles(), font_rules(model.fonts)) + pages.window_rules());
    finish(*create_site_file(site, "korvane.js"), html::kPopupScript);
    report_progress(report, 100, Msg::None);
}

std::string site_picture_name(uint32_t number) { return format("bm%d.png", static_cast<int>(number)); }

}  // namespace korvane
