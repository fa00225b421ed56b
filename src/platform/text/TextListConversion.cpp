#include "TextListConversion.h"

#include "AttributedText.h"
#include "ConversionDocument.h"
#include "TextListBuilder.h"
#include "TextListMarkers.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

// Paragraphs without a style of their own show the default one.
ParagraphStyle styleOf(const QTextBlockFormat& format)
{
    return AttributedText::hasParagraphStyle(format) ? AttributedText::paragraphStyle(format)
                                                     : AttributedText::defaultParagraphStyle();
}

bool startsAList(const QString& paragraph, const QString& markerFormat)
{
    const QString first = TextListMarkers::markerRun(markerFormat, 1);
    return first != TextListMarkers::markerRun(markerFormat, 2) && paragraph.startsWith(first);
}

} // namespace

void TextListConversion::fromQtLists(QTextDocument& doc)
{
    struct Item {
        QTextBlock block;
        QStringList lists;
        QString marker;
    };
    // Numbers first: taking an item out of its list renumbers the rest.
    std::vector<Item> items;
    QStringList lists;
    // Items are numbered in one walk, each list counting its own: a list's own numbering
    // looks each item up among all of its items.
    QHash<const QTextList*, int> counts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextList* list = block.textList();
        if (!list) {
            lists.clear();
            continue;
        }
        const int level
            = std::clamp(list->format().indent() - 1, 0, TextListMarkers::MaximumLevels - 1);
        const RtfListLevel format = RtfListLevel::fromListFormat(list->format());
        lists = lists.mid(0, level);
        while (lists.size() < level) {
            lists.append(lists.isEmpty() ? format.markerFormat()
                                         : TextListMarkers::nestedMarkerFormat(lists.last()));
        }
        lists.append(format.markerFormat());
        // A list counts on from its first number (AttributedText::ListStartProperty), 1 if unset.
        auto count = counts.find(list);
        if (count == counts.end()) {
            count = counts.insert(list,
                list->format().hasProperty(AttributedText::ListStartProperty)
                    ? list->format().intProperty(AttributedText::ListStartProperty) - 1
                    : 0);
        }
        items.push_back({ block, lists, format.marker(++*count) });
    }
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (const Item& item : items) {
        item.block.textList()->remove(item.block);
        QTextBlockFormat format = item.block.blockFormat();
        format.clearProperty(QTextFormat::BlockIndent);
        ParagraphStyle style = styleOf(format);
        style.textLists = item.lists;
        TextListMarkers::addItemGeometry(style, int(item.lists.size()) - 1);
        AttributedText::setParagraphStyle(format, style);
        cursor.setPosition(item.block.position());
        cursor.setBlockFormat(format);
        TextListMarkers::replacePrefix(item.block, 0, u'\t' + item.marker + u'\t');
    }
    cursor.endEditBlock();
}

std::unique_ptr<QTextDocument> TextListConversion::toQtLists(const QTextDocument& doc)
{
    // A copy keeps what the writers read beyond the attributes, such as heading levels; its
    // lists cost time in proportion to their items.
    std::unique_ptr<QTextDocument> copy = ConversionDocument::copyOf(doc);
    AttributedText::setDocumentAttributes(*copy, AttributedText::documentAttributes(doc));
    TextListBuilder builder;
    // Outermost lists by format: how many have started. Nested items join the last one.
    QHash<QString, int> outerLists;
    QString key;
    QTextCursor cursor(copy.get());
    cursor.beginEditBlock();
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        const QStringList lists = TextListMarkers::itemLists(block);
        if (lists.isEmpty())
            continue;
        const int level = int(lists.size()) - 1;
        // An outermost list goes on past plain paragraphs and lists of other formats, as
        // numbers run on through them, until an item shows its first number again.
        if (level == 0) {
            auto found = outerLists.find(lists.first());
            if (found == outerLists.end())
                found = outerLists.insert(lists.first(), 0);
            else if (startsAList(block.text(), lists.first()))
                ++*found;
            key = lists.first() + u'#' + QString::number(*found);
        }
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + TextListMarkers::prefixLength(block.text()),
            QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QTextBlockFormat format = block.blockFormat();
        ParagraphStyle style = AttributedText::paragraphStyle(format);
        style.textLists.clear();
        TextListMarkers::removeItemGeometry(style, level);
        AttributedText::setParagraphStyle(format, style);
        cursor.setBlockFormat(format);
        builder.addItem(
            cursor, key, level, RtfListLevel::fromMarkerFormat(lists.at(level)).listFormat(level));
    }
    cursor.endEditBlock();
    return copy;
}

} // namespace platform
