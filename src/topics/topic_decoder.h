// SPDX-License-Identifier: MIT
// The topic decoder: walks every topic link record of |TOPIC and reports
// what it finds to a TopicSink (topics/topic_sink.h).
//
// Records come from the topic block reader as one stream
// (topics/topic_reader.h); a record's stored text expands to text_size
// bytes. Types: 0x01 text of a 3.0 file, 0x02 topic header, 0x20 display
// text, 0x23 table. The format data of a topic header are six u32: block
// size, browse back, browse forward, topic number, non-scrolling region,
// scrolling region; its text is the title, a NUL and the entry macro. Text
// and table records start with a compressed unsigned value, a byte and (not
// in 0x01 records) a second compressed unsigned value before the paragraph
// data (topics/paragraph_decoder.h).
//
// Topic offsets place context ids and keywords: each block's offsets start
// at its number << 15 (<< 12 in 3.0 files), and every text or table record
// covers text_size offsets (pictures add their hotspot counts before the
// next record).
#pragma once

namespace korvane {

struct TopicContext;
class TopicSink;

// The part of the progress bar a pass fills: from base to base + span
// percent of the topic pass's half.
struct ProgressSpan {
    int base = 0;
    int span = 25;
};

struct WalkOptions {
    ProgressSpan progress;
    bool print = false;  // print mode: no context ids or keywords are looked up
};

// Decodes every record of |TOPIC into sink, from the start, with a topic
// stream of its own. Warnings go to the context's report.
void decode_topics(const TopicContext& context, TopicSink& sink, const WalkOptions& options);

}  // namespace korvane
