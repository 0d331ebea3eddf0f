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

struct SiteMap;
struct MacroCall;

namespace html {
class Utf8Converter;
}

// The keywords a keyword link (ALink, KLink, JumpKeyword) looks up.
struct KeywordLink {
    char table = 'K';    // 'K' or 'A'
    std::string file;    // JumpKeyword's help file, empty for this one
    std::string keywords;  // ';'-separated, as the macro has them
};
std::optional<KeywordLink> keyword_link(const MacroCall& call);

struct MacroHref {
    std::string href;       // ready for append_attribute
    bool external = false;  // a web or mail address
};
// The link of macro on the page of topic; text of the help file (keywords)
// is converted from code_page.
std::optional<MacroHref> macro_href(const SiteMap& site, std::string_view macro, size_t topic,
                                    html::Utf8Converter& utf8, int code_page);

}  // namespace korvane
