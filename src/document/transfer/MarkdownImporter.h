#pragma once

#include <QFont>
#include <QString>
#include <QTextDocument>

#include <memory>

// Turns Markdown text into rich text for import, through the Markdown library's HTML path with
// its default style sheet. The style sheet's families become the note's: text takes the note
// font, code the desktop's monospaced family at the note font's size, headings keep their
// sizes relative to it. Lists become items with marker runs. HTML inside the Markdown is read
// as HTML, its images named for the caller to load. Keeps no state; runs on the caller's
// thread.
class MarkdownImporter final {
public:
    MarkdownImporter() = delete;

    // The rich text in `noteFont`, or null when the library reports an error.
    static std::unique_ptr<QTextDocument> attributedStringFromMarkdown(
        const QString& markdown, const QFont& noteFont);
};
