#include "mainwindow/editor/BXTextColorPopover.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

constexpr int kSwatchWidth = 24;
constexpr int kSwatchHeight = 20;
constexpr int kColumnStep = 26;
constexpr int kRowStep = 23;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 154;
constexpr int kButtonHeight = 24;

QColor rgb(double red, double green, double blue)
{
    return QColor::fromRgbF(float(red), float(green), float(blue));
}

QColor white(double level)
{
    return rgb(level, level, level);
}

} // namespace

BXTextColorPopover::BXTextColorPopover(const QString& otherColorsTitle, QWidget* parent)
    : PopupWidget(parent), m_otherColorsButton(new QPushButton(otherColorsTitle, this))
{
    setFixedSize(kWidth, kHeight);
    setBackgroundRole(QPalette::Base);
    m_otherColorsButton->setFocusPolicy(Qt::NoFocus);
    m_otherColorsButton->setGeometry(
        kMargin, kHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
    connect(m_otherColorsButton, &QPushButton::clicked, this,
        &BXTextColorPopover::otherColorsRequested);
}

const QList<QColor>& BXTextColorPopover::paletteColors()
{
    static const QList<QColor> colors { rgb(0.9, 0.9, 1.0), rgb(0.9, 0.85, 1.0),
        rgb(1.0, 0.85, 0.95), rgb(1.0, 0.9, 0.85), rgb(1.0, 0.95, 0.85), rgb(1.0, 1.0, 0.85),
        rgb(0.6, 0.7, 1.0), rgb(0.7, 0.6, 1.0), rgb(1.0, 0.6, 0.8), rgb(1.0, 0.7, 0.5),
        rgb(1.0, 0.85, 0.4), rgb(1.0, 0.95, 0.5), rgb(0.2, 0.4, 0.9), rgb(0.5, 0.3, 0.9),
        rgb(0.9, 0.2, 0.6), rgb(0.9, 0.3, 0.2), rgb(0.7, 0.5, 0.2), rgb(0.6, 0.6, 0.2),
        rgb(0.1, 0.2, 0.6), rgb(0.3, 0.1, 0.6), rgb(0.6, 0.1, 0.3), rgb(0.6, 0.15, 0.1),
        rgb(0.4, 0.3, 0.1), rgb(0.3, 0.35, 0.1), white(1.0), white(0.85), white(0.6), white(0.4),
        white(0.2), white(0.0) };
    return colors;
}

QRect BXTextColorPopover::swatchRect(int row, int column)
{
    return QRect(
        kMargin + column * kColumnStep, kMargin + row * kRowStep, kSwatchWidth, kSwatchHeight);
}

std::optional<QColor> BXTextColorPopover::colorAt(const QPoint& point)
{
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            if (swatchRect(row, column).contains(point))
                return paletteColors().at(row * kColumns + column);
        }
    }
    return std::nullopt;
}

void BXTextColorPopover::paintEvent(QPaintEvent* event)
{
    PopupWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor separator = palette().color(QPalette::WindowText);
    separator.setAlpha(60);
    painter.setPen(QPen(separator, 0.5));
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            painter.setBrush(paletteColors().at(row * kColumns + column));
            painter.drawRoundedRect(
                QRectF(swatchRect(row, column)).adjusted(0.25, 0.25, -0.25, -0.25), 2, 2);
        }
    }
}

void BXTextColorPopover::mousePressEvent(QMouseEvent* event)
{
    const std::optional<QColor> color
        = event->button() == Qt::LeftButton ? colorAt(event->position().toPoint()) : std::nullopt;
    if (color)
        emit colorChosen(*color);
    else
        PopupWidget::mousePressEvent(event);
}
