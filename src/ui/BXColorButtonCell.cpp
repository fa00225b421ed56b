#include "BXColorButtonCell.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

BXColorButtonCell::BXColorButtonCell(QWidget* parent) : QPushButton(parent) { }

void BXColorButtonCell::awakeFromNib()
{
    QTextCharFormat collected;
    if (m_foregroundColor.isValid())
        collected.setForeground(m_foregroundColor);
    if (m_backgroundColor.isValid())
        collected.setBackground(m_backgroundColor);
    if (collected.properties().isEmpty())
        return;
    m_titleFormat.merge(collected);
    update();
}

void BXColorButtonCell::paintEvent(QPaintEvent* event)
{
    if (m_titleFormat.properties().isEmpty()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString title = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect textRect = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QRect titleRect = fontMetrics().boundingRect(textRect, Qt::AlignCenter, title);
    if (m_titleFormat.hasProperty(QTextFormat::BackgroundBrush))
        painter.fillRect(titleRect, m_titleFormat.background());
    painter.setPen(m_titleFormat.hasProperty(QTextFormat::ForegroundBrush)
            ? m_titleFormat.foreground().color()
            : palette().color(QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignCenter, title);
}
