// SPDX-License-Identifier: MIT
// Macros of hotspots that name something a browser can do, as links.
//
// A macro is never run. Jumps and popups (JumpId, PopupId) are links of the
// page writer; the others that lead somewhere get an href here:
//   JumpContents, Contents, Finder, JumpHelpOn, HelpOn   the contents (index.html;
//                                  JumpContents of another help file: its site's)
//   Search                         the keyword index
//   Next, Prev                     the topic's browse neighbours
//   ALink, KLink, JumpKeyword      where the keywords lead (html/keyword_page.h);
//                                  JumpKeyword into another help file: that
//                                  keyword's entry in its site's index
//   ExecFile, ExecProgram          a web or mail address (http:, https:,
//                                  mailto:) given as the file or command line
// Every other macro stays inert text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

namespace html {
struct Site;
}
namespace text {
class Utf8Converter;
}

struct MacroHref {
    std::string href;       // ready for append_attribute
    bool external = false;  // a web or mail address
};
// The link of macro on the page of topic; text of the help file (keywords)
// is converted from the site's code page.
std::optional<MacroHref> macro_href(const html::Site& site, std::string_view macro, size_t topic,
                                    text::Utf8Converter& utf8);

}  // namespace korvane
