#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

namespace platform {

// Shows one picture, scaled and aligned within the view by the platform's numeric codes, which
// stored interface settings use. Main thread.
class ImageView : public QWidget {
    Q_OBJECT

public:
    enum Scaling {
        ScaleProportionallyDown = 0,
        ScaleAxesIndependently = 1,
        ScaleNone = 2,
        ScaleProportionallyUpOrDown = 3,
    };
    enum Alignment {
        AlignCenter = 0,
        AlignTop = 1,
        AlignTopLeft = 2,
        AlignTopRight = 3,
        AlignLeft = 4,
        AlignBottom = 5,
        AlignBottomLeft = 6,
        AlignBottomRight = 7,
        AlignRight = 8,
    };

    explicit ImageView(QWidget* parent = nullptr);

    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);
    int imageScaling() const { return m_scaling; }
    void setImageScaling(int scaling);
    int imageAlignment() const { return m_alignment; }
    void setImageAlignment(int alignment);

    // The picture's size once scaled into `frame` by `scaling`; an unknown code keeps it.
    static QSizeF scaledSize(const QSizeF& imageSize, const QSizeF& frame, int scaling);
    // Where the picture lies in `bounds` (top-left origin); an unknown alignment centres it.
    static QRectF imageRect(
        const QSizeF& imageSize, const QRectF& bounds, int scaling, int alignment);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    int m_scaling = ScaleProportionallyDown;
    int m_alignment = AlignCenter;
};

} // namespace platform
