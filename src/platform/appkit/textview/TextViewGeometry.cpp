#include "TextViewGeometry.h"

#include "platform/text/AttributedText.h"
#include "platform/text/TextHighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace platform {

QRectF TextViewGeometry::rectAtPosition(const QTextDocument& doc, int position)
{
    const QTextBlock block = doc.findBlock(position);
    if (!block.isValid())
        return {};
    const QTextLayout* layout = block.layout();
    const int offset = position - block.position();
    const QTextLine line = layout->lineForTextPosition(offset);
    if (!line.isValid())
        return doc.documentLayout()->blockBoundingRect(block);
    const QPointF origin = layout->position();
    return { origin.x() + line.cursorToX(offset), origin.y() + line.y(), 1, line.height() };
}

int TextViewGeometry::characterIndexAt(const QPoint& viewportPoint) const
{
    const QPointF local = m_item.mapFromScene(m_view.mapToScene(viewportPoint));
    return m_item.document()->documentLayout()->hitTest(local, Qt::FuzzyHit);
}

void TextViewGeometry::placeCaretAt(const QPoint& viewportPoint)
{
    QTextCursor cursor = m_item.textCursor();
    cursor.setPosition(characterIndexAt(viewportPoint));
    m_item.setTextCursor(cursor);
    m_item.scene()->setFocusItem(&m_item);
    m_view.setFocus(Qt::MouseFocusReason);
}

QUrl TextViewGeometry::linkAt(const QPoint& viewportPoint) const
{
    const QPointF local = m_item.mapFromScene(m_view.mapToScene(viewportPoint));
    return QUrl(m_item.document()->documentLayout()->anchorAt(local));
}

Qt::CursorShape TextViewGeometry::pointerShapeAt(const QPoint& viewportPoint) const
{
    const int index = characterIndexAt(viewportPoint);
    const QTextBlock block = m_item.document()->findBlock(index);
    const bool overHashtag = block.isValid()
        && TextHighlighter::hashtagAt(block.text(), index - block.position()).has_value();
    const bool overLink = !linkAt(viewportPoint).isEmpty();
    return overHashtag || overLink ? Qt::PointingHandCursor : Qt::IBeamCursor;
}

QRectF TextViewGeometry::caretRect() const
{
    return m_item.mapRectToScene(
        rectAtPosition(*m_item.document(), m_item.textCursor().position()));
}

QRect TextViewGeometry::characterRect(int index) const
{
    const QTextDocument& document = *m_item.document();
    if (index < 0 || index >= AttributedText::length(document))
        return {};
    const QRectF start = rectAtPosition(document, index);
    const QRectF end = rectAtPosition(document, index + 1);
    // A character that ends its line: its width is unknown, the start's line stands for it.
    const QRectF rect = qFuzzyCompare(start.top(), end.top())
        ? QRectF(start.topLeft(), QPointF(end.left(), std::max(start.bottom(), end.bottom())))
        : start;
    return m_view.mapFromScene(m_item.mapRectToScene(rect)).boundingRect();
}

void TextViewGeometry::scrollRangeToVisible(TextRange range)
{
    const QTextDocument& document = *m_item.document();
    const int position
        = int(std::clamp<qsizetype>(range.location, 0, AttributedText::length(document)));
    m_view.ensureVisible(m_item.mapRectToScene(rectAtPosition(document, position)), 0, 0);
}

void TextViewGeometry::ensureCaretVisible()
{
    m_view.ensureVisible(caretRect(), 4, 4);
}

QPointF TextViewGeometry::visibleOrigin() const
{
    return m_view.mapToScene(QPoint(0, 0));
}

void TextViewGeometry::scrollToPoint(const QPointF& scenePoint, double zoom)
{
    m_view.horizontalScrollBar()->setValue(qRound(scenePoint.x() * zoom));
    m_view.verticalScrollBar()->setValue(qRound(scenePoint.y() * zoom));
}

} // namespace platform
