#pragma once

#include <QImage>
#include <QWidget>

// The plate behind an overlay message: its mask image stretched over the whole view at 85 %
// opacity, or, without one, a dark rounded rectangle drawn at the view's size so its corners
// keep their shape at any width.
class OverlayBackgroundView final : public QWidget {
    Q_OBJECT

public:
    explicit OverlayBackgroundView(QWidget* parent = nullptr);

    // Null: the built-in rounded rectangle.
    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
