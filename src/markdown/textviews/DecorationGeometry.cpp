#include "DecorationGeometry.h"

#include <algorithm>

namespace markdown {

std::vector<QRectF> DecorationGeometry::blockBackground(const std::vector<LineFragment>& lines,
    std::vector<platform::TextRange> blockRanges, double padding, double inset, QPointF origin)
{
    std::sort(blockRanges.begin(), blockRanges.end(),
        [](platform::TextRange a, platform::TextRange b) { return a.location < b.location; });
    std::vector<platform::TextRange> merged;
    for (const platform::TextRange& range : blockRanges) {
        if (!merged.empty() && merged.back().end() == range.location)
            merged.back().length += range.length;
        else
            merged.push_back(range);
    }

    std::vector<QRectF> rects;
    rects.reserve(lines.size());
    for (const LineFragment& line : lines) {
        const qsizetype start = line.range.location;
        const qsizetype end = line.range.end();
        const bool first
            = std::any_of(merged.begin(), merged.end(), [&](platform::TextRange block) {
                  return start <= block.location && block.location < end;
              });
        const bool last = std::any_of(merged.begin(), merged.end(),
            [&](platform::TextRange block) { return start < block.end() && block.end() <= end; });
        const double x = line.usedRect.left() + padding - inset;
        const double right = line.rect.right();
        const double top = first ? line.usedRect.top() - inset : line.rect.top();
        const double bottom = last ? line.usedRect.bottom() + inset : line.usedRect.bottom();
        rects.emplace_back(x + origin.x(), top + origin.y(), right - x, bottom - top);
    }
    return rects;
}

QLineF DecorationGeometry::thematicBreak(const LineFragment& line, double padding, QPointF origin)
{
    const double x0 = line.usedRect.left() + padding;
    const double y = line.rect.center().y() + origin.y();
    return QLineF(x0 + origin.x(), y, line.rect.right() + origin.x(), y);
}

std::vector<QRectF> DecorationGeometry::quoteStripes(const std::vector<LineFragment>& lines,
    const std::vector<double>& locations, double thickness, double padding, QPointF origin)
{
    std::vector<QRectF> rects;
    rects.reserve(lines.size() * locations.size());
    for (const LineFragment& line : lines) {
        for (const double location : locations)
            rects.emplace_back(location + padding + line.rect.left() + origin.x(),
                line.rect.top() + origin.y(), thickness, line.rect.height());
    }
    return rects;
}

} // namespace markdown
