#pragma once

#include "BaseNode.h"
#include "markdown/CmarkTree.h"

namespace markdown {

template <typename Result> class Visitor;

// The root of a parsed document. Made from a parse it owns the whole cmark tree and frees it
// when released; every node derived from it must be dropped first. Made by wrapping an existing
// document node it only points into that tree.
class Document final : public BaseNode {
public:
    explicit Document(CmarkTree root);
    explicit Document(cmark_node* node) : BaseNode(node) { }

    // Hands the document to the visitor's document visit; defined with Visitor.
    template <typename Result> Result accept(Visitor<Result>& visitor);

    QString debugDescription() const override;

private:
    CmarkTree m_tree;
};

} // namespace markdown
