#include "MarkdownGroffRenderer.h"

#include "MarkdownASTRenderer.h"

namespace markdown {

std::optional<QString> MarkdownGroffRenderer::astToGroff(
    cmark_node* root, MarkdownOptions options, std::int32_t width, platform::Error* error)
{
    return MarkdownASTRenderer::takeRenderedText(
        cmark_render_man(root, options.rawValue, width), error);
}

} // namespace markdown
