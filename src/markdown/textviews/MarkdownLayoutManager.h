#pragma once

#include "LineFragment.h"
#include "MarkdownDecorations.h"

class QPainter;
class QTextDocument;

namespace markdown {

// Draws the decorations that the Markdown styler marks with custom attributes and the text
// engine does not draw: code-block backgrounds before the text, thematic-break rules and quote
// stripes after it. A painter object without state; the Markdown text view calls it around its
// own drawing for the characters being redrawn. Main thread.
class MarkdownLayoutManager {
public:
    virtual ~MarkdownLayoutManager() = default;

    // Block backgrounds of `range`. Nothing happens without a painter.
    virtual void drawBeforeText(QPainter* painter, const QTextDocument& document,
        platform::TextRange range, QPointF origin) const;
    // Rules, then quote stripes of `range`. Nothing happens without a painter.
    virtual void drawAfterText(QPainter* painter, const QTextDocument& document,
        platform::TextRange range, QPointF origin) const;

    // The decorations of the runs within `range`, offset by `origin`.
    static MarkdownDecorations decorations(
        const QTextDocument& document, platform::TextRange range, QPointF origin);
    // The laid-out lines that hold characters of `range`, in order.
    static std::vector<LineFragment> lineFragments(
        const QTextDocument& document, platform::TextRange range);
    // The characters of the blocks that `area` (document coordinates) touches.
    static platform::TextRange characterRange(const QTextDocument& document, const QRectF& area);
};

} // namespace markdown
