#include "OverlayBackgroundView.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double kOpacity = 0.85;
constexpr double kCornerRadius = 12.0;

} // namespace

OverlayBackgroundView::OverlayBackgroundView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OverlayBackgroundView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void OverlayBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(kOpacity);
    if (!m_image.isNull()) {
        painter.drawImage(rect(), m_image);
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(path, QColor(24, 24, 24));
}
