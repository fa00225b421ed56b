#include "MarkdownGroffRenderable.h"

#include "MarkdownASTRenderer.h"
#include "MarkdownGroffRenderer.h"

namespace markdown {

std::optional<QString> MarkdownGroffRenderable::toGroff(
    MarkdownOptions options, std::int32_t width, platform::Error* error) const
{
    const CmarkTree root = MarkdownASTRenderer::stringToAST(markdownString(), options, error);
    if (!root)
        return std::nullopt;
    return MarkdownGroffRenderer::astToGroff(root.get(), options, width, error);
}

} // namespace markdown
