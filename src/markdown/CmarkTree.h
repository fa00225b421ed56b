#pragma once

#include <cmark.h>

#include <memory>

namespace markdown {

struct CmarkNodeDeleter {
    void operator()(cmark_node* root) const { cmark_node_free(root); }
};

// Sole ownership of a parsed cmark tree through its root; freeing the root frees every node.
using CmarkTree = std::unique_ptr<cmark_node, CmarkNodeDeleter>;

} // namespace markdown
