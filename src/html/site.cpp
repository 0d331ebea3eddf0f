// SPDX-License-Identifier: MIT
#include "html/site.h"

#include "base/messages.h"
#include "output/out_stream.h"
#include "html/contents_page.h"
#include "html/escape.h"
#include "html/keyword_index.h"
#include "html/keyword_page.h"
#include "html/page_writer.h"
#include "html/search_index.h"
#include "html/site_files.h"
#include "html/site_pages.h"
#include "html/site_pictures.h"
#include "html/site_style.h"
#include "text/labels.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"
#include "topics/context_hash.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "topics/topic_decoder.h"

namespace korvane::html {

namespace {

void write_forwards(const TopicMap& map, const SiteFiles& files) {
    for (const auto& [name, target] : map.forwards()) {
        const std::string href = target.href();
        std::string p = "<!DOCTYPE html>\n<html lang=\"und\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
        append_text(p, href);
        p += "</title>\n<meta http-equiv=\"refresh\" content=\"0; url=";
        append_attribute(p, href);
        p += "\">\n</head>\n<body>\n<p><a href=\"";
        append_attribute(p, href);
        p += "\">";
        append_text(p, href);
        p += "</a></p>\n</body>\n</html>\n";
        files.write_page(name, p);
    }
}

}  // namespace

TopicMapOptions site_map_options() {
    TopicMapOptions options;
    options.extension = std::string(kPageExtension);
    for (std::string_view name : {kIndexPage, kKeywordsPage, kStyleSheetFile, kSearchPage, kScriptFile, kFilesFolder}) {
        options.reserved.emplace_back(name);
    }
    return options;
}

WrittenSite write_site_pages(const HelpModel& model, const TopicMap& map, Reporter& report, const SiteFiles& files,
                             const SiteSource& source) {
    const int code_page = model.code_page.code_page;
    text::Utf8Converter utf8;
    const KeywordIndex keywords(map, utf8, code_page);
    const Site site{model, map, keywords, files, text::site_language(code_page, source.locale), code_page};

    report_progress(report, 0, Msg::ReadingTopics);
    PageWriter pages(site);
    ContextNamer names(model.context_names);
    decode_topics(TopicContext{model, names, report}, pages, WalkOptions{{25, 25}, false});
    WrittenSite written;
    written.pages = pages.finish();

    written.title = utf8.convert(source.title, code_page);
    if (written.title.empty() && model.contents) written.title = utf8.convert(model.contents->title, code_page);
    if (written.title.empty()) written.title = map.key();
    write_forwards(map, files);
    written.labels =
        topic_labels(map, utf8, code_page, written.pages.first_lines, text::labels_for(site.language));
    write_keyword_page(site, written.labels, written.title);
    write_contents_page(site, utf8, written.title, source.baggage, written.labels);
    if (files.options().search) write_search(site, written.pages.page_texts, written.labels, written.title);
    return written;
}

void write_help_site(const HelpModel& model, Reporter& report, OutputSink& output, const SiteSource& source) {
    const SiteFiles files(output, source.out_dir);
    const TopicMap map(model, write_site_pictures(model.file, files), site_map_options(), report);
    const WrittenSite written = write_site_pages(model, map, report, files, source);
    files.write(kStyleSheetFile, style_sheet(written.pages.paragraph_styles, font_rules(model.fonts)) +
                                     written.pages.window_rules);
    files.write(kScriptFile, std::string(kPopupScript) + std::string(kIndexScript));
    report_progress(report, 100, Msg::None);
}

}  // namespace korvane::html
