// SPDX-License-Identifier: MIT
#include "html/site_pictures.h"

#include <optional>
#include <string>
#include <string_view>

#include "helpfile/helpfile.h"
#include "html/site_files.h"
#include "pictures/web_picture.h"
#include "topics/picture_names.h"

namespace korvane::html {

// The containers are numbered as the topic text refers to them
// (topics/picture_names.h): where two containers give the same number, the
// later one is the picture, as in the RTF sources.
MapPictures write_site_pictures(const HelpFile& help, const SiteFiles& files) {
    MapPictures pictures;
    for (auto row = help.files.rbegin(); row != help.files.rend(); ++row) {
        std::optional<std::string_view> name = picture_container_name(row->name);
        if (!name || !is_plain_file_name(*name)) continue;
        std::optional<int> number = picture_number(name->substr(2));
        if (!number) continue;
        std::string file = picture_file_name(static_cast<uint32_t>(*number));
        if (pictures.count(file)) continue;
        MapPicture& picture = pictures[file];
        WebPictureResult result = web_picture_of_container(help.reader(row->offset, row->size));
        if (!result.picture) continue;
        const WebPicture& web = *result.picture;
        files.write(file, std::string_view(reinterpret_cast<const char*>(web.bytes.data()), web.bytes.size()));
        picture.file = file;
        picture.width = web.width;
        picture.height = web.height;
        for (const PictureHotspot& h : web.hotspots) {
            MapPicture::Area area;
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
    return pictures;
}

}  // namespace korvane::html
