#include "app/BXBigButtonCell.h"

#include <QPainter>

BXBigButtonCell::BXBigButtonCell(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void BXBigButtonCell::setTitles(const QString& heading, const QString& detail)
{
    m_heading = heading;
    m_detail = detail;
    setText(heading + QLatin1Char('\n') + detail);
    setAccessibleName(text());
    updateGeometry();
    update();
}

QRectF BXBigButtonCell::drawingRectForBounds(const QRectF& bounds) const
{
    return bounds.adjusted(m_inset, 0, -m_inset, 0);
}

QSize BXBigButtonCell::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width
        = std::max(metrics.horizontalAdvance(m_heading), metrics.horizontalAdvance(m_detail));
    return QSize(width + int(2 * m_inset) + 16, 2 * metrics.height() + 20);
}

void BXBigButtonCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_hovered || hasFocus() || isDown()) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.setBrush(isDown() ? palette().color(QPalette::Midlight) : Qt::transparent);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    const QRectF content = drawingRectForBounds(rect()).adjusted(0, 8, 0, -8);
    QFont bold = font();
    bold.setBold(true);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.setFont(bold);
    painter.drawText(content, Qt::AlignLeft | Qt::AlignTop, m_heading);
    painter.setFont(font());
    painter.drawText(content, Qt::AlignLeft | Qt::AlignBottom, m_detail);
}

void BXBigButtonCell::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void BXBigButtonCell::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
