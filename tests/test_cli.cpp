// SPDX-License-Identifier: MIT
// The programs as users and scripts run them: modes, output folders,
// batches, file names, errors and exit codes. What a conversion writes
// and warns is held by the snapshot test.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_util.h"

using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

void copy_seed(const std::string& seed, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(KORVANE_SOURCE_DIR "/fuzz/seeds/" + seed, to);
}

RunResult cli(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> argv{KORVANE_CLI_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, cwd, {"LANG=C"});
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(Cli, OptionsFoldersBatchesAndTheInternalFileList) {
    TempDir dir;
    copy_seed("stored.hlp", dir / "A.HLP");
    // The options give the flags of the dialog.
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "0x38"}, {{"--no-shg"}, "0x39"}, {{"--no-browse"}, "0x30"}, {{"--print"}, "0x07"},
        {{"--print", "--page-break", "--jumps"}, "0x37"}, {{"--print", "--jumps"}, "0x27"},
        {{"--flags=0x18"}, "0x18"}, {{"--flags=5"}, "0x05"},
    };
    for (const auto& [options, flags] : cases) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-C", "out", "A.HLP"});
        RunResult r = cli(args, dir.path());
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_TRUE(has(r.err, std::string("A.HLP (flags ") + flags + ")")) << r.err;
    }

    RunResult r = cli({"-C", "out/nested", "A.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"A.HLP", "out"}));
    EXPECT_TRUE(file_exists(dir / "out/nested/A.HPJ"));
    EXPECT_EQ(cli({"--output-dir=second", "A.HLP"}, dir.path()).exit_code, 0);
    EXPECT_TRUE(file_exists(dir / "second/A.HPJ"));

    r = cli({"--list", "A.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    for (const char* line : {"|SYSTEM", "notes.txt", "compiler: HC31 (minor version 21)", "topics compressed: no"})
        EXPECT_TRUE(has(r.out, line)) << r.out;

    // A batch goes on after a failed file; with one folder each file gets a
    // folder of its own, names told apart when they differ only in case.
    copy_seed("damaged-three-bytes.hlp", dir / "BAD.HLP");
    copy_seed("version30.hlp", dir / "b/x.hlp");
    copy_seed("stored.hlp", dir / "c/A-2.HLP");
    r = cli({"-C", "batch", "A.HLP", "BAD.HLP", "MISSING.HLP", "b/x.hlp", "c/A-2.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, "2 of 5 files failed")) << r.err;
    EXPECT_EQ(names_in(dir / "batch"), (std::vector<std::string>{"A", "A-2", "BAD", "x"}));
    EXPECT_TRUE(file_exists(dir / "batch/A-2/A-2.HPJ"));
    EXPECT_TRUE(file_exists(dir / "batch/x/x.HPJ"));
}

TEST(Cli, UsageAndFatalMessagesAndTheirExitCodes) {
    TempDir dir;
    copy_seed("stored.hlp", dir / "A.HLP");
    fs::create_directories(dir / "sub");
    fs::create_directories(dir / "blocked/A.HPJ");  // a folder where a file must go
    fs::create_directories(dir / "blocked/A1.RTF");
    // Usage errors (code pages without a character set among them) exit
    // with 2; files that cannot be read or written with 1, naming the file.
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"--bogus", "A.HLP"}, 2, ""}, {{}, 2, ""}, {{"--flags=0x40", "A.HLP"}, 2, ""}, {{"--flags=zz", "A.HLP"}, 2, ""},
        {{"--flags=1", "--print", "A.HLP"}, 2, ""}, {{"-C"}, 2, ""}, {{"--list"}, 2, ""},
        {{"--list", "A.HLP", "B.HLP"}, 2, ""}, {{"--codepage=437", "A.HLP"}, 2, ""}, {{"--codepage=0", "A.HLP"}, 2, ""},
        {{"--codepage=x932", "A.HLP"}, 2, ""}, {{"--codepage=99999999", "A.HLP"}, 2, ""}, {{"--codepage=", "A.HLP"}, 2, ""},
        {{"NOPE"}, 1, "NOPE.HLP"}, {{"."}, 1, "Is a directory"}, {{"sub/."}, 1, "Is a directory"},
        {{"-C", "out", "NOPE"}, 1, "NOPE.HLP"}, {{"-C", "blocked", "A.HLP"}, 1, "A.HPJ"},
        {{"--print", "-C", "blocked", "A.HLP"}, 1, "A1.RTF"}, {{"--list", "NOPE"}, 1, "NOPE.HLP"},
    };
    for (const auto& [args, code, named] : cases) {
        RunResult r = cli(args, dir.path());
        EXPECT_EQ(r.exit_code, code) << r.err;
        EXPECT_TRUE(has(r.err, "korvane-cli: ")) << r.err;
        EXPECT_TRUE(has(r.err, named)) << r.err;
    }
    EXPECT_EQ(cli({"--version"}, dir.path()).out, "korvane-cli " KORVANE_VERSION "\n");
    EXPECT_EQ(run_program({KORVANE_BIN, "--version"}, dir.path()).out, "korvane " KORVANE_VERSION "\n");
    RunResult r = run_program({KORVANE_BIN, "--help"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_FALSE(r.out.empty());
    for (const char* command : {"'" KORVANE_CLI_BIN "' --help", "'" KORVANE_CLI_BIN "' --list A.HLP",
                                "'" KORVANE_BIN "' --version"}) {
        r = run_program({"/bin/sh", "-c", std::string("exec ") + command + " >/dev/full"}, dir.path());
        EXPECT_EQ(r.exit_code, 1) << command;
        EXPECT_TRUE(has(r.err, "No space left on device")) << r.err;
    }
}

TEST(Cli, KorvaneTakesTheWholeTailAsThePathAndExitsWithTwo) {
    TempDir dir;
    copy_seed("stored.hlp", dir / "with space.hlp");
    copy_seed("stored.hlp", dir / "THERE.HLP");
    copy_seed("stored.hlp", dir / "PLAIN");
    // Base names keep whole UTF-8 characters.
    copy_seed("stored.hlp", dir / "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97.hlp");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"with", "space.hlp"}, "with space.HPJ"},
        {{"THERE"}, "THERE.HPJ"},
        {{"PLAIN"}, "PLAIN.HPJ"},
        {{"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97.hlp"},
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB" "1.RTF"},
    };
    for (const auto& [args, written] : cases) {
        std::vector<std::string> argv{KORVANE_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        RunResult r = run_program(argv, dir.path(), {"LANG=C"});
        EXPECT_EQ(r.exit_code, 2) << r.err;
        EXPECT_TRUE(file_exists(dir / written)) << written;
    }
    RunResult r = run_program({KORVANE_BIN, "NOPE"}, dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, "NOPE.HLP")) << r.err;
}
