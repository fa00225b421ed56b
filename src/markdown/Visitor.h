#pragma once

#include "markdown/nodes/BlockQuote.h"
#include "markdown/nodes/Code.h"
#include "markdown/nodes/CodeBlock.h"
#include "markdown/nodes/CustomBlock.h"
#include "markdown/nodes/CustomInline.h"
#include "markdown/nodes/Document.h"
#include "markdown/nodes/Emphasis.h"
#include "markdown/nodes/Heading.h"
#include "markdown/nodes/HtmlBlock.h"
#include "markdown/nodes/HtmlInline.h"
#include "markdown/nodes/Image.h"
#include "markdown/nodes/Item.h"
#include "markdown/nodes/LineBreak.h"
#include "markdown/nodes/Link.h"
#include "markdown/nodes/List.h"
#include "markdown/nodes/Paragraph.h"
#include "markdown/nodes/SoftBreak.h"
#include "markdown/nodes/Strong.h"
#include "markdown/nodes/Text.h"
#include "markdown/nodes/ThematicBreak.h"

#include "ChildSequence.h"

#include <optional>
#include <vector>

namespace markdown {

// A walk over the node tree that yields one Result per node. A walk starts with
// Document::accept; each visit decides whether and how to descend through visitChildren.
template <typename Result> class Visitor {
public:
    virtual ~Visitor() = default;

    virtual Result visit(Document& document) = 0;
    virtual Result visit(BlockQuote& blockQuote) = 0;
    virtual Result visit(List& list) = 0;
    virtual Result visit(Item& item) = 0;
    virtual Result visit(CodeBlock& codeBlock) = 0;
    virtual Result visit(HtmlBlock& htmlBlock) = 0;
    virtual Result visit(CustomBlock& customBlock) = 0;
    virtual Result visit(Paragraph& paragraph) = 0;
    virtual Result visit(Heading& heading) = 0;
    virtual Result visit(ThematicBreak& thematicBreak) = 0;
    virtual Result visit(Text& text) = 0;
    virtual Result visit(SoftBreak& softBreak) = 0;
    virtual Result visit(LineBreak& lineBreak) = 0;
    virtual Result visit(Code& code) = 0;
    virtual Result visit(HtmlInline& htmlInline) = 0;
    virtual Result visit(CustomInline& customInline) = 0;
    virtual Result visit(Emphasis& emphasis) = 0;
    virtual Result visit(Strong& strong) = 0;
    virtual Result visit(Link& link) = 0;
    virtual Result visit(Image& image) = 0;

    // Visits the node's children in document order, each through the visit for its class;
    // one result per child.
    virtual std::vector<Result> visitChildren(const Node& node)
    {
        std::vector<Result> results;
        ChildSequence::Iterator iterator = node.childSequence().makeIterator();
        while (std::shared_ptr<Node> child = iterator.next()) {
            if (std::optional<Result> result = dispatch(*child))
                results.push_back(std::move(*result));
        }
        return results;
    }

private:
    template <typename Class> bool tryVisit(Node& node, std::optional<Result>& result)
    {
        if (Class* typed = dynamic_cast<Class*>(&node)) {
            result = visit(*typed);
            return true;
        }
        return false;
    }

    std::optional<Result> dispatch(Node& node)
    {
        std::optional<Result> result;
        tryVisit<Document>(node, result) || tryVisit<BlockQuote>(node, result)
            || tryVisit<List>(node, result) || tryVisit<Item>(node, result)
            || tryVisit<CodeBlock>(node, result) || tryVisit<HtmlBlock>(node, result)
            || tryVisit<CustomBlock>(node, result) || tryVisit<Paragraph>(node, result)
            || tryVisit<Heading>(node, result) || tryVisit<ThematicBreak>(node, result)
            || tryVisit<Text>(node, result) || tryVisit<SoftBreak>(node, result)
            || tryVisit<LineBreak>(node, result) || tryVisit<Code>(node, result)
            || tryVisit<HtmlInline>(node, result) || tryVisit<CustomInline>(node, result)
            || tryVisit<Emphasis>(node, result) || tryVisit<Strong>(node, result)
            || tryVisit<Link>(node, result) || tryVisit<Image>(node, result);
        return result;
    }
};

template <typename Result> Result Document::accept(Visitor<Result>& visitor)
{
    return visitor.visit(*this);
}

} // namespace markdown
