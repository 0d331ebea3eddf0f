// SPDX-License-Identifier: MIT
// Writers for the files a picture container turns into: Windows bitmap
// files, placeable Windows metafiles, and byte-for-byte .SHG copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "helpfile/byte_reader.h"
#include "pictures/picture_reader.h"

namespace korvane {

struct Decoding;
class OutStream;

// "<base><index>.BMP" or "<base><index>.WMF": the name a picture's file is
// created under and listed as.
std::string picture_file_name(const std::string& base_name, int index, bool bitmap);
// "<base>.SHG".
std::string container_file_name(const std::string& base_name);

// The bytes of the bitmap file and of the placeable metafile that a picture
// becomes, its palette and data read from in's position.
std::vector<uint8_t> bitmap_file_bytes(uint16_t kind, const BitmapHeader& header, ByteReader& in);
std::vector<uint8_t> metafile_file_bytes(uint16_t kind, const MetafileHeader& header, ByteReader& in);

// Each reads the palette and picture data from in's position. A file that
// cannot be created is fatal.
void write_bitmap_file(Decoding& help, uint16_t kind, const BitmapHeader& header, ByteReader& in, int index,
                       const std::string& base_name);
void write_metafile_file(Decoding& help, uint16_t kind, const MetafileHeader& header, ByteReader& in, int index,
                         const std::string& base_name);

// Copies the internal file at [offset, offset + size) to "<base>.SHG";
// warning 31 and false when it cannot be created.
bool copy_picture_file(Decoding& help, uint32_t offset, uint32_t size, const std::string& base_name);

}  // namespace korvane
