// Runs the whole conversion, in several modes, on arbitrary bytes inside a
// scratch directory. A fatal error is an expected end for bad input: the
// conversion returns it, and the next mode goes on. The same bytes are also
// read as a contents file and as text for the HTML site (in a single-byte
// and a double-byte code page), which must never let markup through.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "driver/convert.h"
#include "base/messages.h"
#include "helpfile/helpfile.h"
#include "html/contents_file.h"
#include "html/escape.h"
#include "html/utf8.h"

namespace {

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
    static bool ready = [] {
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
        std::optional<ConversionError> error = convert_help_file("F.HLP", flags);
        if (error && error->text.empty()) std::abort();
    }
    static html::Utf8Converter utf8;
    for (int code_page : {1252, 932}) {
        html::parse_contents_file(ByteReader(data, size), code_page);
        std::string text(reinterpret_cast<const char*>(data), size);
        std::string page = html::escape_text(utf8.convert(text, code_page)) + html::escape_attribute(text) +
                           html::link_target(text) + html::safe_name(text);
        if (page.find_first_of("<>\"'") != std::string::npos) std::abort();
    }
    for (const auto& entry : std::filesystem::directory_iterator(scratch())) {
        std::error_code ec;
        std::filesystem::remove_all(entry.path(), ec);
    }
    return 0;
}
