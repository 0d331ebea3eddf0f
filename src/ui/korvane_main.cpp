// korvane: with a path (the whole command-line tail), converts that help
// file on the terminal with flags 0x18 and exits with 2, or 1 after a fatal
// message; started from the desktop (a display, no terminal) it does the
// same with the progress dialog, beside the help file. Without a path it
// shows the open dialog when built with Qt (src/ui/qt), else it prints how
// to call it.
#include <cstdio>
#include <string>

#include "driver/convert.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "ui/console_platform.h"
#ifdef KORVANE_WITH_QT
#include "ui/qt/gui_main.h"
#endif

int main(int argc, char** argv) {
    using namespace korvane;
    install_memory_handler();
    set_language_offset(language_offset_from_locale());

    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    if (tail.empty()) {
#ifdef KORVANE_WITH_QT
        return qt::run_gui_program(argc, argv);
#else
        std::fputs("usage: korvane FILE.HLP\n"
                   "Converts a Windows help file into its sources in the current directory.\n",
                   stderr);
        return 2;
#endif
    }
#ifdef KORVANE_WITH_QT
    if (qt::started_from_desktop()) return qt::run_desktop_program(argc, argv, tail, CVF_TWO_PASS | CVF_PAGE_BREAK);
#endif
    static ConsolePlatform console;
    set_platform(&console);
    convert_help_file(tail, CVF_TWO_PASS | CVF_PAGE_BREAK);
    console.finish();
    return 2;
}
