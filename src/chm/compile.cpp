// SPDX-License-Identifier: MIT
#include "chm/compile.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "base/messages.h"
#include "output/out_stream.h"
#include "output/output_sink.h"
#include "system/chm_archive.h"
#include "system/files.h"
#include "system/process.h"

namespace korvane::chm {

namespace {

void write_file(OutputSink& output, const std::string& name, std::string_view bytes, const char* mode) {
    errno = 0;
    std::unique_ptr<OutStream> out = output.open(name, mode);
    if (!out) fatal_error(Fatal::CannotCreate, name, std::strerror(errno));
    out->write(bytes);
    out->close();
    if (out->failed()) fatal_error(Fatal::DiskFull);
}

// HTML Help Workshop's hhc.exe: on the search path, else where the Workshop
// installs itself; empty when there is none.
std::string microsoft_compiler() {
    std::string found = sys::find_program("hhc");
    if (!found.empty()) return found;
    for (const char* variable : {"ProgramFiles(x86)", "ProgramFiles"}) {
        const std::optional<std::string> folder = sys::environment_variable(variable);
        if (!folder) continue;
        const std::string path = *folder + "/HTML Help Workshop/hhc.exe";
        sys::FileStatus status;
        if (sys::file_status(path, status) == 0 && status.regular) return path;
    }
    return {};
}

// Ends the conversion, with the compiler's half-written file removed, when
// the compiler was cancelled, could not be run or failed (succeeded: its
// exit code when it compiled).
void check_run(const sys::ProcessResult& run, int succeeded, const std::string& compiler, const std::string& log,
               OutputSink& output, const std::string& compiled) {
    if (!run.stopped && run.started && run.exited && run.exit_code == succeeded) return;
    if (run.started) output.remove(compiled);
    if (run.stopped) fatal_error(Fatal::Cancelled);
    const std::string why = !run.started || !run.exited ? run.problem : "exit code " + std::to_string(run.exit_code);
    fatal_error(Fatal::CompilerFailed, compiler, why, output.disk_path(log));
}

}  // namespace

Compiled compile_html_help(OutputSink& output, const CompileJob& job, Reporter& report) {
    std::string folder = job.folder;
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    const std::string disk_folder = output.disk_path(folder);
    if (disk_folder.empty()) return Compiled::not_on_disk;
    // The progress window stays responsive, and Cancel ends the compiler.
    auto waiting = [&report] {
        report.platform->pump_events();
        return !report.platform->stop_requested();
    };
    if (const std::string microsoft = microsoft_compiler(); !microsoft.empty()) {
        const std::string log = job.folder + kMicrosoftCompileLog, chm = job.key + ".chm";
        output.remove(chm);
        sys::ProcessResult run = sys::run_program(microsoft, {job.key + ".hhp"}, disk_folder, kMicrosoftCompileLog, waiting);
        check_run(run, 1, microsoft, log, output, chm);
        sys::FileStatus status;
        if (sys::file_status(output.disk_path(chm), status) != 0 || !status.regular) {
            fatal_error(Fatal::CompiledFileRefused, output.disk_path(chm), "it is missing");
        }
        output.remove(log);
        return Compiled::yes;
    }
    const std::string compiler = sys::find_program("chmcmd");
    if (compiler.empty()) return Compiled::no_compiler;

    const std::string copy = job.folder + kCompiledCopy, log = job.folder + kCompileLog;
    write_file(output, job.folder + kCompileProject, job.project_text, "wt");
    output.remove(copy);
    sys::ProcessResult run =
        sys::run_program(compiler, {"--no-html-scan", kCompileProject}, disk_folder, kCompileLog, waiting);
    output.remove(job.folder + kCompileProject);
    check_run(run, 0, compiler, log, output, copy);

    std::vector<uint8_t> compiled;
    if (!output.read(copy, compiled)) fatal_error(Fatal::CompiledFileRefused, output.disk_path(copy), "it is missing");
    const sys::ChmFiles read = sys::read_chm_files(output.disk_path(copy), {"/#STRINGS"});
    if (!read.opened) fatal_error(Fatal::CompiledFileRefused, output.disk_path(copy), "chmlib cannot open it");
    auto strings = read.files.find("/#STRINGS");
    static const std::vector<uint8_t> none;
    FixedMap fixed = fix_context_map(compiled, strings == read.files.end() ? none : strings->second, job.map);
    if (!fixed.problem.empty()) fatal_error(Fatal::CompiledFileRefused, output.disk_path(copy), fixed.problem);
    write_file(output, job.key + ".chm",
               std::string_view(reinterpret_cast<const char*>(fixed.bytes.data()), fixed.bytes.size()), "wb");
    output.remove(copy);
    output.remove(log);
    return Compiled::yes;
}

}  // namespace korvane::chm
