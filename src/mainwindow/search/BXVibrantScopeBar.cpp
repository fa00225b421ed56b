#include "mainwindow/search/BXVibrantScopeBar.h"

#include <QPainter>

BXVibrantScopeBar::BXVibrantScopeBar(QWidget* parent) : BXScopeBar(parent)
{
    setStartingColor(QColor());
    setEndingColor(QColor());
    setOverlap(true);
}

QColor BXVibrantScopeBar::fillColor() const
{
    QColor color = palette().color(QPalette::Window);
    color.setAlphaF(float(kFillAlpha));
    return color;
}

void BXVibrantScopeBar::drawBackground(QPainter& painter, const QRectF& bounds)
{
    BXScopeBar::drawBackground(painter, bounds);
    QRectF fill = bounds.adjusted(0, 0, 0, -1);
    if (hideSlidingToBottom())
        fill.translate(0, 1);
    painter.fillRect(fill, fillColor());
}
