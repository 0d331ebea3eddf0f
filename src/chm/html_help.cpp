// SPDX-License-Identifier: MIT
#include "chm/html_help.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "base/messages.h"
#include "output/out_stream.h"
#include "output/output_sink.h"
#include "chm/compile.h"
#include "chm/contents_file.h"
#include "chm/index_file.h"
#include "chm/language.h"
#include "chm/map_header.h"
#include "chm/page_style.h"
#include "chm/project_file.h"
#include "chm/project_text.h"
#include "helpfile/system.h"
#include "html/keyword_index.h"
#include "html/keyword_page.h"
#include "html/site_files.h"
#include "html/site_pages.h"
#include "html/site_pictures.h"
#include "html/site_style.h"
#include "project/bitmaps_baggage.h"
#include "project/map_section.h"
#include "text/labels.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"
#include "topics/help_model.h"

namespace korvane::chm {

namespace {

// The output, recording the files written into the project's folder.
class ProjectSink final : public OutputSink {
public:
    ProjectSink(OutputSink& output, std::string folder) : output_(output), folder_(std::move(folder)) {}

    std::unique_ptr<OutStream> open(const std::string& name, std::string_view mode) override {
        if (name.starts_with(folder_)) files_.insert(name.substr(folder_.size()));
        return output_.open(name, mode);
    }
    bool read(const std::string& name, std::vector<uint8_t>& bytes) const override { return output_.read(name, bytes); }
    void remove(const std::string& name) override {
        if (name.starts_with(folder_)) files_.erase(name.substr(folder_.size()));
        output_.remove(name);
    }
    std::string scratch_name(const std::string& name) const override { return output_.scratch_name(name); }
    std::string disk_path(const std::string& name) const override { return output_.disk_path(name); }

    // The files in the folder, in byte order.
    const std::set<std::string>& files() const { return files_; }

private:
    OutputSink& output_;
    std::string folder_;
    std::set<std::string> files_;
};

void write_text(OutputSink& output, const std::string& name, const std::string& text) {
    errno = 0;
    std::unique_ptr<OutStream> out = output.open(name, "wt");
    if (!out) fatal_error(Fatal::CannotCreate, name, std::strerror(errno));
    out->write(text);
    out->close();
    if (out->failed()) fatal_error(Fatal::DiskFull);
}

// The topic the viewer shows first: the contents topic, whose offset
// |SYSTEM record 3 holds (0 in README.HLP and LEAKYBIN.HLP of the corpus,
// whose projects name their first topic CONTENTS), else the first topic.
std::string default_topic(const HelpModel& model, const TopicMap& map) {
    std::optional<uint32_t> contents;
    for_each_system_record(model.file, [&](uint16_t type, ByteReader record) {
        if (type != 3 || record.remaining() < 4) return true;
        contents = record.u32();
        return false;
    });
    if (contents) {
        ContextNamer names(model.context_names);
        if (std::optional<std::string> name = context_name_at(model.context_table, names, *contents)) {
            if (const MapTarget* target = map.find(*name)) return target->page;
        }
    }
    return map.topics().empty() ? std::string(html::kIndexPage) : map.topics().front().page;
}

// The site's topic map with the pages of other help files in their HTML
// Help files.
TopicMapOptions html_help_map_options() {
    TopicMapOptions options = html::site_map_options();
    options.before_key = "ms-its:";
    options.after_key = ".chm::/";
    return options;
}

// A name [FILES] can list: chmcmd reads the section as lines of an INI
// file, which cuts blanks at a line's ends and takes ';' there for a
// comment.
bool listable(const std::string& name) {
    return !name.empty() && name.front() != ' ' && name.back() != ' ' && name.front() != ';' && name.front() != '[';
}

}  // namespace

std::string project_folder(const std::string& key) { return key + "-chm/"; }

void write_html_help(const HelpModel& model, Reporter& report, OutputSink& output, const HtmlHelpSource& source) {
    const std::string folder = project_folder(model.key);
    const int code_page = model.code_page.code_page;
    const Language language = help_file_language(code_page, source.locale);
    const ProjectText text(language.code_page);
    ProjectSink project_output(output, folder);

    html::SiteSource site;
    site.out_dir = folder;
    site.title = source.title;
    site.locale = source.locale;
    site.baggage = copy_baggage_files(model.file, project_output, report, folder + std::string(html::kFilesFolder) + "/");
    html::PageOptions page_options;
    page_options.search = false;
    page_options.ie_edge = true;
    page_options.code_page = language.code_page;
    page_options.charset = language.charset;
    page_options.few_references = true;
    const html::SiteFiles files(project_output, folder, page_options);
    const TopicMap map(model, html::write_site_pictures(model.file, files), html_help_map_options(), report);
    const html::WrittenSite written = html::write_site_pages(model, map, report, files, site);
    const std::vector<std::string>& paragraph_styles = written.pages.paragraph_styles;
    files.write(html::kStyleSheetFile, html::style_sheet(paragraph_styles, html::font_rules(model.fonts)) +
                                           written.pages.window_rules +
                                           ie_style_rules(paragraph_styles, written.pages.window_rules));
    files.write(html::kScriptFile, tab_stops_script(paragraph_styles) + std::string(html::kPopupScript) +
                                       std::string(html::kIndexScript));

    text::Utf8Converter utf8;
    const text::Labels& words = text::labels_for(text::site_language(code_page, source.locale));
    write_text(output, folder + model.key + ".hhc",
               contents_file(model, map, written.labels, words.other_topics, utf8, text));
    const html::KeywordIndex keywords(map, utf8, code_page);
    write_text(output, folder + model.key + ".hhk", index_file(map, keywords, written.labels, text));
    const std::vector<ContextAlias> aliases = context_aliases(read_map_entries(model, report), map);
    write_text(output, folder + model.key + ".h", map_header(aliases));

    Project project;
    project.key = model.key;
    project.compiled_file = "../" + model.key + ".chm";
    project.title = written.title;
    project.default_topic = default_topic(model, map);
    project.language = language;
    project.windows = model.windows;
    project.text_code_page = code_page;
    for (const std::string& file : project_output.files()) {
        if (listable(file)) project.files.push_back(file);
    }
    project.aliases = aliases;
    write_text(output, folder + model.key + ".hhp", project_file(project, text));

    report_progress(report, 95, Msg::CompilingHtmlHelp);
    CompileJob job;
    job.folder = folder;
    job.key = model.key;
    project.compiled_file = kCompiledCopy;
    project.map = false;
    job.project_text = project_file(project, text);
    for (const ContextAlias& alias : aliases) job.map.push_back({static_cast<uint32_t>(alias.number), alias.page});
    if (compile_html_help(output, job, report) == Compiled::no_compiler) {
        const std::string hhp = model.key + ".hhp";
        add_warning(report, Msg::HtmlHelpNotCompiled, output.disk_path(folder + hhp), hhp);
    }
    report_progress(report, 100, Msg::None);
}

}  // namespace korvane::chm
