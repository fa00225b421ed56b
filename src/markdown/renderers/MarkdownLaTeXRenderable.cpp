#include "MarkdownLaTeXRenderable.h"

#include "MarkdownASTRenderer.h"
#include "MarkdownLaTeXRenderer.h"

namespace markdown {

std::optional<QString> MarkdownLaTeXRenderable::toLaTeX(
    MarkdownOptions options, std::int32_t width, platform::Error* error) const
{
    const CmarkTree root = MarkdownASTRenderer::stringToAST(markdownString(), options, error);
    if (!root)
        return std::nullopt;
    return MarkdownLaTeXRenderer::astToLaTeX(root.get(), options, width, error);
}

} // namespace markdown
