// SPDX-License-Identifier: MIT
#include "html/site_files.h"

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "output/out_stream.h"
#include "output/output_sink.h"
#include "html/escape.h"

namespace korvane::html {

SiteFiles::SiteFiles(OutputSink& output, std::string folder, PageOptions options)
    : output_(output), folder_(std::move(folder)), options_(std::move(options)) {
    if (options_.code_page) encoder_ = std::make_unique<text::CodePageEncoder>(options_.code_page);
}

std::unique_ptr<OutStream> SiteFiles::create(std::string_view name) const {
    const std::string path = folder_ + std::string(name);
    errno = 0;
    const bool picture = name.ends_with(".png");
    std::unique_ptr<OutStream> out = output_.open(path, picture ? "wb" : "wt");
    if (!out) fatal_error(Fatal::CannotCreate, path, std::strerror(errno));
    return out;
}

void SiteFiles::write(std::string_view name, std::string_view bytes) const {
    std::unique_ptr<OutStream> out = create(name);
    out->write(bytes);
    out->close();
    if (out->failed()) fatal_error(Fatal::DiskFull);
}

namespace {

// An apostrophe is text as it is, also inside the pages' attributes, which
// are in double quotes.
std::string literal_apostrophes(std::string_view html) {
    std::string out;
    out.reserve(html.size());
    for (size_t at = 0; at < html.size();) {
        size_t found = html.find("&#39;", at);
        if (found == std::string_view::npos) found = html.size();
        out.append(html.substr(at, found - at));
        if (found < html.size()) out += '\'';
        at = found + 5;
    }
    return out;
}

}  // namespace

void SiteFiles::write_page(std::string_view name, std::string_view html) const {
    if (!options_.few_references && !encoder_) {
        write(name, html);
        return;
    }
    std::string text = options_.few_references ? literal_apostrophes(html) : std::string(html);
    if (encoder_) text = encoder_->encode(text, text::CodePageEncoder::Missing::reference);
    write(name, text);
}

std::string page_head(std::string_view lang, std::string_view title, const PageOptions& options) {
    std::string p = "<!DOCTYPE html>\n<html lang=\"";
    p += lang;
    p += "\">\n<head>\n<meta charset=\"";
    p += options.code_page ? std::string_view(options.charset) : "utf-8";
    p += "\">\n";
    if (options.ie_edge) p += "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n";
    p += "<title>";
    if (options.few_references) {
        append_title(p, title);
    } else {
        append_text(p, title);
    }
    p += "</title>\n<link rel=\"stylesheet\" href=\"";
    p += kStyleSheetFile;
    p += "\">\n<script src=\"";
    p += kScriptFile;
    p += "\" defer></script>\n</head>\n";
    return p;
}

}  // namespace korvane::html
