#include "document/transfer/MarkdownImporter.h"

#include "markdown/Markdown.h"
#include "platform/text/TextListConversion.h"

std::unique_ptr<QTextDocument> MarkdownImporter::attributedStringFromMarkdown(
    const QString& markdown)
{
    std::unique_ptr<QTextDocument> text = markdown::Markdown(markdown).toAttributedString(
        markdown::MarkdownOptions::defaultOptions, std::nullopt);
    // A note keeps its lists as marker runs, as typed ones are.
    if (text)
        platform::TextListConversion::fromQtLists(*text);
    return text;
}
