#include "html/site_style.h"

#include "base/format.h"

namespace korvane {

std::string site_style_sheet(const std::vector<std::string>& paragraph_styles, const std::vector<std::string>& font_rules) {
    std::string css =
        "body { font-family: sans-serif; font-size: 10pt; margin: 0 1em 1em; }\n"
        "nav.site { padding: 0.3em 0; border-bottom: 1px solid #ccc; margin-bottom: 0.5em; }\n"
        "nav.site a { margin-right: 1em; }\n"
        "html.framed nav.site, html.framed h1.title { display: none; }\n"
        "h1.title { font-size: 1.3em; }\n"
        "p { margin: 0; }\n"
        "div.nsr { background: #f3f3e8; padding: 0.3em 0.5em; margin-bottom: 0.5em; border-bottom: 1px solid #ccc; }\n"
        "table.row { border-collapse: collapse; }\n"
        "table.row td { vertical-align: top; padding: 0 0.4em; }\n"
        "a.jump { color: #060; }\n"
        "a.popup { color: #060; text-decoration: underline dashed; }\n"
        "span.macro, span.missing { text-decoration: underline dotted; }\n"
        "span.tab { display: inline-block; min-width: 2em; white-space: pre; }\n"
        "img.picture.left { float: left; margin: 0 0.5em 0.5em 0; }\n"
        "img.picture.right { float: right; margin: 0 0 0.5em 0.5em; }\n"
        "span.window { display: inline-block; border: 1px dashed #888; padding: 0.2em 0.5em; color: #555; }\n"
        "ul.hotspots { font-size: 0.9em; }\n"
        "iframe.popup-box { display: block; width: 90%; height: 12em; border: 1px solid #888;"
        " box-shadow: 2px 2px 6px #888; background: #ffe; }\n"
        "dl.keywords dd { margin-left: 1.5em; }\n";
    for (size_t i = 0; i < paragraph_styles.size(); ++i) {
        css += format(".p%d { %s }\n", static_cast<int>(i + 1), paragraph_styles[i]);
    }
    for (const std::string& rule : font_rules) css += rule + "\n";
    return css;
}

std::string site_script() {
    return "\"use strict\";\n"
           "if (window.self !== window.top) document.documentElement.classList.add(\"framed\");\n"
           "document.addEventListener(\"click\", function (event) {\n"
           "  var link = event.target.closest ? event.target.closest(\"a.popup\") : null;\n"
           "  if (!link) return;\n"
           "  event.preventDefault();\n"
           "  var box = link.nextElementSibling;\n"
           "  if (box && box.classList.contains(\"popup-box\")) { box.remove(); return; }\n"
           "  box = document.createElement(\"iframe\");\n"
           "  box.className = \"popup-box\";\n"
           "  box.src = link.getAttribute(\"href\");\n"
           "  link.after(box);\n"
           "});\n";
}

}  // namespace korvane
