// SPDX-License-Identifier: MIT
// The pictures of a site: every picture container "bmN" or "|bmN" of the
// help file as bmN.png (web_picture.h), with the rectangles of its
// hotspots, recorded in the site map by that name.
#pragma once

namespace korvane {

struct HelpFile;
struct SiteMap;

void write_site_pictures(const HelpFile& help, SiteMap& site);

}  // namespace korvane
