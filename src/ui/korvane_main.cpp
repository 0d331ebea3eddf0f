// SPDX-License-Identifier: MIT
// korvane: with a path (the whole command-line tail), converts that help
// file on the terminal with flags 0x18 and exits with 2, or 1 after a fatal
// message; started from the desktop (a display, no terminal) it does the
// same with the progress dialog, beside the help file. "--read PATH" writes
// the help file's web site into the user's cache and opens it in the
// browser (ui/read_site.h), with the progress dialog when started from the
// desktop. Without a path (also after "--read") it shows the open dialog
// when built with Qt (src/ui/qt), else it prints how to call it. "--help"
// and "--version" alone print the usage and the version.
#include <cstdio>
#include <cstring>
#include <string>

#include "output/output_sink.h"
#include "driver/convert.h"
#include "base/messages.h"
#include "base/platform.h"
#include "helpfile/helpfile.h"
#include "ui/console_platform.h"
#include "ui/read_site.h"
#include "ui/ui_language.h"
#ifdef KORVANE_WITH_QT
#include "ui/qt/gui_main.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: korvane [FILE.HLP]\n"
    "       korvane --read FILE.HLP\n"
    "       korvane --help | --version\n"
    "\n"
    "Converts a Windows help file into the sources a help compiler rebuilds it from.\n"
    "Without a file, shows the open dialog with the conversion options (on a desktop)\n"
    "and writes the output beside the chosen file. With a file (the whole command\n"
    "line is its path), converts it into the current directory on the terminal:\n"
    "project mode without jump targets (flags 0x18). For scripts and batches, and for\n"
    "the other modes, use korvane-cli.\n"
    "\n"
    "  --read FILE.HLP  show the help file in the web browser: writes its web site\n"
    "                   into ~/.cache/korvane (or $XDG_CACHE_HOME/korvane), once\n"
    "                   for each version of the file, and opens its index.html\n"
    "                   with xdg-open or gio\n";

// The words from first on as one path, as the shell split it.
std::string join_arguments(int first, int argc, char** argv) {
    std::string joined;
    for (int i = first; i < argc; ++i) {
        if (i > first) joined += ' ';
        joined += argv[i];
    }
    return joined;
}

// `korvane --read PATH` on the terminal: the conversion's progress and
// every message on stderr.
int read_on_terminal(const std::string& path) {
    using namespace korvane;
    ConsolePlatform console;
    ReadHooks hooks;
    hooks.convert = [&console](const std::string& absolute, const std::string& folder) {
        DiskSink output(folder);
        std::optional<ConversionError> error = convert(HelpInput{absolute, {}}, {OutputKind::site, 0, 0}, output, console);
        console.finish();
        return error;
    };
    hooks.show_error = [&console](const ConversionError& error) {
        console.show_fatal(message_text(Msg::SevereProblem, console.language_offset()), error.text);
    };
    hooks.show_problem = [](const std::string& text) { std::fprintf(stderr, "korvane: %s\n", text.c_str()); };
    return read_help_file(path, 0, language_from_locale(), hooks);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace korvane;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return finish_standard_output("korvane");
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("korvane " KORVANE_VERSION);
        return finish_standard_output("korvane");
    }

    // "--read" without a path is what the desktop entry runs from the menu:
    // the start without a path.
    bool read = argc >= 2 && std::strcmp(argv[1], "--read") == 0;
    std::string tail = join_arguments(read ? 2 : 1, argc, argv);
    if (read && !tail.empty()) {
#ifdef KORVANE_WITH_QT
        if (qt::started_from_desktop()) return qt::run_read_program(argc, argv, tail);
#endif
        return read_on_terminal(tail);
    }
    if (tail.empty()) {
#ifdef KORVANE_WITH_QT
        return qt::run_gui_program(argc, argv);
#else
        std::fputs(kUsage, stderr);
        return 2;
#endif
    }
#ifdef KORVANE_WITH_QT
    if (qt::started_from_desktop()) return qt::run_desktop_program(argc, argv, tail, CVF_TWO_PASS | CVF_PAGE_BREAK);
#endif
    ConsolePlatform console;
    DiskSink output;
    std::optional<ConversionError> error =
        convert(HelpInput{tail, {}}, {OutputKind::sources, CVF_TWO_PASS | CVF_PAGE_BREAK, 0}, output, console);
    if (error) console.show_fatal(message_text(Msg::SevereProblem, console.language_offset()), error->text);
    console.finish();
    return error ? 1 : 2;
}
