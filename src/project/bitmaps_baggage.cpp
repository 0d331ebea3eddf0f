// SPDX-License-Identifier: MIT
// [Bitmaps] and [Baggage]: the internal files that are neither system files
// ("|" followed by anything but "bm") nor otherwise known. Picture
// containers are named as topics/picture_names.h says; every other name
// without "|" is a baggage file. Output files are created under the
// internal names, which is why a name that is not a plain file name (one
// that could reach outside the output directory) is never used.
#include "project/bitmaps_baggage.h"

#include <string>
#include <unordered_set>
#include <vector>

#include "base/messages.h"
#include "output/out_stream.h"
#include "output/output_sink.h"
#include "helpfile/helpfile.h"
#include "pictures/picture_writers.h"
#include "topics/help_model.h"
#include "topics/picture_names.h"
#include "topics/picture_container.h"

namespace korvane {

namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

void write_bitmaps_section(const HelpModel& model, const WriterOutput& out, OutStream& project) {
    const HelpFile& help = model.file;
    // Pictures that are only embedded are scratch files of the output.
    bool scratch = (out.flags & CVF_EMBED_PICTURES) != 0;
    const PictureFiles files{out.output, out.report, (out.flags & CVF_NO_SHG) != 0};

    write_formatted(project, "\n[Bitmaps]\n");
    std::vector<std::string> written;
    for (int32_t i = 0; i < help.file_count; ++i) {
        report_progress(out.report, mul_div(i, 40, help.file_count), Msg::ConvertingBitmaps);
        const InternalFile& row = help.files[static_cast<size_t>(i)];
        std::optional<std::string_view> name = picture_container_name(row.name);
        if (!name) continue;
        if (!is_plain_file_name(*name)) {
            add_warning(out.report, Msg::CannotCreate, *name);
            continue;
        }
        std::string base = scratch ? out.output.scratch_name(std::string(*name)) : std::string(*name);
        std::string reported = convert_picture_file(files, help.reader(row.offset, row.size), base, &written);
        write_formatted(project, "%s\n", reported);
    }

    // In print mode the files only serve embedding, and the end of the
    // conversion removes those that picture numbers name; the others
    // (earlier pictures of a container, replaced or unnumbered names) go now.
    if (out.flags & CVF_EMBED_PICTURES) {
        std::unordered_set<std::string> kept;
        for (const auto& n : model.picture_names.names) {
            if (n) kept.insert(out.output.scratch_name(*n));
        }
        for (const std::string& file : written) {
            if (!kept.count(file)) out.output.remove(file);
        }
    }
}

std::vector<std::string> copy_baggage_files(const HelpFile& help, OutputSink& output, Reporter& report,
                                            const std::string& folder) {
    std::vector<std::string> copied;
    for (int32_t i = 0; i < help.file_count; ++i) {
        report_progress(report, 41 + mul_div(i, 3, help.file_count), Msg::ExtractingBaggage);
        const InternalFile& row = help.files[static_cast<size_t>(i)];
        if (starts_with(row.name, "|") || starts_with(row.name, "bm")) continue;
        if (!is_plain_file_name(row.name)) continue;
        std::unique_ptr<OutStream> file = output.open(folder + row.name, "wb");
        if (!file) continue;
        ByteReader data = help.reader(row.offset, row.size);
        file->write(data.here(), data.remaining());
        file->close();
        if (file->failed()) fatal_error(Fatal::DiskFull);
        copied.push_back(row.name);
    }
    return copied;
}

void write_baggage_section(const HelpFile& help, const WriterOutput& out, OutStream& project) {
    write_formatted(project, "\n[Baggage]\n");
    for (const std::string& name : copy_baggage_files(help, out.output, out.report, "")) {
        write_formatted(project, "%s\n", name);
    }
}

}  // namespace korvane
