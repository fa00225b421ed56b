#include "MarkdownXMLRenderer.h"

#include "MarkdownASTRenderer.h"

namespace markdown {

std::optional<QString> MarkdownXMLRenderer::astToXML(
    cmark_node* root, MarkdownOptions options, platform::Error* error)
{
    return MarkdownASTRenderer::takeRenderedText(cmark_render_xml(root, options.rawValue), error);
}

} // namespace markdown
