#pragma once

#include <cmark.h>

#include <memory>

namespace markdown {

class Node;

// Walks the children of one cmark node, wrapping each in a new node object.
//   auto it = sequence.makeIterator();
//   while (auto child = it.next()) ...
class ChildSequence final {
public:
    class Iterator final {
    public:
        explicit Iterator(cmark_node* next) : m_next(next) { }
        // The next child, or null at the end and at a child no node class stands for.
        std::shared_ptr<Node> next();

    private:
        cmark_node* m_next;
    };

    explicit ChildSequence(cmark_node* node) : m_node(node) { }

    cmark_node* node() const { return m_node; }
    Iterator makeIterator() const { return Iterator(cmark_node_first_child(m_node)); }

private:
    cmark_node* m_node;
};

} // namespace markdown
