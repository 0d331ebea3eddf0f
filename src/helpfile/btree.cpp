// SPDX-License-Identifier: MIT
// Reading B-tree headers and descending to the first leaf.
#include "helpfile/btree.h"

namespace korvane {

BTree open_btree(ByteReader content) {
    BTree tree;
    tree.file = content;
    ByteReader header = content.sub(0, kBTreeHeaderSize);
    header.seek(kBTreePageSizeAt);
    tree.page_size = header.u16();
    header.seek(kBTreeRootAt);
    tree.root = header.i16();
    header.seek(kBTreeTotalAt);
    tree.total_entries = header.i32();
    if (content.size() < kBTreeHeaderSize) tree.page_size = 0;
    return tree;
}

size_t btree_page_start(const BTree& tree, int16_t page) {
    if (page < 0) return 0;
    size_t start = kBTreeHeaderSize + static_cast<size_t>(page) * tree.page_size;
    return start + kBTreePageHeaderSize <= tree.file.size() ? start : 0;
}

int16_t btree_first_leaf(const BTree& tree) {
    if (tree.page_size < kBTreePageHeaderSize) return -1;
    VisitedPages visited;
    int16_t page = tree.root;
    while (page >= 0 && visited.first_visit(page)) {
        size_t start = btree_page_start(tree, page);
        if (!start) return -1;
        ByteReader header = tree.file.sub(start + kPageChildAt, 2);
        int16_t child = header.i16();
        if (child < 0) return page;
        page = child;
    }
    return -1;
}

}  // namespace korvane
