// SPDX-License-Identifier: MIT
#include "html/site.h"

#include "base/messages.h"
#include "base/out_stream.h"
#include "html/contents_page.h"
#include "html/escape.h"
#include "html/keyword_index.h"
#include "html/keyword_page.h"
#include "html/page_writer.h"
#include "html/search_index.h"
#include "html/site_files.h"
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
        files.write(name, p);
    }
}

// The names the site's own files take, which no topic's page may have.
TopicMapOptions site_map_options() {
    TopicMapOptions options;
    options.extension = std::string(kPageExtension);
    for (std::string_view name : {kIndexPage, kKeywordsPage, kStyleSheetFile, kSearchPage, kScriptFile, kFilesFolder}) {
        options.reserved.emplace_back(name);
    }
    return options;
}

}  // namespace

void write_help_site(const HelpModel& model, Reporter& report, OutputSink& output, const SiteSource& source) {
    const int code_page = model.code_page.code_page;
    const SiteFiles files(output, source.out_dir);
    text::Utf8Converter utf8;

    const TopicMap map(model, write_site_pictures(model.file, files), site_map_options(), report);
    const KeywordIndex keywords(map, utf8, code_page);
    const Site site{model, map, keywords, files, text::site_language(code_page, source.locale), code_page};

    report_progress(report, 0, Msg::ReadingTopics);
    PageWriter pages(site);
    ContextNamer names(model.context_names);
    decode_topics(TopicContext{model, names, report}, pages, WalkOptions{{25, 25}, false});
    const WrittenPages written = pages.finish();

    std::string title = utf8.convert(source.title, code_page);
    if (title.empty() && model.contents) title = utf8.convert(model.contents->title, code_page);
    if (title.empty()) title = map.key();
    write_forwards(map, files);
    const std::vector<std::string> labels =
        topic_labels(map, utf8, code_page, written.first_lines, text::labels_for(site.language));
    write_keyword_page(site, labels, title);
    write_contents_page(site, utf8, title, source.baggage, labels);
    write_search(site, written.page_texts, labels, title);
    files.write(kStyleSheetFile, style_sheet(written.paragraph_styles, font_rules(model.fonts)) + written.window_rules);
    files.write(kScriptFile, std::string(kPopupScript) + std::string(kIndexScript));
    report_progress(report, 100, Msg::None);
}

}  // namespace korvane::html
