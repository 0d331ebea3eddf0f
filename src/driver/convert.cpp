// SPDX-License-Identifier: MIT
// The conversion driver: names, then the passes in their fixed order.
#include "driver/convert.h"


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
#include "project/project_output.h"
#include "rtf/topic_writer.h"
#include "system/files.h"
#include "system/process.h"
#include "topics/help_model.h"

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

}  // namespace

std::string path_stem(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
}

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
    sys::FileStatus st;
    bool exists = sys::file_status(path, st) == 0;
    if ((!exists || st.directory) && path.find('.', name_start) == std::string::npos) {
        std::string with_extension = path + ".HLP";
        if (!exists || sys::file_status(with_extension, st) == 0) names.input_path = with_extension;
    }
    name_outputs(names, name_start, flags);
    return names;
}

HelpFile open_input_file(const std::string& input_path, Reporter& report) {
    sys::FileStatus st;
    if (int error = sys::file_status(input_path, st)) fatal_error(Fatal::CannotOpenBecause, input_path, std::strerror(error));
    if (st.directory) fatal_error(Fatal::CannotOpenBecause, input_path, std::strerror(EISDIR));
    errno = 0;
    HelpFile help;
    if (!open_help_file(help, report, input_path)) {
        int err = errno;
        if (err) fatal_error(Fatal::CannotOpenBecause, input_path, std::strerror(err));
        fatal_error(Fatal::CannotOpen, input_path);
    }
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

// The model of an opened help file. contents_stem: where a contents file is
// looked for (empty: none).
std::unique_ptr<const HelpModel> model_of(HelpFile help, const std::string& input_path, int flags, int code_page,
                                          const std::string& contents_stem, Reporter& report) {
    ModelOptions options;
    options.flags = flags;
    options.user_code_page = code_page;
    options.contents_stem = contents_stem;
    const std::string site = site_folder_name(input_path);
    options.is_this_help_file = [site](std::string_view file) { return site_folder_name(file) == site; };
    return build_help_model(std::move(help), options, report);
}

// The sources: the project file, pictures, baggage and RTF files into output.
void write_sources(const HelpModel& model, const OutputNames& names, OutputSink& output, int flags, Reporter& report) {
    errno = 0;
    std::unique_ptr<OutStream> project = output.open(names.project_name, "wt");
    if (!project) fatal_error(Fatal::CannotCreate, names.project_name, std::strerror(errno));

    const ProjectOutput out{output, report, flags};
    write_project_options(model.file, *project);
    write_bitmaps_section(model, out, *project);
    if (!(flags & CVF_FOR_PRINT)) {
        write_baggage_section(model.file, out, *project);
        write_map_section(model, report, *project);
    }

    const RtfOutput rtf{output, report, flags};
    TopicPasses passes = (flags & CVF_TWO_PASS) ? run_dry_topic_pass(model, report, flags) : TopicPasses{};
    write_topic_files(model, rtf, passes, names.base_name, *project);

    // In print mode the extracted picture files go again.
    if (flags & CVF_EMBED_PICTURES) {
        for (const auto& name : model.picture_names.names) {
            if (name) output.remove(output.scratch_name(*name));
        }
    }
    project->close();
    if (project->failed()) fatal_error(Fatal::DiskFull);
}

void convert(const std::string& path, int flags, int code_page, Platform& platform) {
    OutputNames names = derive_output_names(path, flags);
    Reporter report(platform);
    HelpFile help = open_input_file(names.input_path, report);
    // Print mode's pictures go to the TEMP directory when it is set.
    DiskSink disk(sys::environment_variable("TEMP").value_or(""));
    auto model = model_of(std::move(help), names.input_path, flags, code_page, path_stem(names.input_path), report);
    write_sources(*model, names, disk, flags, report);
}

void convert_data(std::span<const uint8_t> bytes, const std::string& name, OutputSink& output, int flags, int code_page,
                  Platform& platform) {
    OutputNames names;
    names.input_path = name;
    name_outputs(names, file_name_start(name), flags);
    Reporter report(platform);
    HelpFile help;
    open_help_data(help, report, bytes);
    auto model = model_of(std::move(help), name, flags, code_page, "", report);
    write_sources(*model, names, output, flags, report);
}

// The web site: the same model, its topics written by the site's page
// writer into the folder named after the help file.
void write_site(const HelpModel& model, const std::string& input_path, OutputSink& output, Reporter& report) {
    SiteSource source;
    source.help_path = input_path;
    source.out_dir = site_folder_name(input_path) + "/";
    source.title = help_title(model.file);
    source.locale = help_locale(model.file);
    // Baggage files keep their names in a folder of their own, apart from
    // the site's pages.
    source.baggage = copy_baggage_files(model.file, output, report, source.out_dir + "files/");
    write_help_site(model, report, output, source);
}

void convert_to_site(const std::string& path, int code_page, Platform& platform) {
    OutputNames names = derive_output_names(path, 0);
    Reporter report(platform);
    HelpFile help = open_input_file(names.input_path, report);
    DiskSink disk;
    auto model = model_of(std::move(help), names.input_path, 0, code_page, path_stem(names.input_path), report);
    write_site(*model, names.input_path, disk, report);
}

void convert_data_to_site(std::span<const uint8_t> bytes, const std::string& name, OutputSink& output, int code_page,
                          Platform& platform) {
    Reporter report(platform);
    HelpFile help;
    open_help_data(help, report, bytes);
    auto model = model_of(std::move(help), name, 0, code_page, "", report);
    write_site(*model, name, output, report);
}

}  // namespace

std::optional<ConversionError> convert_help_file(const std::string& path, int flags, int code_page, Platform& platform) {
    return run_conversion([&] { convert(path, flags, code_page, platform); });
}

std::optional<ConversionError> convert_help_data(std::span<const uint8_t> bytes, const std::string& name, OutputSink& output,
                                                 int flags, int code_page, Platform& platform) {
    return run_conversion([&] { convert_data(bytes, name, output, flags, code_page, platform); });
}

std::optional<ConversionError> convert_help_file_to_site(const std::string& path, int code_page, Platform& platform) {
    return run_conversion([&] { convert_to_site(path, code_page, platform); });
}

std::optional<ConversionError> convert_help_data_to_site(std::span<const uint8_t> bytes, const std::string& name,
                                                         OutputSink& output, int code_page, Platform& platform) {
    return run_conversion([&] { convert_data_to_site(bytes, name, output, code_page, platform); });
}

}  // namespace korvane
