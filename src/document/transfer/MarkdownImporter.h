#pragma once

#include <QString>
#include <QTextDocument>

#include <memory>

// Turns Markdown text into rich text for import, through the Markdown library's HTML path with
// its default style sheet; lists become items with marker runs. Keeps no state; runs on the
// caller's thread.
class MarkdownImporter final {
public:
    MarkdownImporter() = delete;

    // The rich text, or null when the library reports an error.
    static std::unique_ptr<QTextDocument> attributedStringFromMarkdown(const QString& markdown);
};
