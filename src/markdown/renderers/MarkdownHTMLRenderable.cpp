#include "MarkdownHTMLRenderable.h"

#include "MarkdownASTRenderer.h"
#include "MarkdownHTMLRenderer.h"

namespace markdown {

std::optional<QString> MarkdownHTMLRenderable::toHTML(
    MarkdownOptions options, platform::Error* error) const
{
    return markdown::toHTML(markdownString(), options, error);
}

std::optional<QString> toHTML(
    const QString& markdownString, MarkdownOptions options, platform::Error* error)
{
    const CmarkTree root = MarkdownASTRenderer::stringToAST(markdownString, options, error);
    if (!root)
        return std::nullopt;
    return MarkdownHTMLRenderer::astToHTML(root.get(), options, error);
}

} // namespace markdown
