#pragma once

#include "LineFragment.h"

#include <QLineF>

#include <vector>

namespace markdown {

// Where the decorations of styled Markdown text go, from the lines they lie on alone: pure
// functions, so the arithmetic can be checked without laying any text out. `padding` is the
// line fragment padding; `origin` is added to everything returned.
class DecorationGeometry final {
public:
    DecorationGeometry() = delete;

    // One rectangle per line of a code block's background. A line that a block range starts
    // in gets `inset` above its used rectangle, one that a block range ends in `inset` below;
    // every line's fill starts `inset` before its used rectangle and ends at the line's
    // trailing edge, and a middle line spans from the top of its line to the bottom of its used
    // rectangle, so consecutive lines share edges. `blockRanges` are merged where one ends
    // exactly where the next starts.
    static std::vector<QRectF> blockBackground(const std::vector<LineFragment>& lines,
        std::vector<platform::TextRange> blockRanges, double padding, double inset, QPointF origin);

    // The rule of a thematic break: across the line from the start of its text to the trailing
    // edge, at half the line's height.
    static QLineF thematicBreak(const LineFragment& line, double padding, QPointF origin);

    // One stripe per line and location, each the full height of its line, `thickness` wide.
    static std::vector<QRectF> quoteStripes(const std::vector<LineFragment>& lines,
        const std::vector<double>& locations, double thickness, double padding, QPointF origin);
};

} // namespace markdown
