// SPDX-License-Identifier: MIT
// B-trees: the directory, |CONTEXT, |KWBTREE and the like.
//
// The content of a B-tree internal file starts with a 38-byte header: u16
// page size at 4, i16 root page at 26, i32 total number of leaf entries at
// 34. Pages of that size follow the header directly, page n at 38 + n * page
// size. A page starts with 8 bytes: u16 unused, i16 entry count at 2, i16 at
// 4 (leftmost child in an index page, previous leaf or -1 in a leaf), i16 at
// 6 (next leaf, -1 after the last); leaf entries follow back to back, in a
// layout of each tree's own. Index entries are never read: the first leaf is
// found by following the field at 4 down from the root until it is
// negative, and the leaves are read along their chain.
//
// Every page is visited at most once (a descent or chain that comes back to
// a page would loop), a page whose header lies outside the file ends the
// walk, and a leaf's entries are read only from inside its own page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_reader.h"

namespace korvane {

constexpr size_t kBTreeHeaderSize = 38;
constexpr size_t kBTreePageSizeAt = 4, kBTreeRootAt = 26, kBTreeTotalAt = 34;
constexpr size_t kBTreePageHeaderSize = 8;
constexpr size_t kPageCountAt = 2, kPageChildAt = 4, kPageNextAt = 6;

struct BTree {
    ByteReader file;  // the internal file's content: header, then pages
    uint16_t page_size = 0;
    int16_t root = -1;
    int32_t total_entries = 0;
};

// Reads the header at the start of content. A content too short for its
// header has no pages.
BTree open_btree(ByteReader content);

// The first leaf; -1 when the descent leaves the file or comes back to a
// page.
int16_t btree_first_leaf(const BTree& tree);

// How a walk along the leaf chain ended.
enum class LeafWalkEnd {
    stopped,        // the visitor asked to stop
    chain_end,      // a negative page number: the chain's regular end
    loop,           // the chain came back to a page already visited
    outside_file,   // a page whose header is not inside the file
};

// Calls visit(page, page_start, entry_count) for each leaf in chain order,
// from the first leaf on: page is a reader over that page only, positioned
// at its first entry; page_start is where the page starts in the file's
// content. A visit returning false stops the walk.
template <class Visit>
LeafWalkEnd walk_btree_leaves(const BTree& tree, Visit visit);

// Start of page p inside the content, or 0 when its page header is not
// there.
size_t btree_page_start(const BTree& tree, int16_t page);

// The loop guard of the descent and the walk.
class VisitedPages {
public:
    // True the first time a (non-negative) page number comes up.
    bool first_visit(int16_t page) {
        if (seen_[static_cast<size_t>(page)]) return false;
        seen_[static_cast<size_t>(page)] = true;
        return true;
    }

private:
    std::vector<bool> seen_ = std::vector<bool>(32768);  // page numbers are non-negative int16
};

template <class Visit>
LeafWalkEnd walk_btree_leaves(const BTree& tree, Visit visit) {
    VisitedPages visited;
    for (int16_t page = btree_first_leaf(tree);;) {
        if (page < 0) return LeafWalkEnd::chain_end;
        if (!visited.first_visit(page)) return LeafWalkEnd::loop;
        size_t start = btree_page_start(tree, page);
        if (!start) return LeafWalkEnd::outside_file;
        ByteReader p = tree.file.sub(start, tree.page_size);
        p.seek(kPageCountAt);
        int16_t count = p.i16();
        p.seek(kPageNextAt);
        int16_t next = p.i16();
        p.seek(kBTreePageHeaderSize);
        if (!visit(p, start, count)) return LeafWalkEnd::stopped;
        page = next;
    }
}

}  // namespace korvane
