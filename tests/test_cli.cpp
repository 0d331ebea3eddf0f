// korvane-cli as scripts use it: modes, output folder, batches, exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "support/rtf_topics.h"

using namespace korvane::test;

namespace {

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> small_help(std::string_view baggage = "baggage") {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 4, {{1, bytes_of(std::string("Cli\0", 4))}}));
    b.add("notes.txt", bytes_of(baggage));
    return b.build();
}

// Three topics without context ids (two warnings: a topic is reported at the
// next one's header) and three [Map] entries that point nowhere (one text).
std::vector<uint8_t> warning_help() {
    HelpFileSpec desc;
    for (int i = 0; i < 3; ++i) {
        desc.records.push_back(topic_header({.number = i, .title = "T" + std::to_string(i)}));
        desc.records.push_back(plain_text("Topic " + std::to_string(i) + "."));
    }
    desc.extra_files = {{"|CTXOMAP", ctxomap_file({{1, 0xFFFFFFFF}, {2, 0xFFFFFFFF}, {3, 0xFFFFFFFF}})}};
    return build_help_file(desc).bytes;
}

RunResult cli(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> argv{KORVANE_CLI_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, cwd, {"LANG=C"});
}

size_t count_of(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
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

TEST(Cli, SeveralFilesWithOneFolderGoIntoAFolderEach) {
    TempDir dir;
    for (const char* sub : {"a", "b", "c"}) std::filesystem::create_directory(dir / sub);
    write_file(dir / "a/X.HLP", small_help("from a"));
    write_file(dir / "b/x.hlp", small_help("from b"));    // the same name but for case
    write_file(dir / "c/X-2.HLP", small_help("from c"));  // has the name b would get first
    write_file(dir / "Y.HLP", small_help("from y"));
    RunResult r = cli({"-C", "out", "a/X.HLP", "b/x.hlp", "c/X-2.HLP", "MISSING.HLP", "Y.HLP"}, dir.path());
    EXPECT_EQ(r.exit_code, 1) << r.err;
    // No folder for the file that is not there.
    std::vector<std::string> folders;
    for (const auto& e : std::filesystem::directory_iterator(dir / "out")) folders.push_back(e.path().filename());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"X", "X-2", "Y", "x-3"}));
    const std::pair<const char*, const char*> outputs[] = {
        {"out/X/notes.txt", "from a"}, {"out/x-3/notes.txt", "from b"},
        {"out/X-2/notes.txt", "from c"}, {"out/Y/notes.txt", "from y"},
    };
    for (const auto& [file, text] : outputs) EXPECT_EQ(read_text(dir / file), text) << file;
    EXPECT_TRUE(file_exists(dir / "out/x-3/x.HPJ"));
    EXPECT_NE(r.err.find("b/x.hlp (flags 0x38) -> out/x-3\n"), std::string::npos) << r.err;
}

TEST(Cli, FatalMessagesNameTheProgramTheFileAndTheReason) {
    TempDir dir;
    write_file(dir / "A.HLP", warning_help());
    std::filesystem::create_directories(dir / "sub");
    // Output files that cannot be created: a folder stands in their place.
    std::filesystem::create_directories(dir / "blocked/A.HPJ");
    std::filesystem::create_directories(dir / "blocked/A1.RTF");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"NOPE"}, "korvane-cli: NOPE: Can't open File NOPE.HLP: No such file or directory\n"},
        {{"."}, "korvane-cli: .: Can't open File .: Is a directory\n"},
        {{"sub/."}, "korvane-cli: sub/.: Can't open File sub/.: Is a directory\n"},
        {{"sub"}, "korvane-cli: sub: Can't open File sub: Is a directory\n"},
        {{"-C", "out", "NOPE"}, "korvane-cli: NOPE: Can't open File NOPE.HLP: No such file or directory\n"},
        {{"-C", "blocked", "A.HLP"}, "korvane-cli: A.HLP: Error creating File A.HPJ: Is a directory\n"},
        {{"--print", "-C", "blocked", "A.HLP"}, "korvane-cli: A.HLP: Error creating File A1.RTF: Is a directory\n"},
        {{"--list", "NOPE"}, "korvane-cli: NOPE: Can't open File NOPE.HLP: No such file or directory\n"},
    };
    for (const auto& [args, message] : cases) {
        RunResult r = cli(args, dir.path());
        EXPECT_EQ(r.exit_code, 1) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    // A file without an extension is taken as it is when it exists.
    std::filesystem::copy_file(dir / "A.HLP", dir / "PLAIN");
    EXPECT_EQ(cli({"-q", "PLAIN"}, dir.path()).exit_code, 0);
    EXPECT_TRUE(file_exists(dir / "PLAIN.HPJ"));
}

TEST(Cli, RepeatedWarningsAreShownOnceWithTheirCount) {
    TempDir dir;
    write_file(dir / "W.HLP", warning_help());
    const std::string map = "Warning: Lookup for Topicoffset 0xFFFFFFFF for MAP failed";
    // Both topic passes (browse sequences) and one.
    for (const char* mode : {"--flags=0x38", "--no-browse"}) {
        RunResult r = cli({mode, "W.HLP"}, dir.path());
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(count_of(r.err, "Warning: Topic #0 does not have a Context Id\n"), 1u) << r.err;
        EXPECT_EQ(count_of(r.err, "Warning: Topic #1 does not have a Context Id\n"), 1u) << r.err;
        EXPECT_EQ(count_of(r.err, map + "\n"), 1u) << r.err;
        // The count comes once the file is done.
        size_t total = r.err.find(map + " (3 times in all)\n");
        EXPECT_NE(total, std::string::npos) << r.err;
        EXPECT_GT(total, r.err.find("Reading Topics")) << r.err;
    }
    EXPECT_EQ(cli({"-q", "W.HLP"}, dir.path()).err, "");
}

TEST(Cli, HelpVersionAndOutputThatCannotBeWritten) {
    TempDir dir;
    write_file(dir / "A.HLP", small_help());
    EXPECT_EQ(cli({"--version"}, dir.path()).out, "korvane-cli " KORVANE_VERSION "\n");
    RunResult r = run_program({KORVANE_BIN, "--version"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "korvane " KORVANE_VERSION "\n");
    r = run_program({KORVANE_BIN, "--help"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.rfind("usage: korvane [FILE.HLP]\n", 0), 0u) << r.out;
    EXPECT_EQ(dir.list(), std::vector<std::string>{"A.HLP"});  // no conversion tried

    const std::pair<const char*, const char*> full[] = {
        {KORVANE_CLI_BIN, "--help"}, {KORVANE_CLI_BIN, "--version"}, {KORVANE_CLI_BIN, "--list A.HLP"},
        {KORVANE_BIN, "--help"}, {KORVANE_BIN, "--version"},
    };
    for (const auto& [program, args] : full) {
        std::string command = std::string("exec '") + program + "' " + args + " >/dev/full";
        r = run_program({"/bin/sh", "-c", command}, dir.path());
        EXPECT_EQ(r.exit_code, 1) << command;
        EXPECT_NE(r.err.find(": cannot write the output: No space left on device\n"), std::string::npos) << r.err;
    }
}
