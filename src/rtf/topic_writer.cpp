// The topic pass.
//
// Records come from the topic block reader as one stream
// (topics/topic_reader.h); a record's stored text expands to text_size
// bytes. The format data of a topic header are six u32: block size, browse
// back, browse forward, topic number, non-scrolling region, scrolling
// region; its text is the title, a NUL and the entry macro. Text and table
// records start with a compressed unsigned value, a byte and (not in 0x01
// records) a second compressed unsigned value before the paragraph data.
//
// Topic offsets place context ids and keywords: each block's offsets start
// at its number << 15 (<< 12 in 3.0 files), and every text or table record
// covers text_size offsets (pictures add their hotspot counts before the
// next record).
#include "rtf/topic_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "base/messages.h"
#include "base/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/compressed.h"
#include "rtf/rtf_conversion.h"
#include "rtf/fonts.h"
#include "rtf/hotspots.h"
#include "rtf/paragraph.h"
#include "rtf/tables.h"
#include "topics/browse.h"
#include "topics/code_page.h"
#include "topics/context_hash.h"
#include "topics/indexes.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"

namespace korvane {

namespace {

// A record's expanded text is its text_size bytes, however many; the
// expansion stops there. Memory grows only with what the stored text
// produces, never from the size field, and phrases repeated by damaged data
// cannot grow the text past the record's own size. A size below what the
// stored text produces still gives at least this much of it.
constexpr size_t kLeastTextCapacity = 0xFF00;
constexpr int32_t kReadChunk = 0x10000;
constexpr int kTopicsPerFile = 152;


struct TopicPass {
    TopicPass(RtfConversion& h, const std::string& base, OutStream& proj, bool write)
        : help(h), base_name(base), project(proj), writing(write), hc30(h.is_hc30),
          print((h.flags & CVF_FOR_PRINT) != 0) {}

    RtfConversion& help;
    const std::string& base_name;
    OutStream& project;
    bool writing;
    bool hc30;
    bool print;

    std::unique_ptr<OutStream> rtf;
    int file_number = 1;
    uint32_t topics_in_file = 0xFFF0;  // so that the first topic header opens a file
    bool first_in_file = true;
    bool opened_before_topic = false;  // a file was opened for records ahead of any topic header
    int32_t topic_number = 0;
    uint32_t topic_offset = 0;
    uint32_t pending_chars = 0;
    int new_block = 0;
    // Where the topic offset count stood when the reader last changed
    // blocks, until the next text record has used it.
    std::optional<uint32_t> offset_before_block;
    bool needs_context_id = false;
    bool after_header = true;
    bool keep_with_next = false;
    uint32_t scroll = 0;
    std::optional<uint32_t> keyword_key;  // 3.0 files: record start of the topic header
    bool stop = false;

    // Buffers reused from record to record.
    std::vector<uint8_t> format, stored, text;
};

bool exhausted(const TopicPass& p) { return p.help.topic_reader.exhausted; }

void read_stream(TopicPass& p, void* destination, int32_t count) {
    uint32_t before = p.topic_offset;
    int loaded = 0;
    read_topic_bytes(p.help, destination, count, &p.topic_offset, &loaded);
    if (loaded) {
        p.new_block = 1;
        if (!p.offset_before_block) p.offset_before_block = before;
    }
}

// Reads count bytes (none when count is not positive) in pieces, so that a
// size read from damaged data allocates no more than the topic stream
// delivers before it runs out.
void read_part(TopicPass& p, std::vector<uint8_t>& out, int64_t count) {
    out.clear();
    while (count > 0 && !exhausted(p)) {
        int32_t piece = count < kReadChunk ? static_cast<int32_t>(count) : kReadChunk;
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(piece));
        read_stream(p, out.data() + at, piece);
        count -= piece;
    }
}

void report_pass_progress(TopicPass& p) {
    int blocks = static_cast<int>(p.help.topic_file.size / topic_block_geometry(p.hc30).block_size);
    if (blocks < 1) blocks = 1;
    // The block about to be read counts from 1, also before the first read.
    int block = static_cast<int>(p.help.topic_reader.blocks_loaded);
    if (block < 1) block = 1;
    int span = p.print ? 50 : 25;
    int base = p.writing && !p.print ? 25 : 0;
    int step = mul_div(block - 1, span, blocks);
    if (step < 0 || step > span) step = span;
    report_progress(p.help.report, base + 50 + step, Msg::None);
}

void open_next_file(TopicPass& p) {
    if (p.rtf) end_rtf_file(*p.rtf);
    std::string name = format("%s%d.RTF", p.base_name, p.file_number);
    ++p.file_number;
    if (p.writing) {
        errno = 0;
        p.rtf = p.help.output->open(name, "wt");
        if (!p.rtf) fatal_error(Fatal::CannotCreate, name, std::strerror(errno));
        begin_rtf_file(p.help, p.project, *p.rtf, name);
    } else {
        p.rtf = OutStream::open("NUL", "wt");
    }
    p.first_in_file = true;
}

// Text ahead of the first topic header still gets a file.
OutStream& current_file(TopicPass& p) {
    if (!p.rtf) {
        open_next_file(p);
        p.opened_before_topic = true;
    }
    return *p.rtf;
}

void write_topic_header(TopicPass& p, ByteReader format, ByteReader text, uint32_t record_start, int32_t browse_key) {
    RtfConversion& help = p.help;
    if (p.needs_context_id && !p.hc30) add_warning(help.report, Msg::TopicWithoutContextId, p.topic_number);

    // Fields beyond the end of short format data (3.0 files) read as 0.
    uint32_t block_size = format.u32();
    uint32_t browse_back = format.u32();
    uint32_t browse_forward = format.u32();
    uint32_t number = format.u32();
    format.u32();  // non-scrolling region
    uint32_t scroll = format.u32();

    p.topic_number = p.hc30 ? p.topic_number + 1 : static_cast<int32_t>(number);

    if (p.opened_before_topic) {
        p.opened_before_topic = false;
        p.topics_in_file = 0;
    } else if (p.topics_in_file++ > kTopicsPerFile - 2) {
        p.topics_in_file = 0;
        open_next_file(p);
    }
    OutStream& rtf = *p.rtf;

    if (p.hc30 && static_cast<int32_t>(block_size) <= 8) p.stop = true;
    p.scroll = scroll;

    if (!p.first_in_file) rtf.write((help.flags & CVF_PAGE_BREAK) ? "\\page\\pard\n" : "\\par\\pard\\par\n");
    p.first_in_file = false;

    if (!p.print) p.needs_context_id = true;
    if (p.hc30) {
        write_footnote(help, rtf, name_for_hash(help, static_cast<uint32_t>(p.topic_number + 15)), '#');
        p.needs_context_id = false;
        p.keyword_key = record_start;
    }
    if (text.size() > 0) write_title_footnotes(help, rtf, text);
    if (help.flags & CVF_TWO_PASS) {
        std::optional<std::string> browse = browse_sequence_name(
            help, static_cast<int32_t>(browse_back), browse_key, static_cast<int32_t>(browse_forward));
        if (browse) write_footnote(help, rtf, *browse, '+');
    }
    p.after_header = true;
}

// The "#" and "K" footnotes of the offsets a text or table record covers.
void write_record_footnotes(TopicPass& p, const TopicLinkHeader& h) {
    int64_t low = p.topic_offset;
    if (!p.hc30 && p.offset_before_block) low = *p.offset_before_block;
    p.offset_before_block.reset();
    int64_t high = static_cast<int64_t>(p.topic_offset) + h.text_size - 1;
    if (high > 0xFFFFFFFF) high = 0xFFFFFFFF;
    if (p.print) return;

    OutStream& rtf = current_file(p);
    bool range = high >= low;
    if (range) {
        for (const std::string& name :
             context_names_in_range(p.help, static_cast<int32_t>(low), static_cast<uint32_t>(high))) {
            write_footnote(p.help, rtf, name, '#');
            p.needs_context_id = false;
        }
    }
    if (!p.hc30) {
        if (range) {
            if (auto keywords = keywords_in_range(p.help, static_cast<int32_t>(low), static_cast<uint32_t>(high))) {
                write_footnote(p.help, rtf, *keywords, 'K');
            }
        }
    } else if (p.keyword_key) {
        if (auto keywords = keywords_for_topic(p.help, static_cast<int32_t>(*p.keyword_key))) {
            write_footnote(p.help, rtf, *keywords, 'K');
            p.keyword_key.reset();
        }
    }
}

void run_record(TopicPass& p) {
    RtfConversion& help = p.help;
    report_pass_progress(p);

    const TopicReader& reader = help.topic_reader;
    // 3.0 files key keywords by the topic position of the topic header:
    // block * block size + block header + byte in the block. A record that
    // will begin the next block (all of this one used up) stands at that
    // block's byte 0.
    uint32_t record_start = 0;
    if (p.hc30) {
        const TopicBlockGeometry g = topic_block_geometry(true);
        record_start = reader.pos >= reader.avail ? reader.blocks_loaded * g.block_size + kTopicBlockHeaderSize
                                                  : reader.pos + reader.blocks_loaded * g.block_size - g.area;
    }

    std::array<uint8_t, kTopicLinkHeaderSize> raw{};
    read_stream(p, raw.data(), static_cast<int32_t>(raw.size()));
    if (exhausted(p)) {
        p.stop = true;
        return;
    }
    const TopicLinkHeader h = parse_topic_link_header(raw.data());

    int32_t browse_key = p.hc30 ? p.topic_number + 1 : static_cast<int32_t>(p.topic_offset);

    if (!p.new_block) p.topic_offset += p.pending_chars;
    p.pending_chars = 0;
    p.new_block = 0;

    bool text_record = h.record_type == 0x20 || h.record_type == 0x01 || h.record_type == 0x23;
    if (text_record) {
        write_record_footnotes(p, h);
        p.topic_offset += static_cast<uint32_t>(h.text_size);
        p.keep_with_next = p.scroll >= static_cast<uint32_t>(h.next_link);
    }

    const int64_t stored_size = stored_text_size(help, h);
    read_part(p, p.format, static_cast<int64_t>(h.data1_size) - static_cast<int64_t>(kTopicLinkHeaderSize));
    p.text.clear();
    if (stored_size > 0) {
        read_part(p, p.stored, stored_size);
        bool indexed = help.is_hcrtf && static_cast<uint32_t>(stored_size) < static_cast<uint32_t>(h.text_size);
        size_t capacity = std::max<size_t>(static_cast<uint32_t>(std::max(h.text_size, 0)), kLeastTextCapacity);
        expand_phrases(help, p.stored.data(), p.stored.size(), capacity, indexed, p.text);
    }

    ByteReader format(p.format.data(), p.format.size());
    ByteReader text(p.text.data(), p.text.size());
    switch (h.record_type) {
    case 0x01:
    case 0x20: {
        p.after_header = false;
        read_compressed_u16(format);
        format.u8();
        if (h.record_type == 0x20) read_compressed_u16(format);
        write_paragraph(help, current_file(p), text, format, p.keep_with_next, nullptr, p.pending_chars);
        break;
    }
    case 0x02: write_topic_header(p, format, text, record_start, browse_key); break;
    case 0x23: {
        OutStream& rtf = current_file(p);
        if (p.after_header) rtf.write("\\par");
        read_compressed_u16(format);
        format.u8();
        read_compressed_u16(format);
        write_table(help, rtf, text, format, p.keep_with_next, p.pending_chars);
        break;
    }
    default: add_warning(help.report, Msg::UnknownRecordType, h.record_type); break;
    }

    if (h.next_link == -1 || exhausted(p)) p.stop = true;
}

}  // namespace

void write_topic_files(RtfConversion& help, const std::string& base_name, OutStream& project, bool writing) {
    TopicPass p(help, base_name, project, writing);
    report_progress(help.report, 0, writing ? Msg::ReadingTopics : Msg::ScanningBrowseSequences);
    if (writing) project.write("\n[Files]\n");

    read_topic_bytes(help, nullptr, -1, nullptr, nullptr);
    if (help.topic_file.present()) {
        while (!p.stop) run_record(p);
    }
    read_topic_bytes(help, nullptr, -1, nullptr, nullptr);

    if (p.rtf) end_rtf_file(*p.rtf);
    if (writing) report_progress(help.report, 100, Msg::None);
}

void run_dry_topic_pass(RtfConversion& help) {
    std::unique_ptr<OutStream> null = OutStream::open("NUL", "wt");
    if (!null) return;
    help.report.warnings_muted = true;
    write_topic_files(help, "dummy", *null, false);
    help.report.warnings_muted = false;
    null->close();
}

void begin_rtf_file(RtfConversion& help, OutStream& project, OutStream& rtf, const std::string& file_name) {
    write_formatted(project, "%s\n", file_name);
    // Text in any code page but the Western one says which.
    if (help.code_page == kWesternCodePage) rtf.write("{\\rtf1\\ansi\\deff0\\deflang1031 ");
    else write_formatted(rtf, "{\\rtf1\\ansi\\ansicpg%d\\deff0\\deflang1031 ", help.code_page);
    if (help.flags & CVF_FOR_PRINT) {
        std::string header =
            "{\\header\\pard\\plain\\s243\\brdrb\\brdrs\\brdrw15\\brsp20\\tqc\\tx4252\\tqr\\tx8504\\fs20\\lang1031 ";
        header += escape_rtf_structure(file_name);
        header += " \\fs15\\tab ";
        header += " \\fs20\\tab ";
        header += message_text(Msg::PrintPageHeader);
        header += " \\par}\n";
        rtf.write(header);
    }
    write_font_table(help, &rtf);
}

void end_rtf_file(OutStream& rtf) {
    rtf.write("}");
    rtf.close();
}

}  // namespace korvane
