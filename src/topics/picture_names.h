// SPDX-License-Identifier: MIT
// Which file each picture number of the topic text refers to.
//
// Internal files named "bm" or "|bm" followed by a decimal number are
// picture containers for that number (names are case-sensitive, so "BM3"
// is not one). A container becomes "<name><i>.BMP" / "<name><i>.WMF" files,
// one per picture without hotspots (every picture with CVF_NO_SHG), and the
// topic text refers to the last of them; a container none of whose
// pictures is converted is kept whole as "<name>.SHG". A name that is not a
// plain file name is never used for a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct HelpFile;
struct ContextNames;
struct PictureContainer;

struct PictureNames {
    std::vector<std::optional<std::string>> names;  // by picture number
};

// True for a name that is a file name and nothing more: not empty, not "."
// or "..", no path separator or control character.
bool is_plain_file_name(std::string_view name);

// The picture number of the text after "bm": decimal digits after optional
// white space and a sign, at most 0xFFFE; nothing for a negative number or
// one too large.
std::optional<int> picture_number(std::string_view name_after_bm);

// The name of an internal file without its "|" when it is a picture
// container ("bm..." or "|bm..."), else nothing.
std::optional<std::string_view> picture_container_name(std::string_view internal_name);

// "<base><index>.BMP" or "<base><index>.WMF": the name a picture's file is
// created under and listed as; "<base>.SHG" for a whole container.
std::string picture_file_name(const std::string& base_name, int index, bool bitmap);
std::string container_file_name(const std::string& base_name);

// The file the topic text refers to for the container (see above).
std::string container_reference(const PictureContainer& container, const std::string& base_name, bool no_shg);

// Names every picture number after the containers of help, and adds the
// targets of their hotspots to known (in directory order).
PictureNames name_pictures(const HelpFile& help, bool no_shg, ContextNames& known);

}  // namespace korvane
