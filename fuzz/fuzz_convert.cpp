// Runs the whole conversion, in several modes, on arbitrary bytes inside a
// scratch directory. A fatal message is an expected end for bad input: the
// platform turns it into an exception that ends just this input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/convert.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"

namespace {

struct FatalStop {};

class FuzzPlatform : public korvane::Platform {
public:
    void show_fatal(std::string_view, std::string_view) override { throw FatalStop{}; }
    void open_progress() override {}
    void set_phase(std::string_view) override {}
    void set_percent(int) override {}
    void add_warning_line(std::string_view) override {}
    void repeat_warning(size_t, std::string_view, unsigned long) override {}
};

std::filesystem::path scratch() {
    static std::filesystem::path dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-fuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        return std::filesystem::path(tmpl);
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzPlatform platform;
    static bool ready = [] {
        korvane::set_platform(&platform);
        ::unsetenv("TEMP");
        return ::chdir(scratch().c_str()) == 0;
    }();
    if (!ready) std::abort();

    if (std::FILE* f = std::fopen("F.HLP", "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    using namespace korvane;
    for (int flags : {CVF_JUMPS | CVF_PAGE_BREAK | CVF_TWO_PASS, CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT | CVF_JUMPS}) {
        try {
            convert_help_file("F.HLP", flags);
        } catch (const FatalStop&) {
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(scratch())) {
        std::error_code ec;
        std::filesystem::remove_all(entry.path(), ec);
    }
    return 0;
}
