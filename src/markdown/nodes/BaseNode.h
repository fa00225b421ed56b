#pragma once

#include "Node.h"
#include "markdown/Lazy.h"

#include <QString>

#include <optional>

namespace markdown {

// Base of the twenty node classes: a read-only view of one cmark node that reads what it needs
// on first use. It never owns the tree (only an owning Document does); a node may be used only
// while that Document lives. Shared by reference; not copyable.
class BaseNode : public Node {
public:
    explicit BaseNode(cmark_node* node) : m_cmarkNode(node) { }
    BaseNode(const BaseNode&) = delete;
    BaseNode& operator=(const BaseNode&) = delete;

    cmark_node* cmarkNode() const override { return m_cmarkNode; }
    // Wrapped on first read; the walk stops at a child no node class stands for.
    const std::vector<std::shared_ptr<Node>>& children() const override;
    void setChildren(std::vector<std::shared_ptr<Node>> children);

    // How many ancestors have this node's own type.
    int nestDepth() const;
    void setNestDepth(int nestDepth);

    virtual QString debugDescription() const = 0;

protected:
    // An optional string as descriptions show it: the text, or "nil" when absent.
    static QString describe(const std::optional<QString>& value);
    // The same with each line feed written as a backslash and "n", to keep one line.
    static QString describeLines(const std::optional<QString>& value);

private:
    cmark_node* m_cmarkNode;
    Lazy<std::vector<std::shared_ptr<Node>>> m_children;
    Lazy<int> m_nestDepth;
};

} // namespace markdown
