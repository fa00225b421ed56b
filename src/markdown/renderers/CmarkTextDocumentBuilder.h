#pragma once

#include "markdown/MarkdownOptions.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <cmark.h>

#include <memory>

namespace markdown {

// Builds rich text straight from a cmark tree: the very document that reading cmark's HTML of
// the tree with MarkdownAttributedStringRenderable::defaultStylesheet gives, block and character
// formats, lists and whitespace included, without writing or parsing HTML. It takes only trees
// whose every part it reproduces exactly (paragraphs, headings, code blocks with text, thematic
// breaks, tight lists of one paragraph and an optional nested tight list per item, block quotes
// of paragraphs, and inline text, breaks, code, emphasis, strong emphasis and safe links); for
// any other tree it gives nothing, and the caller reads the HTML instead. Runs on the caller's
// thread; the tree stays the caller's.
class CmarkTextDocumentBuilder final {
public:
    // The document, or null when the tree or an option asks for what only the HTML reading
    // reproduces.
    static std::unique_ptr<QTextDocument> build(cmark_node* root, MarkdownOptions options);

private:
    // Whether the next whitespace character is dropped, as the HTML reader decides it.
    enum class Whitespace { Keep, Drop };

    explicit CmarkTextDocumentBuilder(MarkdownOptions options);

    bool appendDocument(cmark_node* root);
    bool appendParagraph(cmark_node* paragraph, const QTextBlockFormat& format);
    bool appendHeading(cmark_node* heading);
    bool appendCodeBlock(cmark_node* codeBlock);
    void appendThematicBreak();
    bool appendBlockQuote(cmark_node* blockQuote);
    bool appendList(cmark_node* list, int level);
    bool appendInlines(cmark_node* parent, const QTextCharFormat& format);
    bool appendLink(cmark_node* link, QTextCharFormat format);

    // Starts a block, or gives the document's first block these formats.
    void startBlock(const QTextBlockFormat& blockFormat, const QTextCharFormat& charFormat);
    // Inserts text whose runs of whitespace fold into one space, none at a block's start;
    // false for text the HTML reading would split into blocks.
    bool appendCollapsed(QStringView text, const QTextCharFormat& format);

    QTextCharFormat m_textFormat;
    QTextCharFormat m_codeFormat;
    MarkdownOptions m_options;
    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    bool m_atFirstBlock = true;
    int m_depth = 0;
    Whitespace m_whitespace = Whitespace::Drop;
    QString m_pending;
};

} // namespace markdown
