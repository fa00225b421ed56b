#include "DrawingAdditions.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace DrawingAdditions {

QColor darkGray()
{
    return QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);
}

void flip(QPainter& painter, double height)
{
    painter.translate(0, height);
    painter.scale(1, -1);
}

QRectF flipped(const QRectF& rect, double height)
{
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}

QLinearGradient angleGradient(const QRectF& rect, double degrees, const QGradientStops& stops)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    const QPointF direction(std::cos(radians), std::sin(radians));
    // The gradient spans the projections of the corners onto the direction.
    const QPointF corners[]
        = { rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight() };
    const QPointF centre = rect.center();
    double low = 0;
    double high = 0;
    for (const QPointF& corner : corners) {
        const QPointF offset = corner - centre;
        const double along = offset.x() * direction.x() + offset.y() * direction.y();
        low = std::min(low, along);
        high = std::max(high, along);
    }
    QLinearGradient gradient(centre + direction * low, centre + direction * high);
    gradient.setStops(stops);
    return gradient;
}

} // namespace DrawingAdditions
