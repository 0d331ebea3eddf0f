// SPDX-License-Identifier: MIT
// The web site export beyond the pages' text and layout (which the scripts
// in tests/html check in a browser): the contents file beside a help file
// names its contexts. (The site's words in the help file's language are
// held by site_search, in every language, and by the snapshot test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_util.h"

using namespace korvane::test;

// A help file holds most context ids only as hashes; the contents file
// beside it (found whatever the case of its name) names them, so both the
// RTF sources and the site get the real names, and the site's contents
// page follows the contents file's books.
TEST(Site, TheContentsFileNamesContextsAndBuildsTheContentsPage) {
    TempDir dir;
    write_file(dir / "n.but",
               "\\title Named\n\n\\C{first} First chapter\n\nSee \\k{second}.\n\n\\C{second} Second chapter\n\nText.\n\n");
    ASSERT_EQ(run_program({find_program("halibut"), "--winhelp=N.HLP", "n.but"}, dir.path()).exit_code, 0);
    // halibut's ids of the two chapters, which the help file holds only as hashes.
    const std::string names[] = {"t00000000", "t00000001"};
    for (const std::string& name : names) ASSERT_NE(read_text(dir / "N.cnt").find("=" + name), std::string::npos);
    std::filesystem::rename(dir / "N.cnt", dir / "n.cNT");

    for (bool with_contents : {true, false}) {
        if (!with_contents) std::filesystem::remove(dir / "n.cNT");
        std::string out = with_contents ? "with" : "without";
        ASSERT_EQ(run_program({KORVANE_CLI_BIN, "-q", "-C", out, "N.HLP"}, dir.path()).exit_code, 0);
        ASSERT_EQ(run_program({KORVANE_CLI_BIN, "-q", "--html", "-C", out, "N.HLP"}, dir.path()).exit_code, 0);
        std::string rtf = read_text(dir / (out + "/N1.RTF"));
        std::string index = read_text(dir / (out + "/n/index.html"));
        for (const std::string& name : names) {
            EXPECT_EQ(rtf.find("{#{\\footnote{#}" + name + "}}") != std::string::npos, with_contents) << name << " " << out;
            EXPECT_EQ(file_exists(dir / (out + "/n/" + lower(name) + ".html")), with_contents) << name << " " << out;
            EXPECT_EQ(index.find("href=\"" + lower(name) + ".html\"") != std::string::npos, with_contents) << out;
        }
    }
}
