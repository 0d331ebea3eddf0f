// Topic link records as the topic pass reads them, and one run of the pass
// over a built help file in a directory of its own.
#include "support/rtf_topics.h"

#include <sstream>
#include <stdexcept>

#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "rtf/fonts.h"
#include "rtf/topic_writer.h"
#include "support/index_builder.h"
#include "topics/indexes.h"

namespace korvane::test {

TopicRecord topic_header(const TopicHeaderSpec& desc) {
    TopicRecord r;
    r.record_type = 0x02;
    Bytes f;
    f.u32(desc.block_size).u32(desc.browse_back).u32(desc.browse_forward).i32(desc.number).u32(0).u32(desc.scroll);
    r.format = f.b;
    if (!desc.title.empty() || !desc.macro.empty()) r.text = Bytes().str(desc.title).raw(desc.macro).b;
    return r;
}

TopicRecord text_record(const Format& paragraph, const std::vector<std::string>& strings, uint8_t type) {
    TopicRecord r;
    r.record_type = type;
    Format f;
    f.cu(0).u8(0);
    if (type != 0x01) f.cu(0);
    r.format = f.bytes(paragraph).data.b;
    r.text = text_strings(strings);
    return r;
}

TopicRecord plain_text(const std::string& text) {
    return text_record(Format().info(0).u8(0x82).u8(0xFF), {text, ""});
}

std::string TopicRun::all() const {
    std::string out;
    for (const auto& c : contents) out += flat(c);
    return out;
}

namespace {

std::string lf_text(std::string s) {
    std::erase(s, '\r');
    return s;
}

}  // namespace

TopicRun run_topics(const HelpFileSpec& desc, int flags, const std::function<void(BuiltHelpFile&)>& patch) {
    TopicRun run;
    BuiltHelpFile built = build_help_file(desc);
    if (patch) patch(built);
    TempDir dir;
    RecordingPlatform log;
    {
        auto help = open_help_bytes(built.bytes, dir, flags);
        if (!help) throw std::runtime_error("open");
        if (!(flags & CVF_FOR_PRINT)) {
            load_context_table(*help);
            load_keyword_table(*help);
        }
        write_font_table(*help, nullptr);
        log.warnings.clear();
        log.phases.clear();
        log.percents.clear();
        WorkingDirectory cwd(dir.path());
        {
            auto project = OutStream::open("P.HPJ", "wt");
            if (flags & CVF_TWO_PASS) run_dry_topic_pass(*help);
            write_topic_files(*help, "T", *project, true);
        }
        run.project = lf_text(read_text(dir / "P.HPJ"));
    }
    size_t files = run.project.find("[Files]\n");
    std::istringstream lines(files == std::string::npos ? "" : run.project.substr(files + 8));
    for (std::string name; std::getline(lines, name);) {
        if (name.empty()) continue;
        run.files.push_back(name);
        run.contents.push_back(lf_text(read_text(dir / name)));
    }
    run.warnings = log.warnings;
    run.phases = log.phases;
    run.percents = log.percents;
    return run;
}

}  // namespace korvane::test
