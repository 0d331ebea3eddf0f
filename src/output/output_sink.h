// SPDX-License-Identifier: MIT
// Where the files of a conversion go.
//
// Every output file of a conversion (project file, RTF files, pictures,
// baggage) is opened through one OutputSink. DiskSink creates the files
// under their names in its folder; MemorySink keeps
// each as a named byte buffer with the very bytes the file would hold (CR LF
// in text mode), so that a conversion can run without touching the disk.
// Print mode reads the pictures it wrote back through the same sink and
// removes them there.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output/out_stream.h"

namespace korvane {

class OutputSink {
public:
    virtual ~OutputSink() = default;

    // Opens name for writing in mode (as OutStream::open; "NUL" is the null
    // device). nullptr, with errno set, when it cannot be created.
    virtual std::unique_ptr<OutStream> open(const std::string& name, std::string_view mode) = 0;
    // The bytes of a file written before; false when there is none.
    virtual bool read(const std::string& name, std::vector<uint8_t>& bytes) const = 0;
    // Removes a file written before (nothing when there is none).
    virtual void remove(const std::string& name) = 0;
    // The name for a file that only serves the conversion itself and is
    // removed again (print mode's pictures).
    virtual std::string scratch_name(const std::string& name) const { return name; }
    // Where the file or folder name of the output lies on disk, for another
    // program to read or write it (the HTML Help compiler); empty when the
    // output is not on disk.
    virtual std::string disk_path(const std::string&) const { return {}; }
};

// Files on disk, in a folder (relative names are taken in it; empty: the
// current directory), which must exist. Scratch files go into the folder
// named by the environment variable TEMP when it is set, else beside the
// others.
class DiskSink final : public OutputSink {
public:
    explicit DiskSink(std::string folder = "");

    std::unique_ptr<OutStream> open(const std::string& name, std::string_view mode) override;
    bool read(const std::string& name, std::vector<uint8_t>& bytes) const override;
    void remove(const std::string& name) override;
    std::string scratch_name(const std::string& name) const override;
    std::string disk_path(const std::string& name) const override { return path_of(name); }

private:
    std::string path_of(const std::string& name) const;

    std::string folder_;
    std::string scratch_folder_;
};

// Named byte buffers. A name opened again starts a new buffer; one removed
// is gone from files() even while a stream still writes into it.
class MemorySink final : public OutputSink {
public:
    std::unique_ptr<OutStream> open(const std::string& name, std::string_view mode) override;
    bool read(const std::string& name, std::vector<uint8_t>& bytes) const override;
    void remove(const std::string& name) override { files_.erase(name); }

    // Every file by name, with its bytes as written so far.
    std::map<std::string, std::vector<uint8_t>> files() const;
    std::vector<std::string> names() const;

private:
    std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> files_;
};

}  // namespace korvane
