#pragma once

#include "MarkdownLayoutManager.h"

namespace markdown {

// The Markdown layout manager that also outlines every line it draws: the used rectangle in
// blue, then the line's full box in red, for checking the geometry by eye.
class MarkdownDebugLayoutManager final : public MarkdownLayoutManager {
public:
    void drawAfterText(QPainter* painter, const QTextDocument& document, platform::TextRange range,
        QPointF origin) const override;
};

} // namespace markdown
