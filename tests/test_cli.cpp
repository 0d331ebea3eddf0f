// korvane-cli as scripts use it: modes, output folder, batches, exit codes.
#include <gtest/gtest.h>

#include "support/hlp_builder.h"

using namespace korvane::test;

namespace {

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> small_help() {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 4, {{1, bytes_of(std::string("Cli\0", 4))}}));
    b.add("notes.txt", bytes_of("baggage"));
    return b.build();
}

RunResult cli(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> argv{KORVANE_CLI_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, cwd, {"LANG=C"});
}

}  // namespace

TEST(Cli, OptionsGiveTheFlagsOfTheDialog) {
    TempDir dir;
    write_file(dir / "A.HLP", small_help());
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "0x38"},
        {{"--no-shg"}, "0x39"},
        {{"--no-browse"}, "0x30"},
        {{"--print"}, "0x07"},
        {{"--print", "--page-break", "--jumps"}, "0x37"},
        {{"--print", "--jumps"}, "0x27"},
        {{"--flags=0x18"}, "0x18"},
        {{"--flags=5"}, "0x05"},
    };
    for (const auto& [options, flags] : cases) {
        std::vector<std::string> args = options;
        args.push_back("A.HLP");
        RunResult r = cli(args, dir.path());
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_NE(r.err.find(std::string("A.HLP (flags ") + flags + ")"), std::string::npos) << r.err;
    }
}

TEST(Cli, PrintModeWritesNoProjectFile) {
    TempDir dir;
    write_file(dir / "A.HLP", small_help());
    EXPECT_EQ(cli({"--print", "A.HLP"}, dir.path()).exit_code, 0);
    EXPECT_FALSE(file_exists(dir / "A.HPJ"));
    EXPECT_EQ(cli({"-q", "A.HLP"}, dir.path()).exit_code, 0);
    EXPECT_TRUE(file_exists(dir / "A.HPJ"));
}

TEST(Cli, OutputFolderIsCreatedAndTheCurrentFolderStaysUntouched) {
    TempDir dir;
    write_file(dir / "A.HLP", small_help());
    RunResult r = cli({"-C", "out/nested", "A.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"A.HLP", "out"}));
    EXPECT_TRUE(file_exists(dir / "out/nested/A.HPJ"));
    r = cli({"--output-dir=second", "A.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(file_exists(dir / "second/A.HPJ"));
}

TEST(Cli, BatchGoesOnAfterAFailedFile) {
    TempDir dir;
    write_file(dir / "A.HLP", small_help());
    write_file(dir / "BAD.HLP", bytes_of("not a help file"));
    write_file(dir / "C.HLP", small_help());
    RunResult r = cli({"A.HLP", "BAD.HLP", "MISSING.HLP", "C.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(file_exists(dir / "A.HPJ"));
    EXPECT_TRUE(file_exists(dir / "C.HPJ"));
    EXPECT_FALSE(file_exists(dir / "BAD.HPJ"));
    EXPECT_NE(r.err.find("Magic Number of HLP-File incorrect"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Can't open File MISSING.HLP"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 of 4 files failed"), std::string::npos) << r.err;
}

TEST(Cli, ListShowsTheInternalFiles) {
    TempDir dir;
    write_file(dir / "A.HLP", small_help());
    RunResult r = cli({"--list", "A.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("|SYSTEM"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("notes.txt"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("compiler: HC31 (minor version 21)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("topics compressed: yes"), std::string::npos) << r.out;
    EXPECT_EQ(dir.list(), std::vector<std::string>{"A.HLP"});
}

TEST(Cli, UsageErrorsExitWithTwo) {
    TempDir dir;
    const std::vector<std::string> cases[] = {
        {"--bogus", "A.HLP"}, {}, {"--flags=0x40", "A.HLP"}, {"--flags=zz", "A.HLP"},
        {"--flags=1", "--print", "A.HLP"}, {"-C"}, {"--list"}, {"--list", "A.HLP", "B.HLP"},
    };
    for (const auto& args : cases) {
        RunResult r = cli(args, dir.path());
        EXPECT_EQ(r.exit_code, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("korvane-cli: "), std::string::npos) << r.err;
    }
    RunResult help = cli({"--help"}, dir.path());
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("--output-dir"), std::string::npos);
}
