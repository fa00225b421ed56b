#include "MarkdownXMLRenderable.h"

#include "MarkdownASTRenderer.h"
#include "MarkdownXMLRenderer.h"

namespace markdown {

std::optional<QString> MarkdownXMLRenderable::toXML(
    MarkdownOptions options, platform::Error* error) const
{
    const CmarkTree root = MarkdownASTRenderer::stringToAST(markdownString(), options, error);
    if (!root)
        return std::nullopt;
    return MarkdownXMLRenderer::astToXML(root.get(), options, error);
}

} // namespace markdown
