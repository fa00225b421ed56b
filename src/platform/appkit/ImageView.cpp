#include "ImageView.h"

#include <QPainter>

#include <algorithm>

namespace platform {

ImageView::ImageView(QWidget* parent) : QWidget(parent) { }

void ImageView::setImage(const QImage& image)
{
    m_image = image;
    updateGeometry();
    update();
}

void ImageView::setImageScaling(int scaling)
{
    m_scaling = scaling;
    update();
}

void ImageView::setImageAlignment(int alignment)
{
    m_alignment = alignment;
    update();
}

QSizeF ImageView::scaledSize(const QSizeF& imageSize, const QSizeF& frame, int scaling)
{
    if (imageSize.isEmpty() || imageSize == frame)
        return imageSize;
    // The factor is kept in single precision, as the platform computes it.
    const auto fit = [&] {
        const float factor = float(
            std::min(frame.width() / imageSize.width(), frame.height() / imageSize.height()));
        return imageSize * double(factor);
    };
    switch (scaling) {
    case ScaleProportionallyUpOrDown:
        return fit();
    case ScaleAxesIndependently:
        return frame;
    case ScaleProportionallyDown:
        if (imageSize.width() > frame.width() || imageSize.height() > frame.height())
            return fit();
        return imageSize;
    default:
        return imageSize;
    }
}

QRectF ImageView::imageRect(
    const QSizeF& imageSize, const QRectF& bounds, int scaling, int alignment)
{
    const QSizeF size = scaledSize(imageSize, bounds.size(), scaling);
    const double dx = bounds.width() - size.width();
    const double dy = bounds.height() - size.height();
    double x = dx / 2;
    double y = dy / 2;
    switch (alignment) {
    case AlignTop:
        y = 0;
        break;
    case AlignTopLeft:
        x = 0;
        y = 0;
        break;
    case AlignTopRight:
        x = dx;
        y = 0;
        break;
    case AlignLeft:
        x = 0;
        break;
    case AlignBottom:
        y = dy;
        break;
    case AlignBottomLeft:
        x = 0;
        y = dy;
        break;
    case AlignBottomRight:
        x = dx;
        y = dy;
        break;
    case AlignRight:
        x = dx;
        break;
    default:
        break;
    }
    return QRectF(bounds.topLeft() + QPointF(x, y), size);
}

QSize ImageView::sizeHint() const
{
    return m_image.isNull() ? QWidget::sizeHint() : m_image.deviceIndependentSize().toSize();
}

void ImageView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        imageRect(m_image.deviceIndependentSize(), rect(), m_scaling, m_alignment), m_image);
}

} // namespace platform
