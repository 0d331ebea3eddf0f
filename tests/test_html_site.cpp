// The style sheet and the popup script in a browser: a small site built the
// way the HTML export builds one (the script embedded in each page, popup
// content in hidden elements) passes the site checker, which clicks every
// popup link twice and compares the box with the popup's content.
#include <gtest/gtest.h>

#include "html/escape.h"
#include "html/page_names.h"
#include "html/site_style.h"
#include "support/test_util.h"

using namespace korvane::html;
using namespace korvane::test;

namespace {

void write_text(const std::string& path, std::string_view text) {
    write_file(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string page(std::string_view title, std::string_view body) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    append_text(out, title);
    out += "</title>\n<link rel=\"stylesheet\" href=\"";
    out += kStyleSheetFile;
    out += "\">\n</head>\n<body>\n";
    out += body;
    out += "\n<script>\n";
    out += kPopupScript;
    out += "</script>\n</body>\n</html>\n";
    return out;
}

}  // namespace

TEST(HtmlSite, PopupsOpenAndCloseInPlaceAndThePagesPassTheChecker) {
    TempDir site;
    write_text(site / std::string(kStyleSheetFile), kSiteStyleSheet);
    // A popup whose text a help file chose to be hostile, and one with
    // another popup link inside.
    std::string hostile = "<script>alert('x')</script> & \"quotes\"";
    std::string body = "<header class=\"nonscroll\"><h1>Popups</h1></header>\n<p>See <a class=\"popup\" href=\"" +
                       escape_attribute(link_target("IDH_Term.html")) + "\" data-popup=\"" +
                       escape_attribute(safe_name("IDH_Term")) + "\">the term</a>, the <a class=\"popup\" "
                       "href=\"IDH_Outer.html\" data-popup=\"IDH_Outer\">outer popup</a>.</p>\n"
                       "<p><span class=\"macro\">A macro</span> <a class=\"jump\" href=\"IDH_Term.html\">a jump</a></p>\n"
                       "<div class=\"embedded-window\">Embedded window</div>\n"
                       "<div hidden id=\"popup-IDH_Term\"><p>" + escape_text(hostile) + "</p></div>\n"
                       "<div hidden id=\"popup-IDH_Outer\"><p id=\"inner-anchor\">Outer text with <a class=\"popup\" "
                       "href=\"IDH_Term.html\" data-popup=\"IDH_Term\">the term</a>.</p></div>";
    write_text(site / "index.html", page("Popups & more", body));
    write_text(site / "IDH_Term.html", page("The term", "<p>" + escape_text(hostile) + "</p>"));
    write_text(site / "IDH_Outer.html", page("Outer", "<p>Outer text.</p>"));

    RunResult r = run_program({"/bin/bash", KORVANE_SOURCE_DIR "/tests/html/check_site.sh", site.path()}, site.path());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("check_site: 3 pages, 0 problems"), std::string::npos) << r.out << r.err;
}
