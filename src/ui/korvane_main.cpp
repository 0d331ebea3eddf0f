// korvane on a terminal: converts the help file named by the whole
// command-line tail with flags 0x18 and exits with 2, or 1 after a fatal
// message.
#include <cstdio>
#include <string>

#include "driver/convert.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "ui/console_platform.h"

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
        std::fputs("usage: korvane FILE.HLP\n"
                   "Converts a Windows help file into its sources in the current directory.\n",
                   stderr);
        return 2;
    }
    static ConsolePlatform console;
    set_platform(&console);
    convert_help_file(tail, CVF_TWO_PASS | CVF_PAGE_BREAK);
    console.finish();
    return 2;
}
