// SPDX-License-Identifier: MIT
#include "ui/win32/settings.h"

#include <windows.h>
#include <shlobj.h>

#include "topics/code_page.h"

namespace korvane::win32 {

namespace {

constexpr const wchar_t* kSection = L"Options";

std::wstring settings_folder() {
    PWSTR roaming = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming))) folder = roaming;
    CoTaskMemFree(roaming);
    return folder.empty() ? folder : folder + L"\\Korvane";
}

int read_int(const wchar_t* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntW(kSection, key, fallback, settings_path().c_str()));
}

void write_flag(const std::wstring& file, const wchar_t* key, bool on) {
    WritePrivateProfileStringW(kSection, key, on ? L"1" : L"0", file.c_str());
}

}  // namespace

std::wstring settings_path() {
    std::wstring folder = settings_folder();
    // Without a profile folder the profile functions choose (the Windows
    // folder).
    return folder.empty() ? L"KORVANE.INI" : folder + L"\\KORVANE.INI";
}

DialogOptions read_dialog_options() {
    DialogOptions o;
    o.for_print = read_int(L"ForPrint", 1) != 0;
    o.page_break = read_int(L"PageBreak", 0) != 0;
    o.jumps = read_int(L"Jumps", 0) != 0;
    o.web_pages = read_int(L"Html", 0) != 0;
    o.html_help = !o.web_pages && read_int(L"Chm", 0) != 0;
    return o;
}

void write_dialog_options(const DialogOptions& options) {
    std::wstring folder = settings_folder();
    if (!folder.empty()) CreateDirectoryW(folder.c_str(), nullptr);  // there already, or made now
    std::wstring file = settings_path();
    write_flag(file, L"PageBreak", options.page_break);
    write_flag(file, L"ForPrint", options.for_print);
    write_flag(file, L"Jumps", options.jumps);
    write_flag(file, L"Html", options.web_pages);
    write_flag(file, L"Chm", options.html_help);
}

bool message_beep_enabled() { return read_int(L"MessageBeep", 1) != 0; }

int code_page_setting() {
    int code_page = read_int(L"CodePage", 0);
    return charset_of_code_page(code_page) >= 0 ? code_page : 0;
}

int convert_flags(bool for_print, bool page_break, bool jumps, bool avoid_shg) {
    if (for_print) return 0x07 | (page_break ? 0x10 : 0) | (jumps ? 0x20 : 0);
    return 0x38 | (avoid_shg ? 0x01 : 0);
}

}  // namespace korvane::win32
