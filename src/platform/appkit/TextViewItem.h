#pragma once

#include <QGraphicsTextItem>

namespace platform {

// The text item of a TextView: a plain QGraphicsTextItem without the dotted frame Qt draws
// around a focused item, which has no place around a page of text. Owned by the view's scene.
class TextViewItem final : public QGraphicsTextItem {
    Q_OBJECT

public:
    using QGraphicsTextItem::QGraphicsTextItem;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
};

} // namespace platform
