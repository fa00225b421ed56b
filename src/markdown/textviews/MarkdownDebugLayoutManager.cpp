#include "MarkdownDebugLayoutManager.h"

#include <QPainter>

namespace markdown {

void MarkdownDebugLayoutManager::drawAfterText(QPainter* painter, const QTextDocument& document,
    platform::TextRange range, QPointF origin) const
{
    MarkdownLayoutManager::drawAfterText(painter, document, range, origin);
    if (!painter)
        return;
    for (const LineFragment& line : lineFragments(document, range)) {
        painter->save();
        painter->setPen(QPen(QColor(Qt::blue), 0));
        painter->drawRect(line.usedRect.translated(origin));
        painter->restore();
        painter->save();
        painter->setPen(QPen(QColor(Qt::red), 0));
        painter->drawRect(line.rect.translated(origin));
        painter->restore();
    }
}

} // namespace markdown
