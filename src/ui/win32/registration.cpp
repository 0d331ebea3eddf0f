// SPDX-License-Identifier: MIT
#include "ui/win32/registration.h"

#include <windows.h>
#include <shlobj.h>

namespace korvane::win32 {

namespace {

const std::wstring kClasses = L"Software\\Classes\\";

long set_value(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle;
    LONG error = RegCreateKeyExW(HKEY_CURRENT_USER, (kClasses + key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 &handle, nullptr);
    if (error != ERROR_SUCCESS) return error;
    error = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return error;
}

// The default value of a key under Classes, or "" when there is none.
std::wstring default_value(const std::wstring& key) {
    wchar_t text[256];
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, (kClasses + key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return text;
}

// Removes a key under Classes that holds neither keys nor values.
void delete_if_empty(const std::wstring& key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + key).c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return;
    DWORD keys = 1, values = 1;
    RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(handle);
    if (keys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + key).c_str());
}

void tell_the_shell() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

}  // namespace

long register_help_files(const std::wstring& program) {
    const std::wstring id = kProgramId;
    const std::wstring quoted = L"\"" + program + L"\"";
    struct Entry {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    };
    std::vector<Entry> entries = {
        {id, nullptr, L"Windows Help File"},
        {id + L"\\DefaultIcon", nullptr, quoted + L",0"},
        {id + L"\\shell", nullptr, L"Read"},
        {id + L"\\shell\\Read\\command", nullptr, quoted + L" --read \"%1\""},
        {id + L"\\shell\\Recover Sources\\command", nullptr, quoted + L" --recover \"%1\""},
    };
    for (const wchar_t* extension : kExtensions) {
        entries.push_back({extension, nullptr, id});
        entries.push_back({std::wstring(extension) + L"\\OpenWithProgids", kProgramId, L""});
    }
    for (const Entry& e : entries) {
        if (long error = set_value(e.key, e.name, e.value)) return error;
    }
    tell_the_shell();
    return 0;
}

long unregister_help_files() {
    long result = 0;
    for (const wchar_t* extension : kExtensions) {
        std::wstring key = kClasses + extension;
        HKEY handle;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (key + L"\\OpenWithProgids").c_str(), 0, KEY_SET_VALUE, &handle) ==
            ERROR_SUCCESS) {
            RegDeleteValueW(handle, kProgramId);
            RegCloseKey(handle);
        }
        delete_if_empty(std::wstring(extension) + L"\\OpenWithProgids");
        if (default_value(extension) == kProgramId) {
            if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &handle) == ERROR_SUCCESS) {
                RegDeleteValueW(handle, nullptr);
                RegCloseKey(handle);
            }
        }
        delete_if_empty(extension);
    }
    LONG error = RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + kProgramId).c_str());
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) result = error;
    tell_the_shell();
    return result;
}

}  // namespace korvane::win32
