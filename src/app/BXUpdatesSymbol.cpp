#include "app/BXUpdatesSymbol.h"

#include <QPainter>
#include <QPainterPath>

QPixmap BXUpdatesSymbol::pixmap(int pointSize, const QColor& color, qreal opacity, qreal pixelRatio)
{
    QPixmap image(QSize(pointSize, pointSize) * pixelRatio);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity);
    // A light weight: the stroke is a small share of the size.
    const qreal stroke = std::max<qreal>(1.0, pointSize / 24.0);
    QPen pen(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const qreal inset = stroke / 2 + pointSize * 0.04;
    const QRectF circle(inset, inset, pointSize - 2 * inset, pointSize - 2 * inset);
    painter.drawEllipse(circle);
    const QPointF centre = circle.center();
    const qreal arm = circle.width() * 0.26;
    QPainterPath arrow;
    arrow.moveTo(centre.x(), centre.y() - arm);
    arrow.lineTo(centre.x(), centre.y() + arm);
    arrow.moveTo(centre.x() - arm * 0.75, centre.y() + arm * 0.25);
    arrow.lineTo(centre.x(), centre.y() + arm);
    arrow.lineTo(centre.x() + arm * 0.75, centre.y() + arm * 0.25);
    painter.drawPath(arrow);
    return image;
}
