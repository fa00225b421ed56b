#include "MarkdownASTRenderable.h"

#include "MarkdownASTRenderer.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/nodes/Document.h"

namespace markdown {

CmarkTree MarkdownASTRenderable::toAST(MarkdownOptions options, platform::Error* error) const
{
    return MarkdownASTRenderer::stringToAST(markdownString(), options, error);
}

std::shared_ptr<Document> MarkdownASTRenderable::toDocument(
    MarkdownOptions options, platform::Error* error) const
{
    CmarkTree root = toAST(options, error);
    if (!root)
        return nullptr;
    if (cmark_node_get_type(root.get()) != CMARK_NODE_DOCUMENT) {
        platform::Error::set(error, makeMarkdownError(MarkdownErrors::astRenderingError));
        return nullptr;
    }
    return std::make_shared<Document>(std::move(root));
}

} // namespace markdown
