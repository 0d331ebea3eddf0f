// SPDX-License-Identifier: MIT
// The conversion driver: names, then the passes in their fixed order.
#include "driver/convert.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "base/messages.h"
#include "base/out_stream.h"
#include "base/output_sink.h"
#include "helpfile/helpfile.h"
#include "html/site.h"
#include "project/bitmaps_baggage.h"
#include "project/map_section.h"
#include "project/options.h"
#include "rtf/fonts.h"
#include "rtf/topic_writer.h"
#include "topics/code_page.h"
#include "topics/context_hash.h"
#include "topics/fonts.h"

namespace korvane {

namespace {

// Length of the well-formed UTF-8 sequence at the start of s, or 0.
size_t utf8_sequence_length(std::string_view s) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    uint8_t lead = byte(0);
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || length > s.size()) return 0;
    // The second byte's range narrows for the leads that would otherwise
    // allow overlong forms, surrogates or values beyond U+10FFFF.
    uint8_t low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    uint8_t high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

// The project and base names from the file name of names.input_path, which
// starts at name_start.
void name_outputs(OutputNames& names, size_t name_start, int flags) {
    std::string file_name = names.input_path.substr(name_start);
    std::string stem = file_name.substr(0, file_name.rfind('.'));
    names.project_name = (flags & CVF_FOR_PRINT) ? "NUL" : stem + ".HPJ";
    names.base_name = first_characters(stem, 6);
}

size_t file_name_start(const std::string& path) {
    size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? 0 : sep + 1;
}

// The phrase table: the plain one when there is |Phrases, else the indexed pair.
// The tables every reading of the topics needs: the phrase table (the
// plain one when there is |Phrases, else the indexed pair) and the fonts.
void read_tables(Conversion& help) {
    if (help.phrases_file.present()) {
        load_phrase_table(help);
    } else if (help.phrimage_file.present()) {
        load_indexed_phrase_table(help);
    }
    help.fonts = read_font_table(help);
}

// The help file's path without its extension.
std::string path_stem(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
}

// The contents file beside a help file: NAME.CNT in any of three cases.
std::optional<html::ContentsFile> contents_beside(const std::string& stem, int code_page) {
    if (stem.empty()) return std::nullopt;
    for (const char* extension : {".CNT", ".cnt", ".Cnt"}) {
        if (auto contents = html::read_contents_file(stem + extension, code_page)) return contents;
    }
    return std::nullopt;
}

// The context ids that the contents' topics of this help file name are the
// real names of contexts the help file holds only as hashes: they become
// known names, in place of made-up ones.
void add_contents_names(Conversion& help, const std::vector<html::ContentsEntry>& entries, const std::string& site) {
    for (const html::ContentsEntry& e : entries) {
        if (e.kind == html::ContentsEntry::Kind::topic && !e.context.empty() &&
            (e.file.empty() || site_folder_name(e.file) == site)) {
            add_context_name(help, e.context);
        }
        add_contents_names(help, e.children, site);
    }
}

}  // namespace

std::string first_characters(std::string_view name, size_t count) {
    size_t end = 0;
    for (size_t taken = 0; taken < count && end < name.size(); ++taken) {
        size_t length = utf8_sequence_length(name.substr(end));
        end += length ? length : 1;
    }
    return std::string(name.substr(0, end));
}

OutputNames derive_output_names(const std::string& path, int flags) {
    OutputNames names;
    names.input_path = path;
    size_t name_start = file_name_start(path);
    // A file of the name given is taken as it is. Otherwise a name without
    // an extension gets ".HLP", unless only a folder of that name exists
    // (it is then refused as a folder when opened).
    struct stat st;
    bool exists = ::stat(path.c_str(), &st) == 0;
    if ((!exists || S_ISDIR(st.st_mode)) && path.find('.', name_start) == std::string::npos) {
        std::string with_extension = path + ".HLP";
        if (!exists || ::stat(with_extension.c_str(), &st) == 0) names.input_path = with_extension;
    }
    name_outputs(names, name_start, flags);
    return names;
}

std::unique_ptr<Conversion> open_input_file(const std::string& input_path, int flags) {
    struct stat st;
    if (::stat(input_path.c_str(), &st) != 0) fatal_error(Fatal::CannotOpenBecause, input_path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) fatal_error(Fatal::CannotOpenBecause, input_path, std::strerror(EISDIR));
    errno = 0;
    auto help = std::make_unique<Conversion>();
    help->flags = flags;
    if (!open_help_file(*help, help->report, input_path)) {
        int err = errno;
        if (err) fatal_error(Fatal::CannotOpenBecause, input_path, std::strerror(err));
        fatal_error(Fatal::CannotOpen, input_path);
    }
    read_tables(*help);
    return help;
}

std::optional<ConversionError> run_conversion(const std::function<void()>& body) {
    try {
        body();
    } catch (ConversionError& error) {
        return std::move(error);
    } catch (const std::bad_alloc&) {
        ConversionError error;
        error.id = Fatal::OutOfMemory;
        error.text = fatal_format(Fatal::OutOfMemory);
        return error;
    }
    return std::nullopt;
}

namespace {

// Everything after opening: the project file, pictures, baggage and RTF
// files into output.
// contents_stem: where a contents file is looked for (empty: none).
void write_sources(std::unique_ptr<Conversion> help, const OutputNames& names, OutputSink& output, int code_page,
                   const std::string& contents_stem) {
    const int flags = help->flags;
    help->output = &output;

    errno = 0;
    std::unique_ptr<OutStream> project = output.open(names.project_name, "wt");
    if (!project) fatal_error(Fatal::CannotCreate, names.project_name, std::strerror(errno));

    write_project_options(*help, *project);
    write_bitmaps_section(*help, *project);
    // Context ids read from the contents file (its names are ASCII in
    // practice; the code page only keeps trail bytes apart).
    if (auto contents = contents_beside(contents_stem, code_page ? code_page : kWesternCodePage)) {
        add_contents_names(*help, contents->entries, site_folder_name(names.input_path));
    }

    if (!(flags & CVF_FOR_PRINT)) {
        write_baggage_section(*help, *project);
        load_context_table(*help);
        load_keyword_table(*help);
        write_map_section(*help, *project);
    }

    CodePageChoice text = choose_code_page(*help, code_page);
    help->code_page = text.code_page;
    if (text.source == CodePageSource::detected) add_warning(help->report, Msg::CodePageDetected, text.code_page);

    write_font_table(*help, nullptr);
    if (help->flags & CVF_TWO_PASS) run_dry_topic_pass(*help);
    write_topic_files(*help, names.base_name, *project);

    // In print mode the extracted picture files go again.
    if (help->flags & CVF_EMBED_PICTURES) {
        for (const auto& name : help->picture_names.names) {
            if (name) output.remove(*name);
        }
    }
    help.reset();
    project->close();
    if (project->failed()) fatal_error(Fatal::DiskFull);
}

void convert(const std::string& path, int flags, int code_page) {
    OutputNames names = derive_output_names(path, flags);
    std::unique_ptr<Conversion> help = open_input_file(names.input_path, flags);
    // Print mode's pictures go to the TEMP directory when it is set.
    const char* temp = std::getenv("TEMP");
    DiskSink disk(temp ? temp : "");
    write_sources(std::move(help), names, disk, code_page, path_stem(names.input_path));
}

void convert_data(std::span<const uint8_t> bytes, const std::string& name, OutputSink& output, int flags, int code_page) {
    OutputNames names;
    names.input_path = name;
    name_outputs(names, file_name_start(name), flags);
    auto help = std::make_unique<Conversion>();
    help->flags = flags;
    open_help_data(*help, help->report, bytes);
    read_tables(*help);
    write_sources(std::move(help), names, output, code_page, "");
}

// The web site: the same reading of the help file, the topics written by
// the site's page writer into the folder named after the help file.
// contents_stem: the help file's path without its extension, where a
// contents file is looked for (empty: none).
void write_site(std::unique_ptr<Conversion> help, const std::string& input_path, OutputSink& output, int code_page,
                const std::string& contents_stem) {
    help->output = &output;
    SiteSource source;
    source.help_path = input_path;
    source.out_dir = site_folder_name(input_path) + "/";
    source.title = help_title(*help);
    source.locale = help_locale(*help);

    // The options are read for the secondary windows that hotspots name.
    std::unique_ptr<OutStream> options = OutStream::null_device();
    write_project_options(*help, *options);
    // Baggage files keep their names in a folder of their own, apart from
    // the site's pages.
    source.baggage = copy_baggage_files(*help, source.out_dir + "files/");
    load_context_table(*help);
    load_keyword_table(*help);

    CodePageChoice text = choose_code_page(*help, code_page);
    help->code_page = text.code_page;
    if (text.source == CodePageSource::detected) add_warning(help->report, Msg::CodePageDetected, text.code_page);

    // A contents file beside the help file: NAME.CNT in either case.
    source.contents = contents_beside(contents_stem, help->code_page);
    if (source.contents) add_contents_names(*help, source.contents->entries, site_folder_name(input_path));
    write_help_site(*help, source);
}

void convert_to_site(const std::string& path, int code_page) {
    OutputNames names = derive_output_names(path, 0);
    std::unique_ptr<Conversion> help = open_input_file(names.input_path, 0);
    DiskSink disk;
    write_site(std::move(help), names.input_path, disk, code_page, path_stem(names.input_path));
}

void convert_data_to_site(std::span<const uint8_t> bytes, const std::string& name, OutputSink& output, int code_page) {
    auto help = std::make_unique<Conversion>();
    open_help_data(*help, help->report, bytes);
    read_tables(*help);
    write_site(std::move(help), name, output, code_page, "");
}

}  // namespace

std::optional<ConversionError> convert_help_file(const std::string& path, int flags, int code_page) {
    return run_conversion([&] { convert(path, flags, code_page); });
}

std::optional<ConversionError> convert_help_data(std::span<const uint8_t> bytes, const std::string& name, OutputSink& output,
                                                 int flags, int code_page) {
    return run_conversion([&] { convert_data(bytes, name, output, flags, code_page); });
}

std::optional<ConversionError> convert_help_file_to_site(const std::string& path, int code_page) {
    return run_conversion([&] { convert_to_site(path, code_page); });
}

std::optional<ConversionError> convert_help_data_to_site(std::span<const uint8_t> bytes, const std::string& name,
                                                         OutputSink& output, int code_page) {
    return run_conversion([&] { convert_data_to_site(bytes, name, output, code_page); });
}

}  // namespace korvane
