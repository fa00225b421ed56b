#pragma once

#include "platform/appkit/ImageView.h"

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>

// The welcome window's header: a background with a bottom border and a gradient; with a source
// image view, also a faded mirror image of its picture under it and a large title with a line
// of comment under that. Drawn in unflipped coordinates (origin at the lower left); the
// geometry comes from the static functions below. A colour left unset (invalid) skips the fill
// or stroke it would paint. Main thread.
class BXGradientView final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kTitlePointSize = 30.0;
    static constexpr double kReflectionOpacity = 0.85;

    // Sets the defaults: white background, gradient from white 0.9 to white 0.1 over the lower
    // half at 90 degrees, dark grey border.
    explicit BXGradientView(const QRect& frame, QWidget* parent = nullptr);

    // Not owned; a sibling or child whose frame places the reflection and the title.
    platform::ImageView* sourceImageView() const { return m_sourceImageView; }
    void setSourceImageView(platform::ImageView* view) { m_sourceImageView = view; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }
    QColor startingColor() const { return m_startingColor; }
    void setStartingColor(const QColor& color) { m_startingColor = color; }
    QColor endingColor() const { return m_endingColor; }
    void setEndingColor(const QColor& color) { m_endingColor = color; }
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color) { m_borderColor = color; }
    QRectF gradientArea() const { return m_gradientArea; }
    void setGradientArea(const QRectF& area) { m_gradientArea = area; }
    qint64 angle() const { return m_angle; }
    void setAngle(qint64 degrees) { m_angle = degrees; }
    QString welcomeString() const { return m_welcomeString; }
    void setWelcomeString(const QString& text) { m_welcomeString = text; }
    QString commentString() const { return m_commentString; }
    void setCommentString(const QString& text) { m_commentString = text; }

    // Geometry, all in unflipped coordinates; `imageFrame` is the image view's frame.
    static QRectF mainGradientRect(const QRectF& imageFrame, double viewWidth);
    static QRectF reflectionRect(const QRectF& imageFrame);
    // Where the picture of `pictureSize` starts within the reflection by the image view's
    // alignment code.
    static QPointF reflectionOrigin(int alignment, const QSizeF& frame, const QSizeF& pictureSize);
    // Centred under the image view's reflection.
    static QRectF titleRect(const QRectF& imageFrame, const QSizeF& titleSize);
    static QRectF commentRect(const QRectF& titleRect, const QSizeF& commentSize);

    // The image view's frame in this view, unflipped; null without an image view.
    QRectF sourceImageFrame() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawReflection(QPainter& painter, const QRectF& imageFrame) const;
    void drawTitle(QPainter& painter, const QRectF& imageFrame) const;

    QPointer<platform::ImageView> m_sourceImageView;
    QColor m_backgroundColor;
    QColor m_startingColor;
    QColor m_endingColor;
    QColor m_borderColor;
    QRectF m_gradientArea;
    qint64 m_angle = 0;
    QString m_welcomeString;
    QString m_commentString;
};
