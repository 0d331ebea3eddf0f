// SPDX-License-Identifier: MIT
// Internal files of a .chm through chmlib (Debian's libchm).
#include <chm_lib.h>

#include "system/chm_archive.h"

namespace korvane::sys {

namespace {
// More than any internal file of a help file's .chm holds.
constexpr LONGUINT64 kMostBytes = LONGUINT64{1} << 30;
}  // namespace

ChmFiles read_chm_files(const std::string& path, const std::vector<std::string>& names) {
    ChmFiles result;
    chmFile* file = chm_open(path.c_str());
    if (!file) return result;
    result.opened = true;
    for (const std::string& name : names) {
        chmUnitInfo info{};
        if (chm_resolve_object(file, name.c_str(), &info) != CHM_RESOLVE_SUCCESS) continue;
        if (info.length > kMostBytes) continue;
        std::vector<uint8_t> bytes(static_cast<size_t>(info.length));
        LONGUINT64 done = 0;
        while (done < info.length) {
            LONGINT64 got = chm_retrieve_object(file, &info, bytes.data() + done, done,
                                                static_cast<LONGINT64>(info.length - done));
            if (got <= 0) break;
            done += static_cast<LONGUINT64>(got);
        }
        if (done == info.length) result.files.emplace(name, std::move(bytes));
    }
    chm_close(file);
    return result;
}

}  // namespace korvane::sys
