// SPDX-License-Identifier: MIT
// Pictures checked by ImageMagick: every picture written for the corpus and
// the seeds is read back, the seeds' with the size they were made with, and
// msgdlg's pixel for pixel against its author's bitmaps. Print mode puts its
// pictures into TEMP and removes them, which the snapshots cannot see.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/test_util.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

const std::string kSource = KORVANE_SOURCE_DIR;

// "FORMAT WIDTH HEIGHT" as ImageMagick reads the file.
std::string identify(const std::string& path) {
    RunResult r = run_program({"/usr/bin/env", "identify", "-format", "%m %w %h\\n", path}, "");
    EXPECT_NE(r.exit_code, 127) << "ImageMagick is not installed (tools/install-deps.sh test installs it)";
    std::string first;
    std::getline(std::istringstream(r.out), first);
    return r.exit_code == 0 ? first : "error: " + r.err;
}

}  // namespace

TEST(Pictures, EveryWrittenPictureIsReadByImageMagick) {
    const std::pair<const char*, std::vector<std::pair<const char*, const char*>>> cases[] = {
        {"tests/corpus/winfile/winfile.hlp", {}},
        {"tests/corpus/3dmm/ACMSETUP.HLP", {}},
        {"tests/corpus/3dmm/3DMM.HLP", {}},
        {"tests/corpus/teraterm/ttermp.hlp", {}},
        {"tests/corpus/verinfo/verinfo.hlp", {}},
        {"tests/corpus/msgdlg/PJMessageDialog.hlp",
         {{"bm00.BMP", "IDIExclamation.bmp"}, {"bm40.BMP", "IDIApplication.bmp"}, {"bm80.BMP", "TPJVCLMsgDlg.bmp"}}},
        {"fuzz/seeds/pictures-packing0.hlp", {}}, {"fuzz/seeds/pictures-packing1.hlp", {}},
        {"fuzz/seeds/pictures-packing2.hlp", {}}, {"fuzz/seeds/pictures-packing3.hlp", {}},
        {"fuzz/seeds/named-pictures.hlp", {}},
    };
    for (const auto& [file, originals] : cases) {
        TempDir dir;
        RunResult r = run_program({KORVANE_CLI_BIN, "--no-shg", "-C", dir.path(), kSource + "/" + file}, dir.path());
        ASSERT_EQ(r.exit_code, 0) << file << r.err;
        int pictures = 0;
        for (const std::string& name : dir.list()) {
            std::string ext = fs::path(name).extension();
            if (ext != ".BMP" && ext != ".WMF") continue;
            ++pictures;
            std::string seen = identify(dir / name);
            EXPECT_EQ(seen.rfind(ext == ".BMP" ? "BMP" : "WMF", 0), 0u) << file << " " << name << ": " << seen;
            // The seeds' bitmaps are 12 x 5 pixels.
            if (ext == ".BMP" && std::string(file).starts_with("fuzz/")) {
                EXPECT_EQ(seen, "BMP3 12 5") << file << " " << name;
            }
        }
        EXPECT_GT(pictures, 0) << file;
        for (const auto& [ours, original] : originals) {
            r = run_program({"/usr/bin/env", "compare", "-metric", "AE", dir / ours,
                             kSource + "/tests/corpus/msgdlg/" + original, "null:"}, "");
            EXPECT_EQ(r.exit_code, 0) << ours << " " << r.err;
            EXPECT_EQ(r.err, "0") << ours;
        }
    }
}

TEST(Pictures, PrintModeExtractsIntoTempAndLeavesNothing) {
    TempDir dir, temp;
    RunResult r = run_program({KORVANE_CLI_BIN, "--print", "-C", dir.path(), kSource + "/fuzz/seeds/named-pictures.hlp"},
                              dir.path(), {"TEMP=" + temp.path()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(temp.list(), std::vector<std::string>{});
    EXPECT_EQ(dir.list(), std::vector<std::string>{"named-1.RTF"});
    std::string rtf = read_text(dir / "named-1.RTF");
    EXPECT_NE(rtf.find("\\pict"), std::string::npos);  // the pictures were there to embed
}
