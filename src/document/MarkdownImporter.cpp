#include "MarkdownImporter.h"

#include "markdown/Markdown.h"

std::unique_ptr<QTextDocument> MarkdownImporter::attributedStringFromMarkdown(
    const QString& markdown)
{
    return markdown::Markdown(markdown).toAttributedString(
        markdown::MarkdownOptions::defaultOptions, std::nullopt);
}
