#include "BXGradientView.h"

#include "DrawingAdditions.h"

#include "platform/appkit/ImageView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace {

QColor whiteLevel(double white, double alpha)
{
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}

// The colour a two-colour gradient shows at `location` (0 to 1).
QColor colourAt(const QColor& start, const QColor& end, double location)
{
    const auto mix = [location](float a, float b) { return float(a + (b - a) * location); };
    return QColor::fromRgbF(mix(start.redF(), end.redF()), mix(start.greenF(), end.greenF()),
        mix(start.blueF(), end.blueF()), mix(start.alphaF(), end.alphaF()));
}

QFont titleFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(BXGradientView::kTitlePointSize);
    font.setBold(true);
    return font;
}

} // namespace

BXGradientView::BXGradientView(const QRect& frame, QWidget* parent)
    : QWidget(parent),
      m_backgroundColor(Qt::white),
      m_startingColor(whiteLevel(0.9, 1.0)),
      m_endingColor(whiteLevel(0.1, 1.0)),
      m_borderColor(DrawingAdditions::darkGray()),
      m_gradientArea(0, 0, frame.width(), frame.height() * 0.5),
      m_angle(90)
{
    setGeometry(frame);
}

QRectF BXGradientView::mainGradientRect(const QRectF& imageFrame, double viewWidth)
{
    return QRectF(0, imageFrame.y() - imageFrame.height() * 5 / 6, viewWidth, imageFrame.height());
}

QRectF BXGradientView::reflectionRect(const QRectF& imageFrame)
{
    return QRectF(imageFrame.x(), imageFrame.y() - 0.75 * imageFrame.height(), imageFrame.width(),
        0.75 * imageFrame.height());
}

QPointF BXGradientView::reflectionOrigin(
    int alignment, const QSizeF& frame, const QSizeF& pictureSize)
{
    const float dx = float(frame.width() - pictureSize.width());
    const float dy = float(frame.height() - pictureSize.height());
    const float halfX = std::max(0.0f, dx / 2);
    const float halfY = std::max(0.0f, dy / 2);
    switch (alignment) {
    case platform::ImageView::AlignCenter:
        return { halfX, halfY };
    case platform::ImageView::AlignTop:
        return { halfX, dy };
    case platform::ImageView::AlignTopRight:
        return { dx, dy };
    case platform::ImageView::AlignLeft:
        return { 0, halfY };
    case platform::ImageView::AlignBottom:
        return { halfX, 0 };
    case platform::ImageView::AlignBottomRight:
    case platform::ImageView::AlignRight:
        return { dx, 0 };
    default:
        return { 0, 0 };
    }
}

QRectF BXGradientView::titleRect(const QRectF& imageFrame, const QSizeF& titleSize)
{
    // Under the reflection, whose picture would show through the letters.
    QRectF rect(imageFrame.x() + imageFrame.width() / 2 - titleSize.width() / 2,
        reflectionRect(imageFrame).y() - titleSize.height(), titleSize.width(), titleSize.height());
    if (rect.x() < 0)
        rect.moveLeft(20.0);
    return rect;
}

QRectF BXGradientView::commentRect(const QRectF& titleRect, const QSizeF& commentSize)
{
    return QRectF(titleRect.x() + (titleRect.width() - commentSize.width()) / 2,
        titleRect.y() - commentSize.height(), commentSize.width(), commentSize.height());
}

QRectF BXGradientView::sourceImageFrame() const
{
    if (!m_sourceImageView)
        return {};
    const QRectF frame(mapFromGlobal(m_sourceImageView->mapToGlobal(QPoint(0, 0))),
        QSizeF(m_sourceImageView->size()));
    return DrawingAdditions::flipped(frame, height());
}

void BXGradientView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_backgroundColor.isValid())
        painter.fillRect(event->rect(), m_backgroundColor);
    DrawingAdditions::flip(painter, height());
    if (m_borderColor.isValid()) {
        // The visible half of a rule on the bottom edge.
        painter.setPen(m_borderColor);
        painter.drawLine(QLineF(0, 0.5, width(), 0.5));
    }
    const bool hasColours = m_startingColor.isValid() && m_endingColor.isValid();
    if (!m_sourceImageView) {
        if (hasColours && m_startingColor != m_endingColor)
            painter.fillRect(m_gradientArea,
                DrawingAdditions::angleGradient(m_gradientArea, double(m_angle),
                    { { 0.0, m_startingColor }, { 1.0, m_endingColor } }));
        return;
    }
    const QRectF imageFrame = sourceImageFrame();
    if (hasColours) {
        const QRectF band = mainGradientRect(imageFrame, width());
        painter.fillRect(band,
            DrawingAdditions::angleGradient(
                band, double(m_angle), { { 0.0, m_startingColor }, { 1.0, m_endingColor } }));
        drawReflection(painter, imageFrame);
    }
    drawTitle(painter, imageFrame);
}

void BXGradientView::drawReflection(QPainter& painter, const QRectF& imageFrame) const
{
    const QRectF reflection = reflectionRect(imageFrame);
    const QSize size(int(std::ceil(reflection.width())), int(std::ceil(reflection.height())));
    if (size.isEmpty())
        return;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        // The image is drawn top-down, as a flipped context draws.
        QPainter mirror(&image);
        const QRectF whole(QPointF(0, 0), QSizeF(size));
        mirror.fillRect(whole,
            DrawingAdditions::angleGradient(whole, double(m_angle),
                { { 0.0, colourAt(m_startingColor, m_endingColor, 0.75) },
                    { 1.0, m_startingColor } }));
        const QImage picture = m_sourceImageView->image();
        if (!picture.isNull()) {
            const QSizeF pictureSize
                = platform::ImageView::scaledSize(picture.deviceIndependentSize(),
                    imageFrame.size(), m_sourceImageView->imageScaling());
            const QPointF origin = reflectionOrigin(
                m_sourceImageView->imageAlignment(), imageFrame.size(), pictureSize);
            // Keeps the picture only where the gradient is, upside down.
            mirror.setCompositionMode(QPainter::CompositionMode_SourceIn);
            mirror.translate(origin.x(), origin.y() + pictureSize.height());
            mirror.scale(1, -1);
            mirror.drawImage(QRectF(QPointF(0, 0), pictureSize), picture);
        }
    }
    painter.save();
    painter.resetTransform();
    painter.setOpacity(kReflectionOpacity);
    painter.drawImage(DrawingAdditions::flipped(reflection, height()), image);
    painter.restore();
}

void BXGradientView::drawTitle(QPainter& painter, const QRectF& imageFrame) const
{
    if (m_welcomeString.isNull())
        return;
    const QFont font = titleFont();
    const QSizeF titleSize = QFontMetricsF(font).size(Qt::TextSingleLine, m_welcomeString);
    const QRectF title = titleRect(imageFrame, titleSize);
    const QSize imageSize(int(std::ceil(titleSize.width())), int(std::ceil(titleSize.height())));
    if (imageSize.isEmpty())
        return;
    QImage text(imageSize, QImage::Format_ARGB32_Premultiplied);
    text.fill(Qt::transparent);
    {
        QPainter letters(&text);
        letters.setFont(font);
        letters.setPen(Qt::black);
        letters.drawText(
            QRectF(QPointF(0, 0), titleSize), Qt::AlignLeft | Qt::AlignTop, m_welcomeString);
        // The gradient fills the letters.
        letters.setCompositionMode(QPainter::CompositionMode_SourceIn);
        DrawingAdditions::flip(letters, imageSize.height());
        const QRectF whole(QPointF(0, 0), QSizeF(imageSize));
        letters.fillRect(whole,
            DrawingAdditions::angleGradient(whole, double(m_angle),
                { { 0.0, whiteLevel(0.05, 1.0) }, { 1.0, whiteLevel(0.25, 0.4) } }));
    }
    QImage shadow = text;
    {
        QPainter tint(&shadow);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(shadow.rect(), QColor::fromRgbF(0, 0, 0, 0.4f));
    }
    // Softened by scaling down and back up: near enough to a blur of two points.
    shadow = shadow.scaled(imageSize / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                 .scaled(imageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    painter.save();
    painter.resetTransform();
    const QRectF target = DrawingAdditions::flipped(title, height());
    painter.drawImage(target.translated(0, 2), shadow);
    painter.setOpacity(0.95);
    painter.drawImage(target, text);
    painter.restore();

    if (m_commentString.isNull())
        return;
    const QFont commentFont = QApplication::font();
    const QSizeF commentSize = QFontMetricsF(commentFont).size(Qt::TextSingleLine, m_commentString);
    painter.save();
    painter.resetTransform();
    painter.setFont(commentFont);
    painter.setPen(DrawingAdditions::darkGray());
    painter.drawText(DrawingAdditions::flipped(commentRect(title, commentSize), height()),
        Qt::AlignLeft | Qt::AlignTop, m_commentString);
    painter.restore();
}
