#include "TextRangeCopier.h"

#include "ParagraphStyleFormat.h"
#include "TextAttachmentFormat.h"
#include "TextSegments.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>

namespace platform {

namespace {

// Paragraphs longer than this (UTF-16 units) are not copied whole for a piece of them shorter
// than their length over kShortPieceShare.
constexpr qsizetype kLongParagraph = qsizetype(1) << 16;
constexpr qsizetype kShortPieceShare = 8;

} // namespace

void TextRangeCopier::insert(QTextCursor& cursor, const QTextDocument& source, TextRange range)
{
    QTextDocument* target = cursor.document();
    const auto copyResource = [&](const QTextCharFormat& format) {
        if (!format.isImageFormat())
            return format;
        QTextImageFormat image = format.toImageFormat();
        const QVariant bytes = source.resource(QTextDocument::ImageResource, QUrl(image.name()));
        const QString name = TextAttachmentFormat::newResourceName();
        target->addResource(QTextDocument::ImageResource, QUrl(name), bytes);
        image.setName(name);
        return QTextCharFormat(image);
    };
    // A block format names its list by an index into its own document: lists are made anew in
    // the target, one for each source list, and the items join them there.
    QHash<const QTextList*, QTextList*> lists;
    const auto joinList = [&](const QTextBlock& from) {
        const QTextList* list = from.textList();
        if (!list)
            return;
        QTextList*& copy = lists[list];
        if (copy)
            copy->add(cursor.block());
        else
            copy = cursor.createList(list->format());
    };
    const auto ownFormat = [](const QTextBlock& block) {
        QTextBlockFormat format = block.blockFormat();
        format.clearProperty(QTextFormat::ObjectIndex);
        return format;
    };
    bool first = true;
    QTextBlock textBlock;
    QString blockText;
    const auto segmentText = [&](const TextSegment& segment) {
        // A short piece of a long paragraph is read a character at a time: the paragraph's
        // whole text costs its length (megabytes for a file of one line), and a cursor would
        // lay the paragraph out.
        if (segment.block.length() > kLongParagraph
            && segment.length * kShortPieceShare < segment.block.length()) {
            QString text(segment.length, Qt::Uninitialized);
            for (qsizetype i = 0; i < segment.length; ++i)
                text[i] = source.characterAt(int(segment.start + i));
            return text;
        }
        // Else a block's text is made once a block, not once a fragment, or a long paragraph
        // of many styles copies in quadratic time.
        if (segment.block != textBlock) {
            textBlock = segment.block;
            blockText = textBlock.text();
        }
        return QStringView(blockText)
            .sliced(segment.start - textBlock.position(), segment.length)
            .toString();
    };
    TextSegments::forEach(source, range.location, range.end(), [&](const TextSegment& segment) {
        if (first && cursor.atBlockStart()
            && ParagraphStyleFormat::hasParagraphStyle(segment.block.blockFormat()))
            cursor.setBlockFormat(ownFormat(segment.block));
        if (first && cursor.atBlockStart() && segment.start == segment.block.position())
            joinList(segment.block);
        // The paragraph at the cursor becomes the source's empty first paragraph: it takes the
        // look typing there would have, which no character carries.
        if (first && cursor.atBlockStart() && segment.block.length() == 1
            && cursor.blockCharFormat() != segment.block.charFormat())
            cursor.setBlockCharFormat(segment.block.charFormat());
        first = false;
        const QTextBlock next = segment.block.next();
        const bool isSeparator = next.isValid()
            && segment.start == segment.block.position() + segment.block.length() - 1;
        if (isSeparator) {
            cursor.insertBlock(ownFormat(next), segment.format);
            joinList(next);
        } else {
            cursor.insertText(segmentText(segment), copyResource(segment.format));
        }
        return true;
    });
}

} // namespace platform
