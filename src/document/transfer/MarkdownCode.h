#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTextDocument;

// Code in a note as Markdown writes it: paragraphs drawn wholly in a monospaced face become one
// fenced block (blank lines among them stay inside it), monospaced runs in other text inline
// code. The Markdown converter goes through HTML, which would escape code and part its lines
// into paragraphs, so the code is taken out of a copy of the text first, each piece replaced by
// a placeholder that passes the conversion whole, and put back as Markdown afterwards. Any
// thread, for a document that thread owns.
class MarkdownCode final {
public:
    MarkdownCode() = delete;

    // A copy of `text` with each piece of code replaced by a placeholder; `code` receives each
    // piece's Markdown, in placeholder order.
    static std::unique_ptr<QTextDocument> withPlaceholders(
        const QTextDocument& text, QStringList* code);
    // `markdown` with each placeholder replaced by its code.
    static QString restored(const QString& markdown, const QStringList& code);
};
