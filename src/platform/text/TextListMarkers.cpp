#include "TextListMarkers.h"

#include "AttributedText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace platform {

namespace {

ParagraphStyle styleOf(const QTextBlock& block)
{
    const QTextBlockFormat format = block.blockFormat();
    return AttributedText::hasParagraphStyle(format) ? AttributedText::paragraphStyle(format)
                                                     : AttributedText::defaultParagraphStyle();
}

} // namespace

QTextCharFormat TextListMarkers::markerLook(const QTextBlock& block)
{
    QTextCursor look(block);
    look.movePosition(QTextCursor::NextCharacter);
    return look.charFormat();
}

void TextListMarkers::replacePrefix(const QTextBlock& block, int length, const QString& run)
{
    if (length == 0 && run.isEmpty())
        return;
    const QTextCharFormat look = markerLook(block);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + length, QTextCursor::KeepAnchor);
    cursor.insertText(run, look);
}

QString TextListMarkers::marker(QTextListFormat::Style style, int number)
{
    if (style == QTextListFormat::ListStyleUndefined)
        return {};
    RtfListLevel level;
    level.style = style;
    return level.marker(number);
}

QString TextListMarkers::markerRun(const QString& markerFormat, int number)
{
    return u'\t' + RtfListLevel::fromMarkerFormat(markerFormat).marker(number) + u'\t';
}

int TextListMarkers::prefixLength(const QString& paragraph)
{
    if (!paragraph.startsWith(u'\t'))
        return 0;
    const qsizetype second = paragraph.indexOf(u'\t', 1);
    return second > 1 && second <= MaximumMarkerLength + 1 ? int(second) + 1 : 0;
}

QStringList TextListMarkers::itemLists(const QTextBlock& block)
{
    const QStringList lists
        = block.blockFormat().property(AttributedText::TextListsProperty).toStringList();
    return !lists.isEmpty() && prefixLength(block.text()) > 0 ? lists : QStringList();
}

QString TextListMarkers::nestedMarkerFormat(const QString& markerFormat)
{
    const RtfListLevel level = RtfListLevel::fromMarkerFormat(markerFormat);
    if (!level.isBullet())
        return markerFormat;
    RtfListLevel nested;
    nested.style = level.style == QTextListFormat::ListDisc ? QTextListFormat::ListCircle
        : level.style == QTextListFormat::ListCircle        ? QTextListFormat::ListSquare
                                                            : QTextListFormat::ListDisc;
    return nested.markerFormat();
}

void TextListMarkers::addItemGeometry(ParagraphStyle& style, int level)
{
    const double text = textLocation(level);
    style.headIndent = text;
    style.firstLineHeadIndent = 0;
    style.tabStops.removeIf([&](const TextTab& tab) { return tab.location <= text; });
    style.tabStops.prepend({ TextTabType::Left, text });
    style.tabStops.prepend({ TextTabType::Left, markerLocation(level) });
}

void TextListMarkers::removeItemGeometry(ParagraphStyle& style, int level)
{
    const double text = textLocation(level);
    style.headIndent = std::max(0.0, style.headIndent - text);
    style.firstLineHeadIndent = style.headIndent;
    style.tabStops.removeIf([&](const TextTab& tab) { return tab.location <= text; });
}

void TextListMarkers::setLists(const QTextBlock& block, const QStringList& lists)
{
    ParagraphStyle style = styleOf(block);
    const QStringList old = itemLists(block);
    replacePrefix(block, prefixLength(block.text()),
        lists.isEmpty() ? QString() : markerRun(lists.last(), 1));
    if (!old.isEmpty())
        removeItemGeometry(style, int(old.size()) - 1);
    style.textLists = lists.mid(0, MaximumLevels);
    if (!lists.isEmpty()) {
        addItemGeometry(style, int(style.textLists.size()) - 1);
    } else {
        style.headIndent = style.firstLineHeadIndent = 0;
        if (style.tabStops.isEmpty())
            style.tabStops = ParagraphStyle::defaultTabStops();
    }
    QTextBlockFormat format = block.blockFormat();
    AttributedText::setParagraphStyle(format, style);
    QTextCursor(block).setBlockFormat(format);
}

void TextListMarkers::apply(QTextDocument& doc, int start, int end, QTextListFormat::Style style)
{
    const int first = doc.findBlock(start).blockNumber();
    const int last = doc.findBlock(std::max(start, end)).blockNumber();
    QStringList lists;
    if (style != QTextListFormat::ListStyleUndefined) {
        RtfListLevel level;
        level.style = style;
        lists.append(level.markerFormat());
    }
    for (int number = first; number <= last; ++number) {
        const QTextBlock block = doc.findBlockByNumber(number);
        if (!block.isValid())
            break;
        // A paragraph already as asked keeps its own indents and tabs, and the edit stays
        // empty: no step is recorded whose undo would change nothing.
        if (itemLists(block) != lists)
            setLists(block, lists);
    }
    renumber(doc, doc.findBlockByNumber(first).position());
}

void TextListMarkers::renumber(QTextDocument& doc, int position)
{
    QTextBlock block = doc.findBlock(position);
    if (itemLists(block).isEmpty())
        block = block.next();
    else {
        while (block.previous().isValid() && !itemLists(block.previous()).isEmpty())
            block = block.previous();
    }
    std::vector<int> counts;
    QStringList formats;
    for (; block.isValid(); block = block.next()) {
        const QStringList lists = itemLists(block);
        if (lists.isEmpty())
            break;
        const qsizetype level = lists.size() - 1;
        // A shallower item ends the deeper lists; a new format starts its level anew.
        counts.resize(size_t(level) + 1);
        if (formats.size() > level && formats.at(level) != lists.at(level))
            counts[size_t(level)] = 0;
        formats = lists;
        const QString run = markerRun(lists.at(level), ++counts[size_t(level)]);
        const int length = prefixLength(block.text());
        if (block.text().left(length) != run)
            replacePrefix(block, length, run);
    }
}

} // namespace platform
