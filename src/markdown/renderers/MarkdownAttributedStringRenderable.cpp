#include "MarkdownAttributedStringRenderable.h"

#include "HTMLAttributedString.h"
#include "markdown/AttributedStringVisitor.h"
#include "markdown/StaticListItemPrefixGenerator.h"

namespace markdown {

const QString MarkdownAttributedStringRenderable::defaultStylesheet
    = QStringLiteral("* {font-family: Helvetica } code, pre { font-family: Menlo }");

std::unique_ptr<QTextDocument> MarkdownAttributedStringRenderable::toAttributedString(
    MarkdownOptions options, const std::optional<QString>& stylesheet, platform::Error* error) const
{
    const std::optional<QString> html = toHTML(options, error);
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
