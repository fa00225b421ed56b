#include "MarkdownAttributedStringRenderable.h"

#include "HTMLAttributedString.h"

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

} // namespace markdown
