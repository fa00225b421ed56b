#pragma once

#include "markdown/ChildSequence.h"

#include <cmark.h>

#include <memory>
#include <vector>

namespace markdown {

// What a visitor sees of a syntax-tree node: the cmark node it stands for and its children as
// node objects, in document order.
class Node {
public:
    virtual ~Node() = default;

    virtual cmark_node* cmarkNode() const = 0;
    virtual const std::vector<std::shared_ptr<Node>>& children() const = 0;

    // A fresh walk over the cmark children, wrapping each one as it goes.
    ChildSequence childSequence() const;
    // True when the node has a next sibling under the same parent.
    bool hasSuccessor() const;
};

} // namespace markdown
