// SPDX-License-Identifier: MIT
// Building the model of a help file, in the order its parts depend on each
// other: phrases and fonts (every reading of the topics needs them), the
// windows and pictures that hotspots and the topic text name, the index
// tables, the code page of the text, and the contents file, whose contexts
// name hashes that have no known name yet.
#include "topics/help_model.h"

#include <filesystem>
#include <utility>

namespace korvane {

namespace {

// The contents file beside a help file: NAME.CNT, the case of the name and
// of the extension aside. The includes it does not follow are warned of.
std::optional<ContentsFile> contents_beside(const std::string& stem, int code_page, Reporter& report) {
    std::optional<std::filesystem::path> file = contents_file_beside(stem);
    if (!file) return std::nullopt;
    std::optional<ContentsFile> contents = read_contents_file(*file, code_page);
    if (!contents) return std::nullopt;
    for (const std::string& name : contents->refused_includes) add_warning(report, Msg::ContentsIncludeRefused, name);
    for (const std::string& name : contents->missing_includes) add_warning(report, Msg::ContentsIncludeMissing, name);
    return contents;
}

// The context ids that the contents' topics of this help file name are the
// real names of contexts the help file holds only as hashes.
void add_contents_names(HelpModel& model, const std::vector<ContentsEntry>& entries) {
    for (const ContentsEntry& e : entries) {
        if (e.kind == ContentsEntry::Kind::topic && !e.context.empty() && model.is_this_help_file(e.file)) {
            add_context_name(model.context_names, e.context);
        }
        add_contents_names(model, e.children);
    }
}

}  // namespace

std::unique_ptr<const HelpModel> build_help_model(HelpFile file, const ModelOptions& options, Reporter& report) {
    auto model = std::make_unique<HelpModel>();
    model->file = std::move(file);
    model->key = help_file_key(options.path);
    const HelpFile& help = model->file;

    model->phrases.indexed = help.indexed_phrases;
    if (help.phrases_file.present()) {
        load_phrase_table(help, model->phrases);
    } else if (help.phrimage_file.present()) {
        load_indexed_phrase_table(help, report, model->phrases);
    }
    model->fonts = read_font_table(help);

    model->windows = read_window_definitions(help);
    for (const WindowDefinition& w : model->windows) {
        if (w.has(kWindowName)) model->window_names.push_back(w.name);
    }
    model->picture_names = name_pictures(help, (options.flags & CVF_NO_SHG) != 0, model->context_names);

    if (!(options.flags & CVF_FOR_PRINT)) {
        model->context_table = load_context_table(help, report);
        load_keyword_tables(help, report, model->keyword_table, model->a_keyword_table);
    }

    model->code_page = choose_code_page(help, model->fonts, model->phrases, options.user_code_page);
    if (model->code_page.source == CodePageSource::detected) {
        add_warning(report, Msg::CodePageDetected, model->code_page.code_page);
    }

    model->contents = contents_beside(options.contents_stem, model->code_page.code_page, report);
    if (model->contents) add_contents_names(*model, model->contents->entries);
    return model;
}

}  // namespace korvane
