#include "FindIndicator.h"

#include "TextViewGeometry.h"

#include "platform/foundation/Dispatch.h"
#include "platform/text/AttributedText.h"

#include <QBrush>
#include <QGraphicsRectItem>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QPen>

#include <utility>

namespace platform {

FindIndicator::~FindIndicator()
{
    // The highlight is the item's child and goes with it.
    Scheduler::current().cancel(m_task);
}

void FindIndicator::clear()
{
    delete std::exchange(m_indicator, nullptr);
}

void FindIndicator::show(TextRange range)
{
    clear();
    Scheduler::current().cancel(m_task);
    const QTextDocument& document = *m_item.document();
    const qsizetype length = AttributedText::length(document);
    if (range.location < 0 || range.length <= 0 || range.end() > length)
        return;
    const QRectF first = TextViewGeometry::rectAtPosition(document, int(range.location));
    const QRectF last = TextViewGeometry::rectAtPosition(document, int(range.end()));
    QRectF area = first.united(last);
    // A range over several lines lights up their whole width.
    if (!qFuzzyCompare(first.top(), last.top()))
        area = QRectF(0, first.top(), m_item.textWidth(), last.bottom() - first.top());
    auto* indicator = new QGraphicsRectItem(area.adjusted(-2, -1, 2, 1), &m_item);
    indicator->setBrush(QColor(255, 230, 0, 150));
    indicator->setPen(Qt::NoPen);
    m_indicator = indicator;
    m_view.ensureVisible(m_item.mapRectToScene(area), 8, 8);
    m_task = dispatchAfter(1.0, &m_view, [this] { clear(); });
}

} // namespace platform
