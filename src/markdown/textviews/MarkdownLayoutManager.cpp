#include "MarkdownLayoutManager.h"

#include "DecorationGeometry.h"
#include "markdown/styler/CustomAttributes.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace markdown {

namespace {

// Lines are measured from the text itself, with no padding at their ends.
constexpr double linePadding = 0;

// Records measure in points, as paragraph indents do; the layout is in pixels.
double pixels(double points)
{
    return platform::AttributedText::pointsToPixels(points);
}

template <typename Record>
void forEachRecord(const QTextDocument& document, const QString& name, platform::TextRange range,
    const std::function<void(const Record&, platform::TextRange)>& visit)
{
    platform::AttributedText::enumerateAttribute(
        document, name, range, [&](const QVariant& value, platform::TextRange run, bool*) {
            if (const auto record = CustomAttributes::unbox<Record>(value))
                visit(*record, run);
        });
}

std::vector<platform::TextRange> presentRanges(
    const QTextDocument& document, const QString& name, platform::TextRange range)
{
    std::vector<platform::TextRange> ranges;
    platform::AttributedText::enumerateAttribute(
        document, name, range, [&](const QVariant& value, platform::TextRange run, bool*) {
            if (value.isValid())
                ranges.push_back(run);
        });
    return ranges;
}

} // namespace

void MarkdownLayoutManager::drawBeforeText(QPainter* painter, const QTextDocument& document,
    platform::TextRange range, QPointF origin) const
{
    if (!painter)
        return;
    painter->save();
    for (const MarkdownDecorations::Fill& fill : decorations(document, range, origin).backgrounds)
        painter->fillRect(fill.rect, fill.color);
    painter->restore();
}

void MarkdownLayoutManager::drawAfterText(QPainter* painter, const QTextDocument& document,
    platform::TextRange range, QPointF origin) const
{
    if (!painter)
        return;
    const MarkdownDecorations found = decorations(document, range, origin);
    painter->save();
    for (const MarkdownDecorations::Rule& rule : found.rules) {
        painter->setPen(QPen(rule.color, rule.thickness));
        painter->drawLine(rule.line);
    }
    painter->restore();
    painter->save();
    for (const MarkdownDecorations::Fill& stripe : found.stripes)
        painter->fillRect(stripe.rect, stripe.color);
    painter->restore();
}

MarkdownDecorations MarkdownLayoutManager::decorations(
    const QTextDocument& document, platform::TextRange range, QPointF origin)
{
    MarkdownDecorations found;
    forEachRecord<BlockBackgroundColorAttribute>(document, CustomAttributes::blockBackgroundColor,
        range, [&](const BlockBackgroundColorAttribute& record, platform::TextRange run) {
            const auto rects = DecorationGeometry::blockBackground(lineFragments(document, run),
                presentRanges(document, CustomAttributes::blockBackgroundColor, run), linePadding,
                pixels(record.inset), origin);
            for (const QRectF& rect : rects)
                found.backgrounds.push_back({ rect, record.color });
        });
    forEachRecord<ThematicBreakAttribute>(document, CustomAttributes::thematicBreak, range,
        [&](const ThematicBreakAttribute& record, platform::TextRange run) {
            const auto lines = lineFragments(document, { run.location, 1 });
            if (!lines.empty())
                found.rules.push_back(
                    { DecorationGeometry::thematicBreak(lines.front(), linePadding, origin),
                        record.color, pixels(record.thickness) });
        });
    forEachRecord<QuoteStripeAttribute>(document, CustomAttributes::quoteStripe, range,
        [&](const QuoteStripeAttribute& record, platform::TextRange run) {
            std::vector<double> locations;
            locations.reserve(record.locations.size());
            for (const double location : record.locations)
                locations.push_back(pixels(location));
            const auto rects = DecorationGeometry::quoteStripes(lineFragments(document, run),
                locations, pixels(record.thickness), linePadding, origin);
            for (const QRectF& rect : rects)
                found.stripes.push_back({ rect, record.color });
        });
    return found;
}

std::vector<LineFragment> MarkdownLayoutManager::lineFragments(
    const QTextDocument& document, platform::TextRange range)
{
    std::vector<LineFragment> lines;
    const double margin = document.documentMargin();
    const double width = document.documentLayout()->documentSize().width() - 2 * margin;
    for (QTextBlock block = document.findBlock(int(range.location));
         block.isValid() && block.position() < range.end(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const QPointF position = layout->position();
        const bool hasSeparator = block.next().isValid();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            platform::TextRange characters { block.position() + line.textStart(),
                line.textLength() };
            if (i == layout->lineCount() - 1 && hasSeparator)
                ++characters.length;
            if (characters.end() <= range.location || characters.location >= range.end())
                continue;
            const QRectF used = line.naturalTextRect().translated(position);
            lines.push_back({ QRectF(margin, used.top(), width, line.height()), used, characters });
        }
    }
    return lines;
}

platform::TextRange MarkdownLayoutManager::characterRange(
    const QTextDocument& document, const QRectF& area)
{
    const QAbstractTextDocumentLayout* layout = document.documentLayout();
    const int hit = layout->hitTest(QPointF(area.left(), area.top()), Qt::FuzzyHit);
    QTextBlock block = document.findBlock(std::max(hit, 0));
    if (!block.isValid())
        return {};
    const qsizetype start = block.position();
    qsizetype end = start;
    for (; block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        if (box.top() > area.bottom())
            break;
        end = block.position() + block.length();
    }
    return { start, std::min<qsizetype>(end, platform::AttributedText::length(document)) };
}

} // namespace markdown
