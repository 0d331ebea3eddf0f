// The style sheet and the script every page of a site uses.
#pragma once

#include <string>
#include <vector>

namespace korvane {

// The fixed rules, then ".pN" for each paragraph style (N from 1) and the
// font rules as given.
std::string site_style_sheet(const std::vector<std::string>& paragraph_styles, const std::vector<std::string>& font_rules);

// Opens a popup topic in place: a click on a link of class "popup" shows
// the topic's page in a box after the link (a second click closes it);
// without scripts the link opens the page. A page shown in such a box
// leaves out its navigation.
std::string site_script();

}  // namespace korvane
