#include "TextViewLayout.h"

#include "platform/text/AttributedText.h"
#include "platform/text/TextHighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace platform {

void TextViewLayout::setDocument(QTextDocument* document, TextHighlighter* highlighter)
{
    m_document = document;
    m_highlighter = highlighter;
}

void TextViewLayout::setZoom(double zoom)
{
    m_zoom = zoom;
    m_view.setTransform(QTransform::fromScale(zoom, zoom));
    layoutText();
}

void TextViewLayout::layoutText()
{
    // A new width reports the new size from inside setTextWidth(): this call reads it after.
    if (m_layingOut)
        return;
    const QScopedValueRollback<bool> layingOut(m_layingOut, true);
    QGraphicsScene* scene = m_view.scene();
    const double visibleWidth = m_view.viewport()->width() / m_zoom;
    // Setting a width lays the whole document out again, even the same width: only a new
    // width may (this runs on every change of the text's height).
    const double textWidth
        = std::max(visibleWidth - 2 * AttributedText::pointsToPixels(kInsetWidth), 1.0);
    const double oldWidth = m_item.textWidth();
    const double oldHeight = scene->sceneRect().height();
    if (oldWidth != textWidth)
        m_item.setTextWidth(textWidth);
    double height
        = m_item.boundingRect().height() + 2 * AttributedText::pointsToPixels(kInsetHeight);
    // Narrower text can be shorter (a tall word at a line's end wraps into a taller line). When
    // the scroll bar made it narrow and it now fits, letting the bar go would widen the text
    // so that it needs the bar again, resizing the view for ever: the bar stays.
    if (m_view.verticalScrollBar()->isVisible() && textWidth < oldWidth && height < oldHeight
        && height * m_zoom <= m_view.viewport()->height())
        height = oldHeight;
    const QRectF rect(0, 0, visibleWidth, height);
    if (scene->sceneRect() != rect)
        scene->setSceneRect(rect);
    updateVisibleBlocks();
}

void TextViewLayout::updateVisibleBlocks()
{
    if (!m_highlighter || !m_document)
        return;
    const QRectF shown
        = m_item.mapRectFromScene(m_view.mapToScene(m_view.viewport()->rect()).boundingRect());
    QAbstractTextDocumentLayout* layout = m_document->documentLayout();
    const auto blockAt = [&](QPointF point) {
        return m_document->findBlock(std::max(layout->hitTest(point, Qt::FuzzyHit), 0))
            .blockNumber();
    };
    m_highlighter->setVisibleBlocks(blockAt(shown.topLeft()), blockAt(shown.bottomLeft()));
}

} // namespace platform
