// SPDX-License-Identifier: MIT
// The pictures of a site: every picture container "bmN" or "|bmN" of the
// help file as bmN.png (pictures/web_picture.h), with the rectangles of
// its hotspots, by that name.
#pragma once

#include "topicmap/topic_map.h"

namespace korvane {

struct HelpFile;

namespace html {

class SiteFiles;

MapPictures write_site_pictures(const HelpFile& help, const SiteFiles& files);

}  // namespace html
}  // namespace korvane
