#include "BXFadingCap.h"

#include "DrawingAdditions.h"

#include <QPainter>

BXFadingCap::BXFadingCap(QWidget* parent) : QWidget(parent) { }

void BXFadingCap::setBottomCap(bool bottomCap)
{
    m_bottomCap = bottomCap;
    update();
}

void BXFadingCap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawingAdditions::flip(painter, height());
    QColor opaque = palette().color(QPalette::Base);
    opaque.setAlphaF(1.0f);
    QColor clear = opaque;
    clear.setAlphaF(0.0f);
    const QRectF bounds(0, 0, width(), height());
    // At 90 degrees the first colour lies on the bottom edge.
    painter.fillRect(bounds,
        DrawingAdditions::angleGradient(bounds, 90,
            { { 0.0, m_bottomCap ? opaque : clear }, { 1.0, m_bottomCap ? clear : opaque } }));
}
