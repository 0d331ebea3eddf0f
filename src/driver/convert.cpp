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
#include "output/out_stream.h"
#include "output/output_sink.h"
#include "chm/html_help.h"
#include "helpfile/helpfile.h"
#include "html/site.h"
#include "text/utf8.h"
#include "project/bitmaps_baggage.h"
#include "project/map_section.h"
#include "project/options.h"
#include "base/writer_output.h"
#include "rtf/topic_writer.h"
#include "system/files.h"
#include "system/process.h"
#include "topics/help_model.h"

namespace korvane {

namespace {

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
        uint32_t code_point = 0;
        const size_t length = text::utf8_sequence(name, end, code_point);
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
std::unique_ptr<const HelpModel> model_of(HelpFile help, const std::string& path, int flags, int code_page,
                                          const std::string& contents_stem, Reporter& report) {
    ModelOptions options;
    options.flags = flags;
    options.user_code_page = code_page;
    options.path = path;
    options.contents_stem = contents_stem;
    return build_help_model(std::move(help), options, report);
}

// The sources: the project file, pictures, baggage and RTF files into output.
void write_sources(const HelpModel& model, const OutputNames& names, OutputSink& output, int flags, Reporter& report) {
    errno = 0;
    std::unique_ptr<OutStream> project = output.open(names.project_name, "wt");
    if (!project) fatal_error(Fatal::CannotCreate, names.project_name, std::strerror(errno));

    const WriterOutput out{output, report, flags};
    write_project_options(model.file, *project);
    write_bitmaps_section(model, out, *project);
    if (!(flags & CVF_FOR_PRINT)) {
        write_baggage_section(model.file, out, *project);
        write_map_section(model, report, *project);
    }

    TopicPasses passes = (flags & CVF_TWO_PASS) ? run_dry_topic_pass(model, report, flags) : TopicPasses{};
    write_topic_files(model, out, passes, names.base_name, *project);

    // In print mode the extracted picture files go again.
    if (flags & CVF_EMBED_PICTURES) {
        for (const auto& name : model.picture_names.names) {
            if (name) output.remove(output.scratch_name(*name));
        }
    }
    project->close();
    if (project->failed()) fatal_error(Fatal::DiskFull);
}

// The web site: the same model, its topics written by the site's page
// writer into the folder named after the help file.
void write_site(const HelpModel& model, OutputSink& output, Reporter& report) {
    html::SiteSource source;
    source.out_dir = model.key + "/";
    source.title = help_title(model.file);
    source.locale = help_locale(model.file);
    // Baggage files keep their names in a folder of their own, apart from
    // the site's pages.
    source.baggage = copy_baggage_files(model.file, output, report, source.out_dir + "files/");
    html::write_help_site(model, report, output, source);
}

// The HTML Help file: the site's pages compiled, with the project beside.
void write_chm(const HelpModel& model, OutputSink& output, Reporter& report) {
    chm::HtmlHelpSource source;
    source.title = help_title(model.file);
    source.locale = help_locale(model.file);
    chm::write_html_help(model, report, output, source);
}

// The flags an output kind reads the help file with.
int flags_for(const ConversionOptions& options) {
    switch (options.kind) {
    case OutputKind::sources: return options.flags & ~CVF_FOR_PRINT;
    case OutputKind::print: return options.flags | CVF_FOR_PRINT;
    case OutputKind::site:
    case OutputKind::html_help: return 0;
    }
    return options.flags;
}

}  // namespace

ReadHelp read_help(const HelpInput& input, const ConversionOptions& options, Reporter& report) {
    const int flags = flags_for(options);
    HelpFile help;
    ReadHelp read;
    std::string contents_stem;
    if (!input.bytes) {
        read.names = derive_output_names(input.path, flags);
        help = open_input_file(read.names.input_path, report);
        contents_stem = path_stem(read.names.input_path);
    } else {
        read.names.input_path = input.path;
        name_outputs(read.names, file_name_start(input.path), flags);
        open_help_data(help, report, *input.bytes);
    }
    read.model = model_of(std::move(help), read.names.input_path, flags, options.code_page, contents_stem, report);
    return read;
}

void write_output(const ReadHelp& help, const ConversionOptions& options, OutputSink& output, Reporter& report) {
    if (options.kind == OutputKind::site) {
        write_site(*help.model, output, report);
    } else if (options.kind == OutputKind::html_help) {
        write_chm(*help.model, output, report);
    } else {
        write_sources(*help.model, help.names, output, flags_for(options), report);
    }
}

OutputKind rtf_kind(int flags) { return (flags & CVF_FOR_PRINT) ? OutputKind::print : OutputKind::sources; }

std::optional<ConversionError> convert(const HelpInput& input, const ConversionOptions& options, OutputSink& output,
                                       Platform& platform) {
    return run_conversion([&] {
        Reporter report(platform);
        write_output(read_help(input, options, report), options, output, report);
    });
}

}  // namespace korvane
