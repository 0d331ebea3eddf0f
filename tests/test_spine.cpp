// The container, the system header, the project head and the driver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "driver/convert.h"
#include "driver/format.h"
#include "driver/messages.h"
#include "driver/out_stream.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "project/options.h"
#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "support/rtf_topics.h"
#include "support/topic_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

std::unique_ptr<HelpFile> open_built(const HlpBuilder& b, TempDir& dir, int flags = 0) {
    std::string path = dir / "t.hlp";
    write_file(path, b.build());
    return open_help_file(path, flags);
}

std::string options_text(const std::vector<uint8_t>& system, std::vector<std::string>* windows = nullptr) {
    TempDir dir;
    HlpBuilder b;
    b.add("|SYSTEM", system);
    auto help = open_built(b, dir);
    std::string out = dir / "o.hpj";
    {
        auto s = OutStream::open(out, "wb");
        write_project_options(*help, *s);
    }
    if (windows) *windows = help->window_names;
    return read_text(out);
}

}  // namespace

TEST(Format, ConversionsFollowTheWindowsFormatter) {
    EXPECT_EQ(format("%08lX|%02x|%d|%ld|%u", 0xABCDu, 5, -3, -1, -1), "0000ABCD|05|-3|-1|4294967295");
    EXPECT_EQ(format("%3d%%|%-4s|%c%c|%s", 7, "ab", 'l', 'P', "x"), "  7%|ab  |lP|x");
    EXPECT_EQ(format("grp%04X:%d", 0x10000, 2), "grp10000:2");
    EXPECT_EQ(format("%d%s", 1), "1");  // a missing value prints as nothing
    EXPECT_EQ(mul_div(1, 40, 3), 13);
    EXPECT_EQ(mul_div(2, 40, 3), 27);
    EXPECT_EQ(mul_div(-1, 3, 2), -2);
    EXPECT_EQ(mul_div(5, 5, 0), -1);
    EXPECT_EQ(mul_div(0x7FFFFFFF, 4, 1), -1);
}

TEST(OutStreamTest, TextModeStoresCrLfAndNulDiscards) {
    TempDir dir;
    {
        auto t = OutStream::open(dir / "t.txt", "wt");
        ASSERT_TRUE(t);
        t->put('a');
        t->put('\n');
        t->write("b\nc");
        auto b = OutStream::open(dir / "b.bin", "wb");
        b->write("x\ny");
        auto n = OutStream::open("NUL", "wt");
        ASSERT_TRUE(n && n->is_null());
        n->write(std::string(100000, 'z'));
    }
    EXPECT_EQ(read_text(dir / "t.txt"), "a\r\nb\r\nc");
    EXPECT_EQ(read_text(dir / "b.bin"), "x\ny");
    EXPECT_FALSE(file_exists(dir / "NUL"));
    EXPECT_FALSE(OutStream::open(dir / "missing/x", "wt"));
}

TEST(Messages, LanguagesAndMissingIds) {
    EXPECT_EQ(message_text(Msg::LoadingSystemFile), "Loading System File");
    EXPECT_EQ(message_text(Msg{9}), "String Id not found");
    set_language_offset(512);
    EXPECT_EQ(message_text(Msg::LoadingSystemFile), "Lade Verwaltungseintrag");
    EXPECT_EQ(message_text(Msg::SevereProblem), "Korvane Verarbeitungsfehler");
    EXPECT_EQ(message_text(Msg{35}), "String Id not found");
    set_language_offset(0);
}

TEST(Messages, WarningsRepeatedWithTheSameTextAreCounted) {
    RecordingPlatform rec;
    HelpFile help;
    help.progress_window = true;
    add_warning(help, Msg::IllegalBitmapReference, 5);
    add_warning(help, Msg::IllegalFontSelection);
    add_warning(help, Msg::IllegalBitmapReference, 5);
    add_warning(help, Msg::IllegalBitmapReference, 6);  // another text
    help.warnings_muted = true;
    add_warning(help, Msg::IllegalFontSelection);  // the dry topic pass: neither shown nor counted
    help.warnings_muted = false;
    add_warning(help, Msg::IllegalFontSelection);
    add_warning(help, Msg::IllegalBitmapReference, 5);
    EXPECT_EQ(rec.warnings.size(), 6u);
    EXPECT_EQ(rec.repeats, (std::vector<std::pair<size_t, unsigned long>>{{0, 2}, {1, 2}, {0, 3}}));
}

TEST(Names, DerivedFromTheFileNamePart) {
    auto n = derive_output_names("C:\\HELP\\WINHELP.HLP", 0);
    EXPECT_EQ(n.project_name, "WINHELP.HPJ");
    EXPECT_EQ(n.base_name, "WINHEL");
    EXPECT_EQ(derive_output_names("C:\\HELP\\WINHELP", 0).input_path, "C:\\HELP\\WINHELP.HLP");
    n = derive_output_names("C:\\A.B\\FILE", 0);
    EXPECT_EQ(n.input_path, "C:\\A.B\\FILE.HLP");
    EXPECT_EQ(n.project_name, "FILE.HPJ");
    EXPECT_EQ(n.base_name, "FILE");
    n = derive_output_names("/some/dir.v2/ABC.MVB", 0);
    EXPECT_EQ(n.project_name, "ABC.HPJ");
    EXPECT_EQ(n.base_name, "ABC");
    EXPECT_EQ(derive_output_names("x.hlp", CVF_FOR_PRINT).project_name, "NUL");
    std::string longname(300, 'q');
    n = derive_output_names("/tmp/" + longname + ".hlp", 0);
    EXPECT_EQ(n.project_name, longname + ".HPJ");
    EXPECT_EQ(n.base_name, "qqqqqq");

    // A file that exists is used as given, even without an extension.
    TempDir dir;
    write_file(dir / "PLAINHELP", {0});
    n = derive_output_names(dir / "PLAINHELP", 0);
    EXPECT_EQ(n.input_path, dir / "PLAINHELP");
    EXPECT_EQ(n.project_name, "PLAINHELP.HPJ");
    EXPECT_EQ(n.base_name, "PLAINH");
    EXPECT_EQ(derive_output_names(dir / "OTHER", 0).input_path, dir / "OTHER.HLP");
    // A folder is taken as it is (and refused when opened), unless a help
    // file of its name with the extension stands beside it.
    std::filesystem::create_directories(dir / "FOLDER");
    std::filesystem::create_directories(dir / "BESIDE");
    write_file(dir / "BESIDE.HLP", {0});
    EXPECT_EQ(derive_output_names(dir / "FOLDER", 0).input_path, dir / "FOLDER");
    EXPECT_EQ(derive_output_names(dir / "BESIDE", 0).input_path, dir / "BESIDE.HLP");
    // Six characters, a well-formed UTF-8 sequence counting as one and any
    // other byte as one of its own.
    const std::pair<const char*, const char*> cut[] = {
        {"abcde\xC3\xA9.hlp", "abcde\xC3\xA9"},
        {"abcdef\xC3\xA9.hlp", "abcdef"},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97.hlp",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x98\xE3\x83\xAB"},
        {"\xF0\x9F\x93\x96helpfile.hlp", "\xF0\x9F\x93\x96helpf"},
        {"abcde\xE9xyz.hlp", "abcde\xE9"},           // a single-byte encoding
        {"abcd\xE6\x97.hlp", "abcd\xE6\x97"},        // a sequence cut short: two characters
        {"abcde\xED\xA0\x80.hlp", "abcde\xED"},      // an encoded surrogate is not a character
        {"abc\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.hlp", "abc\xC3\xA9\xC3\xA9\xC3\xA9"},
    };
    for (const auto& [path, base] : cut) EXPECT_EQ(derive_output_names(path, 0).base_name, base) << path;
}

TEST(Container, DirectoryOverSeveralLeavesAndIndexLevels) {
    for (int levels : {1, 2}) {
        TempDir dir;
        HlpBuilder b;
        b.directory.entries_per_leaf = 3;
        b.directory.index_levels = levels;
        b.add("|SYSTEM", system_file(21, 0));
        for (int i = 0; i < 10; ++i) b.add("file" + std::to_string(i), bytes_of("content" + std::to_string(i)));
        b.add("|TOPIC", bytes_of("topic"));
        b.add("|KWBTREE", bytes_of("a"));
        b.add("|0KWBTREE", bytes_of("bb"));
        auto help = open_built(b, dir);
        ASSERT_TRUE(help);
        ASSERT_EQ(help->file_count, 14);
        for (int i = 0; i < 10; ++i) {
            const InternalFile& f = help->files[static_cast<size_t>(i) + 1];
            EXPECT_EQ(f.name, "file" + std::to_string(i));
            EXPECT_EQ(f.offset, b.content_offset(f.name));
            EXPECT_EQ(f.size, 8u);
        }
        EXPECT_EQ(help->topic_file.offset, b.content_offset("|TOPIC"));
        EXPECT_EQ(help->kwbtree_file.size, 2u);  // the later of the two wins
        EXPECT_FALSE(help->context_file.present());
    }
}

TEST(Container, MissingFileYieldsNothing) {
    EXPECT_EQ(open_help_file("/nonexistent/x.hlp", 0), nullptr);
}

TEST(SystemHeader, CompilerVersionsAndCompression) {
    struct Case {
        uint16_t minor, flags;
        bool hc30, hcrtf, compressed;
    } cases[] = {
        {21, 0x0004, false, false, true}, {0x0115, 0x0008, false, false, true}, {21, 0x0010, false, false, false},
        {15, 0x000C, true, false, false}, {0x0121, 0, false, true, false},      {27, 4, false, false, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        HlpBuilder b;
        b.add("|SYSTEM", system_file(c.minor, c.flags));
        auto help = open_built(b, dir);
        ASSERT_TRUE(help);
        EXPECT_EQ(help->is_hc30, c.hc30) << c.minor;
        EXPECT_EQ(help->is_hcrtf, c.hcrtf) << c.minor;
        EXPECT_EQ(help->topics_compressed, c.compressed) << c.minor;
    }
}

TEST(ProjectOptions, RecordsInTheirOrderWithSections) {
    Bytes window_main;
    window_main.u16(0x0002 | 0x0004 | 0x0078 | 0x0080 | 0x0100 | 0x0200).fill(10);
    window_main.raw("main").fill(5).raw("Help").fill(51 - 4);
    window_main.u16(10).u16(20).u16(500).u16(600).u16(0).u8(255).u8(255).u8(192).u8(0).u8(192).u8(192).u8(192);
    Bytes window_sec;
    window_sec.u16(0x0008 | 0x0020).fill(10).raw("sec").fill(6).fill(51).u16(10).u16(0).u16(500);
    Bytes window_unnamed;
    window_unnamed.u16(0).fill(10).raw("anon").fill(5);
    std::vector<std::string> windows;
    std::string text = options_text(
        system_file(21, 4,
                    {{1, bytes_of(std::string("My Help\0", 8))},
                     {2, bytes_of("(c)")},
                     {2, bytes_of("ab")},
                     {4, bytes_of(std::string("BrowseButtons()\0", 16))},
                     {6, window_main},
                     {6, window_sec},
                     {6, window_unnamed},
                     {4, bytes_of("CreateButton(x)")},
                     {8, bytes_of(std::string("cite\0", 5))},
                     {13, bytes_of(std::string("intro.grp\0Introduction\0", 23))},
                     {13, bytes_of("plain")},
                     {13, bytes_of(std::string("ab.gr\0", 6))},
                     {1, {}}}),
        &windows);
    EXPECT_EQ(text,
              "[options]\nCompress=HIGH\nTitle= My Help\nCopyRight= (c)\n"
              "\n[Config]\nBrowseButtons()\n"
              "\n[Windows]\nmain=\"Help\",(10,20,500,600),0,(255,255,192),(192,192,192)\n"
              "sec=,(10,,500,),,,\nanon=,,,,\n"
              "\n[Config]\nCreateButton(x)\nCitation = cite\n"
              "\n[GROUPS]\ngroup=intro, Introduction\ngroup=plain\ngroup=ab, \n");
    EXPECT_EQ(windows, (std::vector<std::string>{"main"}));
}

TEST(ProjectOptions, OldCompilerShortSystemAndTruncatedRecords) {
    std::vector<uint8_t> old = system_file(15, 8);
    Bytes title;
    title.str("An old title that runs past thirty-one characters");
    old.insert(old.end(), title.b.begin(), title.b.end());
    EXPECT_EQ(options_text(old), "[options]\nCompress=MEDIUM\nTitle=An old title that runs past thi\n");
    EXPECT_EQ(options_text(system_file(21, 0)), "[options]\nCompress=FALSE\n");
    // A record whose length runs past the end keeps the bytes that are there.
    std::vector<uint8_t> sys = system_file(21, 0);
    Bytes rec;
    rec.u16(1).u16(500).raw("Cut");
    sys.insert(sys.end(), rec.b.begin(), rec.b.end());
    EXPECT_EQ(options_text(sys), "[options]\nCompress=FALSE\nTitle= Cut\n");
}

// A fatal condition comes back from the conversion as its error value; what
// was written before it is on disk, flushed, and the next conversion in the
// same process writes the same bytes as the first (no counter carried over).
TEST(Convert, FatalErrorsAreReturnedAndLeaveNoStateBehind) {
    TempDir dir;
    HelpFileSpec spec;
    spec.records = {topic_header({.number = 0, .title = "Errors"}), plain_text(std::string(100, 'e'))};
    write_file(dir / "T.HLP", build_help_file(spec).bytes);
    WorkingDirectory cwd(dir.path());
    ASSERT_FALSE(convert_help_file("T.HLP", 0x38));
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
        std::optional<ConversionError> error = convert_help_file(c.input, 0x38);
        ASSERT_TRUE(error) << c.input;
        EXPECT_EQ(error->id, c.id);
        EXPECT_EQ(error->args, c.args);
        EXPECT_EQ(error->text, format(fatal_format(c.id), c.args[0], c.args[1]));
        EXPECT_EQ(dir.list(), c.files);
        if (c.blocked && std::string(c.blocked) == "T1.RTF") {
            // The project file up to the topics, flushed when the error unwound the conversion.
            std::string written = read_text("T.HPJ");
            EXPECT_FALSE(written.empty());
            EXPECT_EQ(hpj.rfind(written, 0), 0u) << written;
        }
        if (c.blocked) std::filesystem::remove_all(c.blocked);
        std::filesystem::remove("T.HPJ");
    }
    ASSERT_FALSE(convert_help_file("T.HLP", 0x38));
    EXPECT_EQ(read_text("T.HPJ"), hpj);
    EXPECT_EQ(read_text("T1.RTF"), rtf);
}
