// SPDX-License-Identifier: MIT
#include "html/site_pictures.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "helpfile/helpfile.h"
#include "html/site_map.h"
#include "pictures/web_picture.h"

namespace korvane {

namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

void write_site_pictures(const HelpFile& help, SiteMap& site) {
    for (const InternalFile& row : help.files) {
        std::string_view name = row.name;
        if (starts_with(name, "|")) name.remove_prefix(1);
        if (!starts_with(name, "bm") || name.size() == 2) continue;
        std::string_view digits = name.substr(2);
        if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        uint32_t number = static_cast<uint32_t>(std::atoi(std::string(digits).c_str()));
        if (number >= 0xFFFF) continue;
        std::string file = site_picture_name(number);
        if (site.pictures.count(file)) continue;
        SitePicture& picture = site.pictures[file];
        WebPictureResult result = web_picture(help, row.name);
        if (!result.picture) continue;
        const WebPicture& web = *result.picture;
        write_site_file(site, file, std::string_view(reinterpret_cast<const char*>(web.bytes.data()), web.bytes.size()));
        picture.file = file;
        picture.width = web.width;
        picture.height = web.height;
        for (const PictureHotspot& h : web.hotspots) {
            SitePicture::Area area;
            area.left = h.left;
            area.top = h.top;
            area.right = h.left + h.width;
            area.bottom = h.top + h.height;
            area.hotspot.kind = h.kind;
            area.hotspot.hash = h.hash;
            area.hotspot.target = h.target;
            picture.areas.push_back(std::move(area));
        }
    }
}

}  // namespace korvane
