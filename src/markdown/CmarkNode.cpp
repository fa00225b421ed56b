#include "CmarkNode.h"

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

namespace markdown {

namespace {

std::optional<QString> optionalString(const char* value)
{
    if (!value || !*value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

} // namespace

std::optional<QString> CmarkNode::literal(cmark_node* node)
{
    return optionalString(cmark_node_get_literal(node));
}

std::optional<QString> CmarkNode::fenceInfo(cmark_node* node)
{
    return optionalString(cmark_node_get_fence_info(node));
}

std::optional<QString> CmarkNode::title(cmark_node* node)
{
    return optionalString(cmark_node_get_title(node));
}

std::optional<QString> CmarkNode::url(cmark_node* node)
{
    return optionalString(cmark_node_get_url(node));
}

std::shared_ptr<BaseNode> CmarkNode::wrap(cmark_node* node)
{
    switch (cmark_node_get_type(node)) {
    case CMARK_NODE_DOCUMENT:
        return std::make_shared<Document>(node);
    case CMARK_NODE_BLOCK_QUOTE:
        return std::make_shared<BlockQuote>(node);
    case CMARK_NODE_LIST:
        return std::make_shared<List>(node);
    case CMARK_NODE_ITEM:
        return std::make_shared<Item>(node);
    case CMARK_NODE_CODE_BLOCK:
        return std::make_shared<CodeBlock>(node);
    case CMARK_NODE_HTML_BLOCK:
        return std::make_shared<HtmlBlock>(node);
    case CMARK_NODE_CUSTOM_BLOCK:
        return std::make_shared<CustomBlock>(node);
    case CMARK_NODE_PARAGRAPH:
        return std::make_shared<Paragraph>(node);
    case CMARK_NODE_HEADING:
        return std::make_shared<Heading>(node);
    case CMARK_NODE_THEMATIC_BREAK:
        return std::make_shared<ThematicBreak>(node);
    case CMARK_NODE_TEXT:
        return std::make_shared<Text>(node);
    case CMARK_NODE_SOFTBREAK:
        return std::make_shared<SoftBreak>(node);
    case CMARK_NODE_LINEBREAK:
        return std::make_shared<LineBreak>(node);
    case CMARK_NODE_CODE:
        return std::make_shared<Code>(node);
    case CMARK_NODE_HTML_INLINE:
        return std::make_shared<HtmlInline>(node);
    case CMARK_NODE_CUSTOM_INLINE:
        return std::make_shared<CustomInline>(node);
    case CMARK_NODE_EMPH:
        return std::make_shared<Emphasis>(node);
    case CMARK_NODE_STRONG:
        return std::make_shared<Strong>(node);
    case CMARK_NODE_LINK:
        return std::make_shared<Link>(node);
    case CMARK_NODE_IMAGE:
        return std::make_shared<Image>(node);
    default:
        return nullptr;
    }
}

} // namespace markdown
