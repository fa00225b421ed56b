#pragma once

#include "markdown/MarkdownOptions.h"

#include <QPointer>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <cmark.h>

#include <memory>
#include <vector>

namespace markdown {

// Builds rich text straight from a cmark tree: the very document that reading cmark's HTML of
// the tree with MarkdownAttributedStringRenderable::defaultStylesheet gives, block and character
// formats, lists and whitespace included, without writing or parsing HTML. It follows the HTML
// reader's rules for the elements cmark writes: each block element either starts a block or,
// while the current block has no text yet, merges its margins and formats into it. Trees with
// raw HTML, images, unsafe links, empty blocks or text that would split a block take the HTML
// way: for them it gives nothing. One difference: the HTML reading leaves the style sheet out of
// a page with too many tags to match it against (a defence against hostile pages), and so gives
// a long Markdown text no fonts; built here, every text keeps them. Another: the document is a
// platform::ConversionDocument, whose lists are numbered by walking the blocks, never by asking
// the list. Runs on the caller's thread; the tree stays the caller's.
class CmarkTextDocumentBuilder final {
public:
    // The document, or null when the tree or an option asks for what only the HTML reading
    // reproduces.
    static std::unique_ptr<QTextDocument> build(cmark_node* root, MarkdownOptions options);

private:
    // Whether the next whitespace character is dropped, as the HTML reader decides it.
    enum class Whitespace { Keep, Drop };

    // What a block element brings of its own: its margins and formats.
    struct Element {
        qreal topMargin = 0;
        qreal bottomMargin = 0;
        qreal sideMargin = 0;
        int headingLevel = 0;
        bool isItem = false;
        bool isPreformatted = false;
        bool isQuote = false;
        QTextCharFormat charFormat;
    };

    struct OpenList {
        QTextListFormat format;
        // Qt deletes a list whose last item leaves it; the next item then starts another.
        QPointer<QTextList> list;
        qreal margin = 0;
    };

    explicit CmarkTextDocumentBuilder(MarkdownOptions options);

    bool appendBlocks(cmark_node* parent);
    bool appendBlock(cmark_node* node);
    bool appendTextBlock(cmark_node* node, const Element& element);
    bool appendCodeBlock(cmark_node* codeBlock);
    bool appendThematicBreak();
    bool appendBlockQuote(cmark_node* blockQuote);
    bool appendList(cmark_node* list);
    bool appendItem(cmark_node* item, bool isTight, bool isLast);
    bool appendInlines(cmark_node* parent, const QTextCharFormat& format);
    bool appendLink(cmark_node* link, QTextCharFormat format);

    // Starts a block for the element, or merges the element into the current block while it
    // has no text.
    void openBlock(const Element& element, bool isLastItem = false);
    // Puts the waiting block into the document. A block waits until something needs it, so
    // that the elements merged into it cost no edits of their own.
    void placeBlock();
    // Inserts text whose runs of whitespace fold into one space, none at a block's start;
    // false for text the HTML reading would split into blocks.
    bool appendCollapsed(QStringView text, const QTextCharFormat& format);
    void appendText(QStringView text, const QTextCharFormat& format);
    // Text waits until the format changes or a block operation comes, so that adjacent runs
    // of one format take one insertion.
    void flushText();

    QTextCharFormat m_textFormat;
    QTextCharFormat m_codeFormat;
    MarkdownOptions m_options;
    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    // The current block has had no text since it began.
    bool m_hasBlock = true;
    // The current block is not in the document yet; at the start it is the document's first.
    bool m_blockWaiting = true;
    bool m_atDocumentStart = true;
    QTextBlockFormat m_waitingBlockFormat;
    QTextCharFormat m_waitingBlockCharFormat;
    Whitespace m_whitespace = Whitespace::Drop;
    qreal m_sideMargin = 0;
    int m_depth = 0;
    std::vector<OpenList> m_lists;
    // Reused buffers: emptied, never freed, between texts.
    QString m_collapsed;
    QString m_waitingText;
    QTextCharFormat m_waitingFormat;
};

} // namespace markdown
