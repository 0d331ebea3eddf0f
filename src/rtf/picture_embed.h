// SPDX-License-Identifier: MIT
// Pictures embedded into print-mode RTF as metafile data.
#pragma once

#include <string>

namespace korvane {

class OutputSink;
class OutStream;

// Embeds the picture file, read back from the conversion's output, as
// "{\pict\wmetafile8 ...}" and returns true; false (nothing written) when the
// file is a segmented-graphics file or cannot be read, so the caller writes
// a reference instead.
bool embed_picture(const OutputSink& output, OutStream& rtf, const std::string& file_name);

}  // namespace korvane
