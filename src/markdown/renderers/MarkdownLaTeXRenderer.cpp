#include "MarkdownLaTeXRenderer.h"

#include "MarkdownASTRenderer.h"

namespace markdown {

std::optional<QString> MarkdownLaTeXRenderer::astToLaTeX(
    cmark_node* root, MarkdownOptions options, std::int32_t width, platform::Error* error)
{
    return MarkdownASTRenderer::takeRenderedText(
        cmark_render_latex(root, options.rawValue, width), error);
}

} // namespace markdown
