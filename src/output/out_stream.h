// SPDX-License-Identifier: MIT
// Buffered output files, and output streams into memory.
//
// Modes: "wt" text (every LF is stored as CR LF, as on the platform the help
// format comes from), "wb" binary, "wb+"/"w+b" binary with seeking back. The
// name "NUL" opens the null device: a stream that accepts and discards
// everything. A stream is flushed and closed when it is destroyed, so a
// conversion that a fatal error unwinds leaves what was written on disk.
// A memory stream writes into a byte buffer it shares with its owner
// (base/output.h), in the same modes and with the same bytes as a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/format.h"

namespace korvane {

class OutStream {
public:
    // Opens name with mode; nullptr when the file cannot be created.
    static std::unique_ptr<OutStream> open(const std::string& name, std::string_view mode);
    // A stream that discards everything (the null device).
    static std::unique_ptr<OutStream> null_device();
    // A stream into buffer, which it empties first; mode as for open.
    static std::unique_ptr<OutStream> to_memory(std::shared_ptr<std::vector<uint8_t>> buffer, std::string_view mode);

    ~OutStream();
    OutStream(const OutStream&) = delete;
    OutStream& operator=(const OutStream&) = delete;

    bool is_null() const { return file_ == nullptr && !memory_; }
    bool failed() const { return failed_; }

    // Writes one byte; returns it, or -1 when the write failed.
    int put(int c);
    // Writes a block (text mode translates LF).
    void write(std::string_view s);
    // Writes a block as it is to be stored: a text-mode caller has put CR LF
    // in it already.
    void write_stored(std::string_view s) { raw(s.data(), s.size()); }
    bool text_mode() const { return text_; }
    void write(const void* data, size_t n) { write(std::string_view(static_cast<const char*>(data), n)); }

    // Binary streams only.
    void seek(long pos);
    long tell();

    // Flushes and closes; further writes are discarded.
    void close();

private:
    static constexpr size_t kBufferSize = 1 << 16;

    OutStream(std::FILE* f, bool text) : file_(f), text_(text) {}
    void raw(const char* p, size_t n);
    void flush();  // hands the buffer to the file

    std::FILE* file_;
    std::unique_ptr<char[]> pending_;               // kBufferSize bytes for file_, once written to
    size_t pending_size_ = 0;                       // of them not yet handed over
    std::shared_ptr<std::vector<uint8_t>> memory_;  // instead of file_ for a memory stream
    size_t position_ = 0;                           // in memory_
    bool text_;
    bool failed_ = false;
};

template <class... A>
void write_formatted(OutStream& out, std::string_view fmt, const A&... args) {
    // One buffer for every call: formatting allocates only when a text is
    // longer than any before it.
    static thread_local std::string s;
    s.clear();
    format_into(s, fmt, {FmtArg(args)...});
    out.write(s);
}

}  // namespace korvane
