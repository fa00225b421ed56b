#include "BXBackgroundColorView.h"

#include <QPainter>

BXBackgroundColorView::BXBackgroundColorView(QWidget* parent) : QWidget(parent) { }

BXBackgroundColorView::BXBackgroundColorView(const QColor& color, QWidget* parent)
    : QWidget(parent), m_backgroundColor(color)
{ }

void BXBackgroundColorView::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void BXBackgroundColorView::paintEvent(QPaintEvent*)
{
    if (!m_backgroundColor.isValid())
        return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(rect(), m_backgroundColor);
}
