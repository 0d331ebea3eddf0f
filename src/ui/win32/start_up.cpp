// SPDX-License-Identifier: MIT
#include "ui/win32/start_up.h"

#include "ui/win32/open_dialog.h"
#include "ui/win32/resource_ids.h"

namespace korvane::win32 {

namespace {

using Ctl3dCall = BOOL(WINAPI*)(HANDLE);

Ctl3dCall ctl3d_function(HMODULE library, const char* name) {
    return reinterpret_cast<Ctl3dCall>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

Language language_of_profile(const std::wstring& value) {
    if (CompareStringOrdinal(value.c_str(), -1, L"DEU", -1, TRUE) == CSTR_EQUAL) return Language::German;
    if (CompareStringOrdinal(value.c_str(), -1, L"ESP", -1, TRUE) == CSTR_EQUAL ||
        CompareStringOrdinal(value.c_str(), -1, L"ESN", -1, TRUE) == CSTR_EQUAL) {
        return Language::Spanish;
    }
    return Language::English;
}

DialogLanguage dialog_language(Language lang) {
    switch (lang) {
    case Language::German: return {IDD_OPEN_GERMAN, IDS_GERMAN_OFFSET};
    case Language::Spanish: return {IDD_OPEN_SPANISH, 0};
    case Language::English: break;
    }
    return {IDD_OPEN_ENGLISH, 0};
}

const wchar_t* help_file_name(Language lang) { return lang == Language::German ? L"KORVANED.HLP" : L"KORVANE.HLP"; }

StartUp start_up(HINSTANCE instance) {
    StartUp start;
    wchar_t value[9];
    GetProfileStringW(L"Intl", L"sLanguage", L"ENG", value, 9);
    start.lang = language_of_profile(value);
    start.language = dialog_language(start.lang);
    start.help_file = program_folder() + L"\\" + help_file_name(start.lang);

    // A missing library is no error, and shows none.
    UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    start.ctl3d = LoadLibraryW(L"CTL3D32.DLL");
    SetErrorMode(previous);
    if (start.ctl3d) {
        Ctl3dCall register_app = ctl3d_function(start.ctl3d, "Ctl3dRegister");
        Ctl3dCall subclass = ctl3d_function(start.ctl3d, "Ctl3dAutoSubclass");
        if (register_app && subclass) {
            register_app(instance);
            subclass(instance);
        } else {
            FreeLibrary(start.ctl3d);
            start.ctl3d = nullptr;
        }
    }
    return start;
}

void finish(HINSTANCE instance, StartUp& start) {
    if (!start.ctl3d) return;
    if (Ctl3dCall unregister = ctl3d_function(start.ctl3d, "Ctl3dUnregister")) unregister(instance);
    FreeLibrary(start.ctl3d);
    start.ctl3d = nullptr;
}

std::wstring command_tail(const wchar_t* command_line) {
    const wchar_t* p = command_line ? command_line : L"";
    // The program's name: up to the closing quotation mark when it starts
    // with one, else up to the first blank.
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

}  // namespace korvane::win32
