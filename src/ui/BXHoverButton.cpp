#include "BXHoverButton.h"

#include <QPainter>

BXHoverButton::BXHoverButton(QWidget* parent) : QPushButton(parent)
{
    setFlat(true);
    setAttribute(Qt::WA_Hover);
}

QRectF BXHoverButton::hoverCircle(const QRectF& bounds)
{
    const double d = std::min(bounds.width(), bounds.height());
    return QRectF(
        bounds.x() + (bounds.width() - d) / 2, bounds.y() + (bounds.height() - d) / 2, d, d);
}

QColor BXHoverButton::hoverColor(bool dark)
{
    return dark ? QColor::fromRgbF(1, 1, 1, 0.1f) : QColor::fromRgbF(0, 0, 0, 0.08f);
}

bool BXHoverButton::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

void BXHoverButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (!isActiveWindow())
        return;
    m_hovering = true;
    update();
}

void BXHoverButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    m_hovering = false;
    update();
}

void BXHoverButton::resetHoverState()
{
    if (!m_hovering)
        return;
    m_hovering = false;
    update();
}

void BXHoverButton::paintEvent(QPaintEvent* event)
{
    if (m_hovering) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(hoverColor(isDark(palette())));
        painter.drawEllipse(hoverCircle(rect()));
    }
    QPushButton::paintEvent(event);
}
