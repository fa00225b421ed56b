#pragma once

#include <QColor>
#include <QGradientStops>
#include <QLinearGradient>
#include <QRectF>

class QPainter;

// Helpers for views that draw in unflipped coordinates: origin at the lower left, y upwards.
namespace DrawingAdditions {

// The platform's dark grey: white 1/3.
QColor darkGray();

// Makes `painter` draw in the unflipped coordinates of a view `height` high.
void flip(QPainter& painter, double height);
// A rectangle of a view `height` high between top-left and lower-left origins (either way).
QRectF flipped(const QRectF& rect, double height);

// A linear gradient over `rect` at `degrees` (counter-clockwise from the x axis, in unflipped
// coordinates): the first stop lies on the corner or edge where the direction starts, the last
// on the opposite one.
QLinearGradient angleGradient(const QRectF& rect, double degrees, const QGradientStops& stops);

} // namespace DrawingAdditions
