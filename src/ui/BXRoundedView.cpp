#include "BXRoundedView.h"

#include "DrawingAdditions.h"

#include <QPainter>

BXRoundedView::BXRoundedView(QWidget* parent) : QWidget(parent) { }

QPainterPath BXRoundedView::headerBandPath(const QSizeF& size)
{
    const double w = size.width();
    const double h = size.height();
    QPainterPath path(QPointF(0, h - 10));
    path.lineTo(0, h - 5);
    path.cubicTo(QPointF(0, h - 5), QPointF(10, h), QPointF(10, h));
    path.lineTo(w - 5, h);
    path.cubicTo(QPointF(w - 5, h), QPointF(w, h - 5), QPointF(w, h - 5));
    path.lineTo(w, h - 10);
    path.closeSubpath();
    return path;
}

void BXRoundedView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawingAdditions::flip(painter, height());
    const QRectF bounds(0, 0, width(), height());
    QPainterPath rounded;
    rounded.addRoundedRect(bounds, kCornerRadius, kCornerRadius);
    painter.fillPath(rounded, palette().color(QPalette::Window));
    painter.fillPath(headerBandPath(bounds.size()), QColor::fromRgbF(0.97f, 0.97f, 0.97f));

    // Both rules are placed by the bounds, so a partial repaint draws them where a full one does.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(DrawingAdditions::darkGray());
    painter.drawLine(QLineF(0, kRuleInset, bounds.width(), kRuleInset));
    painter.drawLine(
        QLineF(0, bounds.height() - kRuleInset, bounds.width(), bounds.height() - kRuleInset));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(rounded);
}
