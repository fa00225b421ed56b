#include "MarkdownAttributedStringRenderable.h"

#include "CmarkTextDocumentBuilder.h"
#include "HTMLAttributedString.h"
#include "MarkdownHTMLRenderer.h"
#include "markdown/AttributedStringVisitor.h"
#include "markdown/StaticListItemPrefixGenerator.h"

namespace markdown {

const QString MarkdownAttributedStringRenderable::defaultTextFamily = QStringLiteral("Helvetica");
const QString MarkdownAttributedStringRenderable::defaultCodeFamily = QStringLiteral("Menlo");
const QString MarkdownAttributedStringRenderable::defaultStylesheet
    = QStringLiteral("* {font-family: %1 } code, pre { font-family: %2 }")
          .arg(defaultTextFamily, defaultCodeFamily);

std::unique_ptr<QTextDocument> MarkdownAttributedStringRenderable::toAttributedString(
    MarkdownOptions options, const std::optional<QString>& stylesheet, platform::Error* error) const
{
    const CmarkTree root = toAST(options, error);
    if (!root)
        return nullptr;
    // The default style sheet's document is built from the tree itself when it can be: reading
    // it back from HTML costs ten times the parse.
    if (!stylesheet) {
        if (std::unique_ptr<QTextDocument> document
            = CmarkTextDocumentBuilder::build(root.get(), options))
            return document;
    }
    const std::optional<QString> html = MarkdownHTMLRenderer::astToHTML(root.get(), options, error);
    if (!html)
        return nullptr;
    const QString styled = QStringLiteral("<style>") + stylesheet.value_or(defaultStylesheet)
        + QStringLiteral("</style>") + *html;
    return HTMLAttributedString::fromHTMLString(styled, error);
}

std::optional<platform::MutableAttributedString>
MarkdownAttributedStringRenderable::toAttributedString(
    MarkdownOptions options, Styler& styler, platform::Error* error) const
{
    const std::shared_ptr<Document> document = toDocument(options, error);
    if (!document)
        return std::nullopt;
    AttributedStringVisitor visitor(styler, options, &StaticListItemPrefixGenerator::make);
    return document->accept(visitor);
}

} // namespace markdown
