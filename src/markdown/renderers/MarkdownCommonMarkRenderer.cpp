#include "MarkdownCommonMarkRenderer.h"

#include "MarkdownASTRenderer.h"

namespace markdown {

std::optional<QString> MarkdownCommonMarkRenderer::astToCommonMark(
    cmark_node* root, MarkdownOptions options, std::int32_t width, platform::Error* error)
{
    return MarkdownASTRenderer::takeRenderedText(
        cmark_render_commonmark(root, options.rawValue, width), error);
}

} // namespace markdown
