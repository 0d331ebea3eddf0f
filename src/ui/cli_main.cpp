// SPDX-License-Identifier: MIT
// korvane-cli: the conversion for scripts and batches.
//
// Every mode of the dialog is reachable through options. The files are
// converted one after the other in this process; a fatal problem comes back
// from the conversion as a value and ends only that file's conversion. With
// -C DIR and several files, each file's output
// goes into a folder of its own, DIR/NAME, so that files with the same
// picture and RTF names do not overwrite each other. Exit code 0 when every
// file converted, 1 when any failed, 2 for a usage error.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "driver/convert.h"
#include "base/messages.h"
#include "output/output_sink.h"
#include "base/platform.h"
#include "helpfile/helpfile.h"
#include "topics/code_page.h"
#include "system/files.h"
#include "system/process.h"
#include "ui/console_platform.h"

namespace {

using namespace korvane;

constexpr const char* kUsage =
    "usage: korvane-cli [options] FILE.HLP...\n"
    "       korvane-cli --list FILE.HLP\n"
    "\n"
    "Converts Windows help files into the sources a help compiler rebuilds them from:\n"
    "the project file (.HPJ), RTF topic files, pictures and baggage files.\n"
    "\n"
    "Mode (default: project mode with jumps, page breaks and browse sequences, flags 0x38):\n"
    "  --print             RTF meant for printing, pictures embedded (flags 0x07)\n"
    "  --page-break        with --print: each topic starts a new page\n"
    "  --jumps             with --print: keep hotspot targets\n"
    "  --no-shg            pictures with hotspots become plain .BMP/.WMF files\n"
    "  --no-browse         no browse-sequence footnotes (one topic pass)\n"
    "  --flags=0xNN        the conversion flags directly (0x00 to 0x3F)\n"
    "  --html              a web site instead: NAME/index.html, a page per topic, the keyword\n"
    "                      index, pictures and baggage files (NAME: the file name in lower case)\n"
    "  --chm               an HTML Help file NAME.chm instead, with its project (NAME.hhp, the\n"
    "                      contents, index, map header and pages) in NAME-chm/; compiled with\n"
    "                      chmcmd (package fp-utils): without it only the project is written\n"
    "  --codepage=N        the Windows code page of the text (932 Japanese, 1251 Cyrillic, ...);\n"
    "                      default: what the file records, else detected, else 1252\n"
    "\n"
    "Other options:\n"
    "  -C DIR, --output-dir=DIR   write the output into DIR (created when missing);\n"
    "                      with several files, each into DIR/NAME (NAME-2, ... when\n"
    "                      two files have the same NAME)\n"
    "  --list FILE         show the internal files and the compiler of FILE\n"
    "  -q, --quiet         show only fatal messages\n"
    "  -h, --help          show this text\n"
    "  --version           show the version\n";

struct Options {
    bool print = false, page_break = false, jumps = false, no_shg = false, no_browse = false;
    bool mode_given = false;
    OutputKind web = OutputKind::sources;  // the web output asked for (--html, --chm), else sources
    int flags = -1;  // from --flags
    int code_page = 0;  // from --codepage; 0: from the file
    std::string output_dir;
    bool list = false, quiet = false;
    std::vector<std::string> files;
};

[[noreturn]] void usage_error(const std::string& reason) {
    std::fprintf(stderr, "korvane-cli: %s\nTry 'korvane-cli --help'.\n", reason.c_str());
    std::exit(2);
}

bool parse_flags(std::string_view text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    std::string s(text);
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 0);
    if (errno || *end || v < 0 || v > 0x3F) return false;
    value = static_cast<int>(v);
    return true;
}

// Code pages with a Windows character set, so that the fonts can say so.
bool parse_code_page(std::string_view text, int& value) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    int v = std::stoi(std::string(text));
    if (charset_of_code_page(v) < 0) return false;
    value = v;
    return true;
}

Options parse(int argc, char** argv) {
    Options o;
    bool only_files = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (only_files || a.empty() || a[0] != '-' || a == "-") {
            o.files.emplace_back(a);
            continue;
        }
        if (a == "--") {
            only_files = true;
        } else if (a == "--print") {
            o.print = o.mode_given = true;
        } else if (a == "--page-break") {
            o.page_break = o.mode_given = true;
        } else if (a == "--jumps") {
            o.jumps = o.mode_given = true;
        } else if (a == "--no-shg") {
            o.no_shg = o.mode_given = true;
        } else if (a == "--no-browse") {
            o.no_browse = o.mode_given = true;
        } else if (a == "--html" || a == "--chm") {
            const OutputKind kind = a == "--html" ? OutputKind::site : OutputKind::html_help;
            if (o.web != OutputKind::sources && o.web != kind) usage_error("--html and --chm cannot be combined");
            o.web = kind;
        } else if (a.rfind("--flags=", 0) == 0) {
            if (!parse_flags(a.substr(8), o.flags)) usage_error("bad --flags value '" + std::string(a.substr(8)) + "' (0x00 to 0x3F)");
        } else if (a.rfind("--codepage=", 0) == 0) {
            if (!parse_code_page(a.substr(11), o.code_page)) {
                usage_error("bad --codepage value '" + std::string(a.substr(11)) + "' (a Windows code page such as 1252 or 932)");
            }
        } else if (a == "-C" || a == "--output-dir") {
            if (i + 1 >= argc) usage_error(std::string(a) + " needs a folder");
            o.output_dir = argv[++i];
        } else if (a.rfind("--output-dir=", 0) == 0) {
            o.output_dir = a.substr(13);
        } else if (a.rfind("-C", 0) == 0 && a.size() > 2) {
            o.output_dir = a.substr(2);
        } else if (a == "--list") {
            o.list = true;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(finish_standard_output("korvane-cli"));
        } else if (a == "--version") {
            std::puts("korvane-cli " KORVANE_VERSION);
            std::exit(finish_standard_output("korvane-cli"));
        } else {
            usage_error("unknown option '" + std::string(a) + "'");
        }
    }
    if (o.files.empty()) usage_error("no help file given");
    if (o.flags >= 0 && o.mode_given) usage_error("--flags cannot be combined with the mode options");
    if (o.list && o.files.size() != 1) usage_error("--list takes exactly one help file");
    if (o.web != OutputKind::sources && (o.mode_given || o.flags >= 0)) {
        usage_error(std::string(o.web == OutputKind::site ? "--html" : "--chm") +
                    " cannot be combined with the RTF mode options");
    }
    return o;
}

int flags_of(const Options& o) {
    if (o.flags >= 0) return o.flags;
    if (o.print) {
        return CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT | (o.page_break ? CVF_PAGE_BREAK : 0) |
               (o.jumps ? CVF_JUMPS : 0);
    }
    int flags = CVF_JUMPS | CVF_PAGE_BREAK | CVF_TWO_PASS;
    if (o.no_shg) flags |= CVF_NO_SHG;
    if (o.no_browse) flags &= ~CVF_TWO_PASS;
    return flags;
}

// Creates path and its missing parents; on failure errno tells why.
bool make_dirs(const std::string& path) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find_first_of(sys::kPathSeparators, pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (int error = sys::make_directory(partial); error != 0 && error != EEXIST) {
            errno = error;
            return false;
        }
    }
    sys::FileStatus st;
    if (int error = sys::file_status(path, st)) {
        errno = error;
        return false;
    }
    if (!st.directory) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// The folder name for a help file in a batch: its file name without the
// extension ("dir/Help.hlp" gives "Help").
std::string folder_name(const std::string& file) {
    std::string name = file;
    while (name.size() > 1 && std::strchr(sys::kPathSeparators, name.back())) name.pop_back();
    size_t slash = name.find_last_of(sys::kPathSeparators);
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    if (name.empty() || name == "." || name == ".." || name == "/") name = "help";
    return name;
}

// One output folder per file under dir. A file keeps its plain name unless
// an earlier file of the batch has it already; the later ones become
// NAME-2, NAME-3, ... (names compared without regard to case, so that the
// folders stay apart on file systems that ignore case too).
std::vector<std::string> batch_folders(const std::vector<std::string>& files, const std::string& dir) {
    std::vector<std::string> names(files.size());
    std::set<std::string> taken;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string name = folder_name(files[i]);
        if (taken.insert(ascii_lower(name)).second) names[i] = name;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!names[i].empty()) continue;
        std::string base = folder_name(files[i]);
        for (int n = 2; names[i].empty(); ++n) {
            std::string name = base + "-" + std::to_string(n);
            if (taken.insert(ascii_lower(name)).second) names[i] = name;
        }
    }
    std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    for (std::string& name : names) name = prefix + name;
    return names;
}

int list_help_file(const std::string& path, ConsolePlatform& console) {
    OutputNames names = derive_output_names(path, 0);
    Reporter report(console);
    HelpFile help;
    if (std::optional<ConversionError> error = run_conversion([&] { help = open_input_file(names.input_path, report); })) {
        console.show_fatal(message_text(Msg::SevereProblem, console.language_offset()), error->text);
        return 1;
    }
    std::printf("%-40s %10s %10s\n", "name", "offset", "size");
    for (const InternalFile& f : help.files) std::printf("%-40s %10u %10u\n", f.name.c_str(), f.offset, f.size);
    const char* compiler = compiler_name(help.minor_version & 0xFF);
    std::printf("\ncompiler: %s (minor version %u)\n",
                help.system_file.present() ? (compiler ? compiler : "unknown") : "none", help.minor_version);
    std::printf("system flags: 0x%04X\n", help.system_flags);
    std::printf("topics compressed: %s\n", help.topics_compressed ? "yes" : "no");
    std::printf("phrases: %s\n", help.phrases_file.present() ? "|Phrases" : help.phrimage_file.present() ? "|PhrIndex/|PhrImage" : "none");
    return finish_standard_output("korvane-cli");
}

std::string fatal_prefix(const std::string& file) { return "korvane-cli: " + file + ": "; }

// Converts one file into out_dir (the current directory when empty); true
// when the conversion ended without a fatal problem. With make_out_dir the
// folder is created first, unless the input cannot be a help file at all
// (then the conversion fails on it before writing anything, and no empty
// folder stays). Each file has a console of its own: no warning count of
// one file reaches the next.
bool convert_one(const std::string& file, const std::string& out_dir, bool make_out_dir, const Options& o,
                 const ConversionOptions& options) {
    sys::FileStatus st;
    bool usable = sys::file_status(derive_output_names(file, options.flags).input_path, st) == 0 && !st.directory;
    if (make_out_dir && usable && !make_dirs(out_dir)) {
        std::fprintf(stderr, "korvane-cli: cannot create the folder %s: %s\n", out_dir.c_str(), std::strerror(errno));
        return false;
    }
    ConsolePlatform console(o.quiet);
    console.set_fatal_prefix(fatal_prefix(file));
    DiskSink output(out_dir);
    std::optional<ConversionError> error = convert(HelpInput{file, {}}, options, output, console);
    if (error) console.show_fatal(message_text(Msg::SevereProblem, console.language_offset()), error->text);
    console.finish();
    return !error;
}

}  // namespace

int main(int argc, char** argv) {
    sys::prepare_standard_streams();
    std::vector<std::string> arguments = sys::utf8_arguments(argc, argv);
    std::vector<char*> utf8_argv;
    for (std::string& a : arguments) utf8_argv.push_back(a.data());
    utf8_argv.push_back(nullptr);
    Options o = parse(argc, utf8_argv.data());

    if (o.list) {
        ConsolePlatform console(true);
        console.set_fatal_prefix(fatal_prefix(o.files[0]));
        return list_help_file(o.files[0], console);
    }
    if (!o.output_dir.empty() && !make_dirs(o.output_dir)) {
        std::fprintf(stderr, "korvane-cli: cannot create the folder %s: %s\n", o.output_dir.c_str(), std::strerror(errno));
        return 1;
    }
    ConversionOptions options;
    options.flags = o.web == OutputKind::sources ? flags_of(o) : 0;
    options.kind = o.web == OutputKind::sources ? rtf_kind(options.flags) : o.web;
    options.code_page = o.code_page;
    // A site and an HTML Help project make a folder of their own.
    const bool rtf = options.kind == OutputKind::sources || options.kind == OutputKind::print;
    bool folder_each = !o.output_dir.empty() && o.files.size() > 1 && rtf;
    std::vector<std::string> folders =
        folder_each ? batch_folders(o.files, o.output_dir) : std::vector<std::string>(o.files.size(), o.output_dir);
    int failed = 0;
    for (size_t i = 0; i < o.files.size(); ++i) {
        const std::string& file = o.files[i];
        if (!o.quiet) {
            if (!rtf) {
                std::fprintf(stderr, "%s (%s)\n", file.c_str(),
                             options.kind == OutputKind::site ? "web site" : "HTML Help file");
            } else {
                std::fprintf(stderr, "%s (flags 0x%02X)%s%s\n", file.c_str(), static_cast<unsigned>(options.flags),
                             folder_each ? " -> " : "", folder_each ? folders[i].c_str() : "");
            }
        }
        if (!convert_one(file, folders[i], folder_each, o, options)) ++failed;
    }
    if (failed && o.files.size() > 1) {
        std::fprintf(stderr, "korvane-cli: %d of %zu files failed\n", failed, o.files.size());
    }
    return failed ? 1 : 0;
}
