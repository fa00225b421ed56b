#include "document/transfer/MarkdownImporter.h"

#include "document/transfer/ImportedTextLooks.h"

#include "markdown/Markdown.h"
#include "markdown/styler/FontTraits.h"
#include "platform/text/TextListConversion.h"

#include <QTextBlock>
#include <QTextCursor>

#include <vector>

namespace {

using markdown::MarkdownAttributedStringRenderable;

// Gives a format that names one of the style sheet's families the note's family for it; false
// for a format that names neither.
bool takeNoteFont(QTextCharFormat& format, const QFont& text, const QFont& code)
{
    const QString family = format.fontFamilies().toStringList().value(0);
    const bool isCode = family == MarkdownAttributedStringRenderable::defaultCodeFamily;
    if (!isCode && family != MarkdownAttributedStringRenderable::defaultTextFamily)
        return false;
    format.setFontFamilies(ImportedTextLooks::familiesOf(isCode ? code : text));
    // A heading keeps its step over the note font's size.
    ImportedTextLooks::takeSize(format, text);
    return true;
}

void takeNoteFonts(QTextDocument& document, const QFont& noteFont)
{
    const QFont code = markdown::FontTraits::adding(noteFont, markdown::FontTraits::monospace);
    struct Change {
        int position;
        int length;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCharFormat blockFormat = block.charFormat();
        if (takeNoteFont(blockFormat, noteFont, code)) {
            cursor.setPosition(block.position());
            cursor.setBlockCharFormat(blockFormat);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (takeNoteFont(format, noteFont, code))
                changes.push_back({ fragment.position(), fragment.length(), format });
        }
    }
    // Formats are set once the walk is over: setting one can merge the fragments walked.
    for (const Change& change : changes) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
    cursor.endEditBlock();
}

// The line break after an element's end tag (the last paragraph's, an item's before its nested
// list) reads as a space at the end of a paragraph, which Markdown never means outside code.
// Code keeps its own spaces; the line its final line break leaves empty has none of its own.
bool endsInClosingSpace(const QTextBlock& block)
{
    if (!block.blockFormat().nonBreakableLines())
        return block.text().endsWith(u' ');
    const QTextBlock next = block.next();
    return block.text() == u" " && (!next.isValid() || !next.blockFormat().nonBreakableLines());
}

void dropClosingSpaces(QTextDocument& document)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!endsInClosingSpace(block))
            continue;
        cursor.setPosition(block.position() + block.length() - 1);
        cursor.deletePreviousChar();
    }
    cursor.endEditBlock();
}

} // namespace

std::unique_ptr<QTextDocument> MarkdownImporter::attributedStringFromMarkdown(
    const QString& markdown, const QFont& noteFont)
{
    // HTML inside Markdown is read as the HTML reader reads a page, within the same bounds: the
    // library's safe rendering would leave its tags out, their text with them.
    std::unique_ptr<QTextDocument> text = markdown::Markdown(markdown).toAttributedString(
        markdown::MarkdownOptions::unsafe, std::nullopt);
    if (!text)
        return nullptr;
    takeNoteFonts(*text, noteFont);
    dropClosingSpaces(*text);
    // A note keeps its lists as marker runs, as typed ones are.
    platform::TextListConversion::fromQtLists(*text);
    return text;
}
