#include "MarkdownHTMLRenderer.h"

#include "MarkdownASTRenderer.h"

namespace markdown {

std::optional<QString> MarkdownHTMLRenderer::astToHTML(
    cmark_node* root, MarkdownOptions options, platform::Error* error)
{
    return MarkdownASTRenderer::takeRenderedText(cmark_render_html(root, options.rawValue), error);
}

} // namespace markdown
