// SPDX-License-Identifier: MIT
#include "ui/win32/read_help.h"

#include "base/output_sink.h"
#include "driver/convert.h"
#include "ui/read_site.h"
#include "ui/win32/progress.h"
#include "ui/win32/settings.h"
#include "ui/win32/wide_text.h"

namespace korvane::win32 {

int read_in_browser(HINSTANCE instance, const StartUp& start, const std::wstring& path) {
    WinPlatform platform(instance, start.language);
    int code_page = code_page_setting();
    ReadHooks hooks;
    hooks.convert = [&platform, code_page](const std::string& absolute, const std::string& folder) {
        DiskSink output(folder);
        std::optional<ConversionError> error =
            convert(HelpInput{absolute, {}}, {OutputKind::site, 0, code_page}, output, platform);
        // The browser shows the result; the dialog has nothing left to say.
        platform.close_progress();
        return error;
    };
    hooks.show_error = [&platform](const ConversionError& error) {
        if (error.id != Fatal::Cancelled) {
            platform.show_fatal(message_text(Msg::SevereProblem, platform.language_offset()), error.text);
        }
    };
    hooks.show_problem = [](const std::string& text) {
        MessageBoxW(nullptr, widen(text).c_str(), L"Korvane", MB_ICONWARNING | MB_OK);
    };
    return read_help_file(narrow(path), code_page, start.lang, hooks) == 0 ? 2 : 1;
}

}  // namespace korvane::win32
