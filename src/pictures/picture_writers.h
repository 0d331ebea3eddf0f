// SPDX-License-Identifier: MIT
// Writers for the files a picture container turns into: Windows bitmap
// files, placeable Windows metafiles, and byte-for-byte .SHG copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "topics/picture_container.h"

namespace korvane {

struct Reporter;
class OutStream;
class OutputSink;

// The bytes of the bitmap file and of the placeable metafile that a picture
// becomes, its palette and data read from in's position.
std::vector<uint8_t> bitmap_file_bytes(uint16_t kind, const BitmapHeader& header, ByteReader& in);
std::vector<uint8_t> metafile_file_bytes(uint16_t kind, const MetafileHeader& header, ByteReader& in);

// Each reads the palette and picture data from in's position. A file that
// cannot be created is fatal.
void write_bitmap_file(OutputSink& output, uint16_t kind, const BitmapHeader& header, ByteReader& in, int index,
                       const std::string& base_name);
void write_metafile_file(OutputSink& output, uint16_t kind, const MetafileHeader& header, ByteReader& in, int index,
                         const std::string& base_name);

// Where picture files go and how.
struct PictureFiles {
    OutputSink& output;
    Reporter& report;
    bool no_shg = false;  // pictures with hotspots become plain files too
};

// Copies the container's bytes to "<base>.SHG"; warning 31 and false when
// it cannot be created.
bool copy_picture_file(const PictureFiles& files, ByteReader container, const std::string& base_name);

// Converts every picture of the container into "<base><i>.BMP" or
// "<base><i>.WMF" files, or copies the whole container to "<base>.SHG" when
// no picture was converted. Returns the name the topic text refers to it by
// (topics/picture_names.h; the .SHG name even when it could not be
// created); written, when given, receives the name of every file created.
std::string convert_picture_file(const PictureFiles& files, ByteReader container, const std::string& base_name,
                                 std::vector<std::string>* written = nullptr);

}  // namespace korvane
