// The conversion driver: names, then the passes in their fixed order.
#include "driver/convert.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "driver/messages.h"
#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "project/bitmaps_baggage.h"
#include "project/map_section.h"
#include "project/options.h"
#include "rtf/fonts.h"
#include "rtf/topic_writer.h"

namespace korvane {

OutputNames derive_output_names(const std::string& path, int flags) {
    OutputNames names;
    names.input_path = path;
    size_t sep = path.find_last_of("/\\");
    size_t name_start = sep == std::string::npos ? 0 : sep + 1;
    // A file of the name given is taken as it is. Otherwise a name without
    // an extension gets ".HLP", unless only a folder of that name exists
    // (it is then refused as a folder when opened).
    struct stat st;
    bool exists = ::stat(path.c_str(), &st) == 0;
    if ((!exists || S_ISDIR(st.st_mode)) && path.find('.', name_start) == std::string::npos) {
        std::string with_extension = path + ".HLP";
        if (!exists || ::stat(with_extension.c_str(), &st) == 0) names.input_path = with_extension;
    }
    std::string file_name = names.input_path.substr(name_start);
    std::string stem = file_name.substr(0, file_name.rfind('.'));
    names.project_name = (flags & CVF_FOR_PRINT) ? "NUL" : stem + ".HPJ";
    names.base_name = stem.substr(0, 6);
    return names;
}

std::unique_ptr<HelpFile> open_input_file(const std::string& input_path, int flags) {
    struct stat st;
    if (::stat(input_path.c_str(), &st) != 0) fatal_error("Can't open File %s: %s", input_path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) fatal_error("Can't open File %s: %s", input_path, std::strerror(EISDIR));
    errno = 0;
    std::unique_ptr<HelpFile> help = open_help_file(input_path, flags);
    if (!help) {
        int err = errno;
        if (err) fatal_error("Can't open File %s: %s", input_path, std::strerror(err));
        fatal_error("Can't open File %s", input_path);
    }
    return help;
}

void convert_help_file(const std::string& path, int flags) {
    OutputNames names = derive_output_names(path, flags);

    std::unique_ptr<HelpFile> help = open_input_file(names.input_path, flags);

    errno = 0;
    std::unique_ptr<OutStream> project = OutStream::open(names.project_name, "wt");
    if (!project) fatal_error("Error creating File %s: %s", names.project_name, std::strerror(errno));

    write_project_options(*help, *project);
    write_bitmaps_section(*help, *project);

    if (!(flags & CVF_FOR_PRINT)) {
        write_baggage_section(*help, *project);
        load_context_table(*help);
        load_keyword_table(*help);
        write_map_section(*help, *project);
    }

    write_font_table(*help, nullptr);
    if (help->flags & CVF_TWO_PASS) run_dry_topic_pass(*help);
    write_topic_files(*help, names.base_name, *project, true);

    close_help_file(std::move(help));
    project->close();
}

}  // namespace korvane
