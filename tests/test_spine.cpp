// SPDX-License-Identifier: MIT
// Fatal errors returned as values, and conversions into memory. What the
// driver writes is held by the snapshot test.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "output/output_sink.h"
#include "driver/convert.h"
#include "support/test_util.h"

using namespace korvane;
using namespace korvane::test;

// A fatal condition comes back from the conversion as its error value; what
// was written before it is on disk, flushed, and the next conversion in the
// same process writes the same bytes as the first (no counter carried over).
TEST(Convert, FatalErrorsAreReturnedAndLeaveNoStateBehind) {
    TempDir dir;
    std::filesystem::copy_file(KORVANE_SOURCE_DIR "/fuzz/seeds/halibut-small.hlp", dir / "T.HLP");
    WorkingDirectory cwd(dir.path());
    ASSERT_FALSE(convert_file("T.HLP", 0x38));
    const std::string hpj = read_text("T.HPJ"), rtf = read_text("T1.RTF");
    std::filesystem::remove("T.HPJ");
    std::filesystem::remove("T1.RTF");

    struct Case {
        const char* input;
        const char* blocked;  // a folder where this output file goes
        Fatal id;
        std::vector<std::string> args;
        std::vector<std::string> files;  // afterwards, besides the blocking folder
    } cases[] = {
        {"NOPE", nullptr, Fatal::CannotOpenBecause, {"NOPE.HLP", "No such file or directory"}, {"T.HLP"}},
        {"T.HLP", "T.HPJ", Fatal::CannotCreate, {"T.HPJ", "Is a directory"}, {"T.HLP", "T.HPJ"}},
        {"T.HLP", "T1.RTF", Fatal::CannotCreate, {"T1.RTF", "Is a directory"}, {"T.HLP", "T.HPJ", "T1.RTF"}},
    };
    for (const Case& c : cases) {
        if (c.blocked) std::filesystem::create_directory(c.blocked);
        std::optional<ConversionError> error = convert_file(c.input, 0x38);
        ASSERT_TRUE(error) << c.input;
        EXPECT_EQ(error->id, c.id);
        EXPECT_EQ(error->args, c.args);
        EXPECT_EQ(names_in(dir.path()), c.files);
        if (c.blocked && std::string(c.blocked) == "T1.RTF") {
            // The project file up to the topics, flushed when the error unwound the conversion.
            std::string written = read_text("T.HPJ");
            EXPECT_FALSE(written.empty());
            EXPECT_EQ(hpj.rfind(written, 0), 0u) << written;
        }
        if (c.blocked) std::filesystem::remove_all(c.blocked);
        std::filesystem::remove("T.HPJ");
    }
    // A file that cannot take its bytes (its device is full) fails the
    // conversion, also when its last bytes go out only as it is closed.
    // (Linux's full device; Windows has none to link to.)
#ifndef _WIN32
    for (const char* name : {"T.HPJ", "T1.RTF"}) {
        std::filesystem::create_symlink("/dev/full", name);
        std::optional<ConversionError> error = convert_file("T.HLP", 0x38);
        ASSERT_TRUE(error) << name;
        EXPECT_EQ(error->id, Fatal::DiskFull) << name;
        for (const char* written : {"T.HPJ", "T1.RTF"}) std::filesystem::remove(written);
    }
#endif
    ASSERT_FALSE(convert_file("T.HLP", 0x38));
    EXPECT_EQ(read_text("T.HPJ"), hpj);
    EXPECT_EQ(read_text("T1.RTF"), rtf);
}

// A conversion into memory holds the very files, names and bytes, that the
// same conversion writes to disk; in print mode the pictures it embeds are
// read back from memory and gone from it afterwards, as from the disk.
TEST(Convert, IntoMemoryAsOnDisk) {
    for (const char* input : {"tests/corpus/msgdlg/PJMessageDialog.hlp", "fuzz/seeds/named-pictures.hlp"}) {
        const std::string path = KORVANE_SOURCE_DIR "/" + std::string(input);
        for (int flags : {0x38, 0x07, -1}) {  // -1: the web site, its folder and all
            SCOPED_TRACE(std::string(input) + " flags " + std::to_string(flags));
            TempDir dir;
            {
                WorkingDirectory cwd(dir.path());
                ASSERT_FALSE(flags < 0 ? convert_file_to_site(path) : convert_file(path, flags));
            }
            std::map<std::string, std::vector<uint8_t>> on_disk;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
                if (entry.is_regular_file()) {
                    on_disk[std::filesystem::relative(entry.path(), dir.path()).generic_string()] = read_file(entry.path().string());
                }
            }
            MemorySink memory;
            const std::vector<uint8_t> bytes = read_file(path);
            const ConversionOptions options{flags < 0 ? OutputKind::site : rtf_kind(flags), flags < 0 ? 0 : flags, 0};
            ASSERT_FALSE(convert(HelpInput{path, std::span<const uint8_t>(bytes)}, options, memory));
            EXPECT_EQ(memory.files(), on_disk);
            EXPECT_GT(on_disk.size(), flags == 0x07 ? 0u : 2u);
        }
    }
}

// The model is only read once built: the site and the sources written from
// one model on two threads at once are the files each writes alone.
TEST(Convert, OneModelTwoOutputsOnTwoThreads) {
    const std::string path = KORVANE_SOURCE_DIR "/tests/corpus/msgdlg/PJMessageDialog.hlp";
    const ConversionOptions site{OutputKind::site, 0, 0}, sources{};
    MemorySink alone_site, alone_sources;
    ASSERT_FALSE(convert(HelpInput{path, {}}, site, alone_site));
    ASSERT_FALSE(convert(HelpInput{path, {}}, sources, alone_sources));

    Reporter report;
    const ReadHelp help = read_help(HelpInput{path, {}}, sources, report);
    MemorySink both_site, both_sources;
    std::optional<ConversionError> site_error, sources_error;
    std::thread other([&] {
        Reporter own;
        site_error = run_conversion([&] { write_output(help, site, both_site, own); });
    });
    sources_error = run_conversion([&] { write_output(help, sources, both_sources, report); });
    other.join();
    ASSERT_FALSE(site_error);
    ASSERT_FALSE(sources_error);
    EXPECT_EQ(both_site.files(), alone_site.files());
    EXPECT_EQ(both_sources.files(), alone_sources.files());
    EXPECT_GT(both_site.files().size(), 10u);
}
