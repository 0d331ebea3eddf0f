// SPDX-License-Identifier: MIT
#include "rtf/topic_writer.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "base/messages.h"
#include "output/out_stream.h"
#include "rtf/fonts.h"
#include "rtf/picture_embed.h"
#include "output/output_sink.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "rtf/rtf_text.h"
#include "topics/browse.h"
#include "topics/code_page.h"
#include "topics/topic_decoder.h"
#include "topics/topic_sink.h"

namespace korvane {

namespace {

constexpr int kTopicsPerFile = 152;

// Appends a control word and its number: "\\sb" and 120 give "\\sb120".
void append_word(std::string& s, std::string_view word, int value) {
    char digits[12];
    s += word;
    s.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

char placement_letter(Placement placement) {
    switch (placement) {
    case Placement::left: return 'l';
    case Placement::right: return 'r';
    default: return 'c';
    }
}

class RtfTopicWriter : public TopicSink {
public:
    RtfTopicWriter(const HelpModel& model, const WriterOutput& out, TopicPasses& passes, const std::string& base_name,
                   OutStream& project)
        : model_(model), out_(out), passes_(passes), styles_(font_styles(model.fonts)), base_name_(base_name),
          project_(project), flags_(out.flags), print_((flags_ & CVF_FOR_PRINT) != 0), jumps_((flags_ & CVF_JUMPS) != 0),
          multibyte_(is_multibyte_code_page(model.code_page.code_page)) {}

    void finish() {
        if (rtf_) end_rtf_file(*rtf_);
    }

    void topic_begin(const TopicStart& start) override {
        if (opened_before_topic_) {
            opened_before_topic_ = false;
            topics_in_file_ = 0;
        } else if (topics_in_file_++ > kTopicsPerFile - 2) {
            topics_in_file_ = 0;
            open_next_file();
        }
        OutStream& rtf = out();
        if (!first_in_file_) rtf.write((flags_ & CVF_PAGE_BREAK) ? "\\page\\pard\n" : "\\par\\pard\\par\n");
        first_in_file_ = false;

        for (const std::string& id : start.context_ids) footnote(id, '#');
        if (!start.title.empty()) footnote(start.title, '$');
        if (!start.entry_macro.empty()) footnote(start.entry_macro, '!');
        if (flags_ & CVF_TWO_PASS) {
            std::optional<std::string> browse =
                browse_sequence_name(passes_.browse, start.browse.prev, start.browse.self, start.browse.next);
            if (browse) footnote(*browse, '+');
        }
        after_header_ = true;
    }

    void context_id(std::string_view name) override { footnote(name, '#'); }
    void keywords(char table, std::string_view list) override { footnote(list, table); }

    void paragraph_begin(const ParagraphFormat& f) override {
        if (!f.in_table) after_header_ = false;
        std::string& s = scratch_;
        s = f.non_scrolling ? "\\pard\\keepn" : "\\pard";
        if (f.in_table) s += "\\intbl";
        if (f.keep_together) s += "\\keep";
        s += f.alignment == Alignment::centre ? "\\qc" : f.alignment == Alignment::right ? "\\qr" : "\\ql";
        const std::pair<const std::optional<int>*, std::string_view> spacing[] = {
            {&f.space_before, "\\sb"}, {&f.space_after, "\\sa"},  {&f.line_spacing, "\\sl"},
            {&f.left_indent, "\\li"},  {&f.right_indent, "\\ri"}, {&f.first_indent, "\\fi"}};
        for (const auto& [value, word] : spacing) {
            if (*value) append_word(s, word, **value);
        }
        if (f.borders) {
            const Borders& b = *f.borders;
            if (b.left) s += "\\brdrl";
            if (b.right) s += "\\brdrr";
            if (b.bottom) s += "\\brdrb";
            if (b.bar) s += "\\brdrbar";
            if (b.top) s += "\\brdrt";
            if (b.box) s += "\\box";
            s += b.thick ? "\\brdrth" : "\\brdrs";
        }
        for (const TabStop& tab : f.tabs) {
            if (tab.kind == TabStop::Kind::right) s += "\\tqr";
            else if (tab.kind == TabStop::Kind::centre) s += "\\tqc";
            append_word(s, "\\tx", tab.position);
            s += '0';
        }
        s += ' ';
        out().write_stored(s);  // control words: no line feed to translate
    }

    void text(std::string_view run) override { write_rtf_text(out(), run, passes_.characters, multibyte_); }

    void font(uint16_t number) override {
        // The decoder reports only fonts the table has.
        const std::vector<std::string>& styles = styles_;
        if (number >= styles.size()) return;
        std::string_view style = styles[number];
        if (hotspot_open_) {
            // The hotspot's own underline or strike-through stays in force.
            size_t ul = style.find("\\ul");
            if (ul != std::string_view::npos) style = style.substr(0, ul);
        }
        scratch_.assign(style);
        scratch_ += ' ';
        out().write_stored(scratch_);  // control words: no line feed to translate
    }

    void tab() override { out().write("\\tab "); }
    void line_break() override { out().write("\\line\n"); }

    void hotspot_begin(const Hotspot& h) override {
        hotspot_open_ = true;
        if (h.kind == HotspotKind::macro) {
            out().write("\\strike ");
            target_ = h.keeps_font ? "%!" : "!";
            target_ += h.target;
            return;
        }
        if (jumps_) out().write(h.kind == HotspotKind::popup ? "\\ul " : "\\strike ");
        target_.clear();
        if (!jumps_) return;
        if (h.keeps_font) target_ += '%';
        target_ += h.target;
        if (h.window) {
            target_ += '>';
            target_ += *h.window;
        }
        if (h.file) {
            target_ += '@';
            target_ += *h.file;
        }
    }

    void hotspot_end() override {
        write_formatted(out(), "\\strike0\\ul0{\\v %s}", escape_rtf_structure(target_));
        hotspot_open_ = false;
    }

    void picture(Placement placement, uint16_t, const std::string& name) override {
        // Print mode embeds the picture itself, written as a scratch file of
        // the output; a segmented-graphics file or one that cannot be read
        // is referred to by name instead.
        OutStream& rtf = out();
        const bool embed = (flags_ & CVF_EMBED_PICTURES) != 0;
        const std::string file = embed ? out_.output.scratch_name(name) : name;
        if (embed && embed_picture(out_.output, rtf, file)) return;
        write_formatted(rtf, "\\{bm%c %s\\}", placement_letter(placement), escape_rtf_structure(file));
    }

    void embedded_window(Placement placement, std::string_view description) override {
        write_formatted(out(), "\\{ew%c %s\\}", placement_letter(placement), escape_rtf_structure(description));
    }

    void paragraph_end(bool last_in_cell) override {
        if (!last_in_cell) out().write("\\par\n");
    }

    void table_begin(const TableRow& row) override {
        OutStream& rtf = out();
        if (after_header_) rtf.write("\\par");
        if (!row.supported) return;
        std::string& s = scratch_;
        s = "{\\pard\\trowd\\intbl";
        if (row.type == 0) s += "\\trqc";
        if (row.columns >= 2) {
            append_word(s, "\\trgaph", row.gap);
            s += '0';
        }
        int x = row.left - row.gap / 2;
        append_word(s, "\\trleft", x - row.gap / 2);
        s += '0';
        for (int width : row.widths) {
            x += width + row.gap;
            if (row.type == 0) {
                append_word(s, "\\cellx", x);
                s += '0';
            } else {
                append_word(s, "\\cellx", row.type == 1 ? x * 10 : x);
            }
        }
        s += ' ';
        rtf.write(s);
    }

    void next_cell(int) override { out().write("\\cell "); }
    void table_end() override { out().write("\\cell\\row\\pard}\n"); }

private:
    // Text ahead of the first topic header still gets a file.
    OutStream& out() {
        if (!rtf_) {
            open_next_file();
            opened_before_topic_ = true;
        }
        return *rtf_;
    }

    void open_next_file() {
        if (rtf_) end_rtf_file(*rtf_);
        std::string name = format("%s%d.RTF", base_name_, file_number_);
        ++file_number_;
        errno = 0;
        rtf_ = out_.output.open(name, "wt");
        if (!rtf_) fatal_error(Fatal::CannotCreate, name, std::strerror(errno));
        begin_rtf_file(model_, out_, project_, *rtf_, name);
        first_in_file_ = true;
    }

    // "{%c{\footnote{%c}" text "}}\n", the text escaped; nothing in print mode.
    void footnote(std::string_view text, char mark) {
        if (print_) return;
        OutStream& rtf = out();
        scratch_ = '{';
        scratch_ += mark;
        scratch_ += "{\\footnote{";
        scratch_ += mark;
        scratch_ += '}';
        rtf.write_stored(scratch_);
        write_rtf_text(rtf, text, passes_.characters, multibyte_);
        rtf.write("}}\n");
    }

    const HelpModel& model_;
    const WriterOutput& out_;
    TopicPasses& passes_;
    const std::vector<std::string> styles_;  // per font number
    const std::string& base_name_;
    OutStream& project_;
    const int flags_;
    const bool print_, jumps_, multibyte_;

    std::unique_ptr<OutStream> rtf_;
    int file_number_ = 1;
    uint32_t topics_in_file_ = 0xFFF0;  // so that the first topic header opens a file
    bool first_in_file_ = true;
    bool opened_before_topic_ = false;  // a file was opened for records ahead of any topic header
    bool after_header_ = true;          // nothing but a topic header since the last paragraph
    bool hotspot_open_ = false;
    std::string target_;   // of the open hotspot
    std::string scratch_;  // reused for the words of one event
};

// The dry pass: enters topics into their browse sequences and counts the
// characters of text the writing pass would write (its footnotes
// included), so that the writing pass's line feeds follow on from them.
class DryPass : public TopicSink {
public:
    DryPass(TopicPasses& passes, bool print) : passes_(passes), print_(print) {}

    void topic_begin(const TopicStart& start) override {
        for (const std::string& id : start.context_ids) footnote(id);
        footnote(start.title);
        footnote(start.entry_macro);
        std::optional<std::string> browse =
            browse_sequence_name(passes_.browse, start.browse.prev, start.browse.self, start.browse.next);
        if (browse) footnote(*browse);
    }
    void context_id(std::string_view name) override { footnote(name); }
    void keywords(char, std::string_view list) override { footnote(list); }
    void text(std::string_view run) override { passes_.characters += run.size(); }

private:
    void footnote(std::string_view text) {
        if (!print_) passes_.characters += text.size();
    }

    TopicPasses& passes_;
    const bool print_;
};

}  // namespace

void write_topic_files(const HelpModel& model, const WriterOutput& out, TopicPasses& passes, const std::string& base_name,
                       OutStream& project) {
    report_progress(out.report, 0, Msg::ReadingTopics);
    project.write("\n[Files]\n");
    bool print = (out.flags & CVF_FOR_PRINT) != 0;
    RtfTopicWriter writer(model, out, passes, base_name, project);
    ContextNamer names(model.context_names);
    decode_topics(TopicContext{model, names, out.report}, writer, WalkOptions{{print ? 0 : 25, print ? 50 : 25}, print});
    writer.finish();
    report_progress(out.report, 100, Msg::None);
}

TopicPasses run_dry_topic_pass(const HelpModel& model, Reporter& report, int flags) {
    report_progress(report, 0, Msg::ScanningBrowseSequences);
    bool print = (flags & CVF_FOR_PRINT) != 0;
    TopicPasses passes;
    DryPass dry(passes, print);
    ContextNamer names(model.context_names);
    {
        MutedWarnings muted(report);
        decode_topics(TopicContext{model, names, report}, dry, WalkOptions{{0, print ? 50 : 25}, print});
    }
    return passes;
}

void begin_rtf_file(const HelpModel& model, const WriterOutput& out, OutStream& project, OutStream& rtf,
                    const std::string& file_name) {
    const int flags = out.flags;
    write_formatted(project, "%s\n", file_name);
    // Text in any code page but the Western one says which.
    const int code_page = model.code_page.code_page;
    if (code_page == kWesternCodePage) rtf.write("{\\rtf1\\ansi\\deff0\\deflang1031 ");
    else write_formatted(rtf, "{\\rtf1\\ansi\\ansicpg%d\\deff0\\deflang1031 ", code_page);
    if (flags & CVF_FOR_PRINT) {
        std::string header =
            "{\\header\\pard\\plain\\s243\\brdrb\\brdrs\\brdrw15\\brsp20\\tqc\\tx4252\\tqr\\tx8504\\fs20\\lang1031 ";
        header += escape_rtf_structure(file_name);
        header += " \\fs15\\tab ";
        header += " \\fs20\\tab ";
        header += message_text(Msg::PrintPageHeader, out.report.platform->language_offset());
        header += " \\par}\n";
        rtf.write(header);
    }
    write_font_table(model.fonts, code_page, rtf);
}

void end_rtf_file(OutStream& rtf) {
    rtf.write("}");
    rtf.close();
    if (rtf.failed()) fatal_error(Fatal::DiskFull);
}

}  // namespace korvane
