// SPDX-License-Identifier: MIT
#include "html/site.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/ascii.h"
#include "base/format.h"
#include "base/messages.h"
#include "base/out_stream.h"
#include "base/output_sink.h"
#include "html/contents_page.h"
#include "html/escape.h"
#include "html/keyword_page.h"
#include "html/labels.h"
#include "html/macro_links.h"
#include "html/macros.h"
#include "html/page_names.h"
#include "html/page_writer.h"
#include "html/search_index.h"
#include "html/site_pictures.h"
#include "html/site_style.h"
#include "html/utf8.h"
#include "topics/context_hash.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "topics/indexes.h"
#include "topics/topic_decoder.h"

namespace korvane {

namespace {

using html::append_attribute;
using html::append_text;

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

// The first pass: every topic with its title, context ids, keywords (and
// where inside the topic they stand), browse links and what its hotspots
// lead to, and the targets of popups, so that pages can link forward and
// embed what their popups show.
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
        places_.topic_begin();
        for (const std::string& id : start.context_ids) context_id(id);
    }
    void context_id(std::string_view id) override {
        current().context_ids.emplace_back(id);
        places_.context_id();
    }
    void keywords(char table, std::string_view list) override {
        std::map<std::string, std::vector<size_t>>& index = table == 'A' ? site_.a_keywords : site_.keywords;
        current();
        size_t topic = site_.topics.size() - 1;
        std::string anchor = places_.keywords(topic);
        for_each_keyword(list, [&](std::string_view keyword) {
            std::vector<size_t>& topics = index[std::string(keyword)];
            if (topics.empty() || topics.back() != topic) {
                topics.push_back(topic);
                // The first place of a keyword in a topic is where it leads.
                if (!anchor.empty()) {
                    site_.keyword_anchors.emplace(std::tuple(table, std::string(keyword), topic), anchor);
                }
            }
            return true;
        });
    }
    void hotspot_begin(const Hotspot& h) override {
        current();
        if (h.kind == HotspotKind::popup && !h.file) site_.popup_targets.insert(ascii_lower(h.target));
        if (h.kind == HotspotKind::jump && h.window && !h.file) site_.jump_windows.emplace(ascii_lower(h.target), *h.window);
        if (h.kind == HotspotKind::macro) {
            std::optional<MacroTarget> target = macro_target(h.target);
            if (target && target->popup) site_.popup_targets.insert(ascii_lower(target->context));
        }
        leads_to(h);
    }
    void picture(Placement, uint16_t, const std::string& name) override {
        current();
        auto it = site_.pictures.find(name);
        if (it == site_.pictures.end()) return;
        for (const SitePicture::Area& area : it->second.areas) leads_to(area.hotspot);
    }
    void paragraph_begin(const ParagraphFormat&) override {
        current();
        places_.content();
    }
    void table_begin(const TableRow&) override {
        current();
        places_.content();
    }

private:
    // Records ahead of the first topic header make an unnamed topic.
    SiteTopic& current() {
        if (site_.topics.empty()) site_.topics.emplace_back();
        return site_.topics.back();
    }

    bool local(const std::string& file) const { return file.empty() || site_folder_name(file) == site_.folder; }

    // Notes the topic or keywords of this help file a hotspot leads to.
    void leads_to(const Hotspot& h) {
        std::vector<std::vector<std::string>>& jumps = site_.jumps;
        jumps.resize(site_.topics.size());
        if (h.kind != HotspotKind::macro) {
            if (local(h.file.value_or(""))) jumps.back().push_back(ascii_lower(h.target));
            return;
        }
        if (std::optional<MacroTarget> target = macro_target(h.target)) {
            if (local(target->file)) jumps.back().push_back(ascii_lower(target->context));
        } else if (std::optional<MacroCall> call = parse_macro(h.target)) {
            std::optional<KeywordLink> link = keyword_link(*call);
            if (link && local(link->file)) site_.keyword_links.emplace(link->table, link->keywords);
        }
    }

    SiteMap& site_;
    KeywordPlaces places_;
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
        topic.page = names.add(topic.context_ids.empty() ? std::string() : ascii_lower(topic.context_ids.front()), i);
        for (size_t k = 0; k < topic.context_ids.size(); ++k) {
            std::string key = ascii_lower(topic.context_ids[k]);
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

}  // namespace

void write_help_site(const HelpModel& model, Reporter& report, OutputSink& output, const SiteSource& source) {
    const int code_page = model.code_page.code_page;
    SiteMap site;
    site.folder = site_folder_name(source.help_path);
    site.out_dir = source.out_dir;
    site.output = &output;
    site.language = html::site_language(code_page, source.locale);
    html::Utf8Converter utf8;

    write_site_pictures(model.file, site);

    report_progress(report, 0, Msg::ScanningBrowseSequences);
    SiteScan scan(site);
    report.warnings_muted = true;
    ContextNamer names(model.context_names);
    decode_topics(TopicContext{model, names, report}, scan, WalkOptions{{0, 25}, false});
    report.warnings_muted = false;
    name_pages(site);
    site.jumps.resize(site.topics.size());
    index_keywords(site, utf8, code_page);
    resolve_keyword_links(site, utf8, code_page);

    report_progress(report, 0, Msg::ReadingTopics);
    PageWriter pages(model, site);
    decode_topics(TopicContext{model, names, report}, pages, WalkOptions{{25, 25}, false});
    pages.finish();

    std::string title = utf8.convert(source.title, code_page);
    if (title.empty() && model.contents) title = utf8.convert(model.contents->title, code_page);
    if (title.empty()) title = site.folder;
    write_forwards(site);
    std::vector<std::string> labels = topic_labels(site, utf8, code_page, pages.first_lines());
    write_keyword_page(site, labels, title);
    write_contents_page(site, utf8, code_page, title, source, model.contents, labels);
    write_search(site, pages.page_texts(), code_page, title);
    finish(*create_site_file(site, std::string(html::kStyleSheetFile)),
           html::style_sheet(pages.paragraph_styles(), html::font_rules(model.fonts)) + pages.window_rules());
    finish(*create_site_file(site, "korvane.js"), std::string(html::kPopupScript) + std::string(html::kIndexScript));
    report_progress(report, 100, Msg::None);
}

}  // namespace korvane
