#pragma once

#include "platform/text/TextRange.h"

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QUrl>

class QGraphicsTextItem;
class QGraphicsView;
class QTextDocument;

namespace platform {

// Where a text view's characters show, and scrolling them into view: the character, the link
// and the pointer's shape at a viewport point, the caret's and a character's rectangles. Holds no
// state of its own; owned by its text view, main thread only.
class TextViewGeometry final {
public:
    TextViewGeometry(QGraphicsView& view, QGraphicsTextItem& item) : m_view(view), m_item(item) { }

    // The caret's rectangle before `position` in document coordinates: one wide, a line
    // high; the paragraph's where no line is laid out; empty outside the text.
    static QRectF rectAtPosition(const QTextDocument& doc, int position);

    // The character index for insertion at a point of the viewport.
    int characterIndexAt(const QPoint& viewportPoint) const;
    // The target of the link drawn at a point of the viewport; empty where there is none.
    QUrl linkAt(const QPoint& viewportPoint) const;
    // A click where no text is drawn still puts the caret at the nearest character.
    void placeCaretAt(const QPoint& viewportPoint);
    // A hand over a hashtag or a link, else the I-beam.
    Qt::CursorShape pointerShapeAt(const QPoint& viewportPoint) const;
    // In scene coordinates.
    QRectF caretRect() const;
    // In viewport coordinates; empty past the text.
    QRect characterRect(int index) const;
    void scrollRangeToVisible(TextRange range);
    void ensureCaretVisible();
    // The scene point at the viewport's top left, and scrolling to put one there at `zoom`.
    QPointF visibleOrigin() const;
    void scrollToPoint(const QPointF& scenePoint, double zoom);

private:
    QGraphicsView& m_view;
    QGraphicsTextItem& m_item;
};

} // namespace platform
