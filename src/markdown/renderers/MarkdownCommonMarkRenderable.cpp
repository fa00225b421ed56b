#include "MarkdownCommonMarkRenderable.h"

#include "MarkdownASTRenderer.h"
#include "MarkdownCommonMarkRenderer.h"

namespace markdown {

std::optional<QString> MarkdownCommonMarkRenderable::toCommonMark(
    MarkdownOptions options, std::int32_t width, platform::Error* error) const
{
    const CmarkTree root = MarkdownASTRenderer::stringToAST(markdownString(), options, error);
    if (!root)
        return std::nullopt;
    return MarkdownCommonMarkRenderer::astToCommonMark(root.get(), options, width, error);
}

} // namespace markdown
