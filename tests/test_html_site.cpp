// SPDX-License-Identifier: MIT
// The style sheet and the popup script in a browser: the pages of
// tests/html/sites/popups, built the way the HTML export builds them (popup
// content in hidden elements), get the style sheet and the script and pass
// the site checker, which clicks every popup link twice and compares the box
// with the popup's content.
#include <gtest/gtest.h>

#include <filesystem>

#include "html/page_names.h"
#include "html/site_style.h"
#include "support/test_util.h"

using namespace korvane::html;
using namespace korvane::test;

TEST(HtmlSite, PopupsOpenAndCloseInPlaceAndThePagesPassTheChecker) {
    TempDir site;
    std::filesystem::copy(KORVANE_SOURCE_DIR "/tests/html/sites/popups", site.path());
    write_file(site / kStyleSheetFile, kSiteStyleSheet);
    write_file(site / "popup.js", kPopupScript);
    RunResult r = run_program({"/bin/bash", KORVANE_SOURCE_DIR "/tests/html/check_site.sh", site.path()}, site.path());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("check_site: 3 pages, 0 problems"), std::string::npos) << r.out << r.err;
}
