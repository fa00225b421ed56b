#pragma once

#include <QGraphicsView>
#include <QImage>

class QGraphicsPixmapItem;
class QRubberBand;

namespace platform {

// A view in which one picture is edited: the picture as a pixmap item over a QImage, rotated
// in quarter turns and flipped by the item's transform (flips first, then the clockwise
// rotation, which is also how the result is drawn), zoomed by the view's scale, and cropped to
// a rubber band drawn in the select tool mode. The view only shows and reports; whoever owns
// it decides what a tool does to the state. Main thread; emits zoomFactorChanged() and
// selectionChanged().
class ImageEditView : public QGraphicsView {
    Q_OBJECT

public:
    enum class ToolMode { None, Select };

    // Everything that decides what the view shows.
    struct State {
        QImage image;
        int degrees = 0; // clockwise: 0, 90, 180 or 270
        bool flippedHorizontal = false;
        bool flippedVertical = false;

        bool operator==(const State& other) const;
    };

    explicit ImageEditView(QWidget* parent = nullptr);

    const State& state() const { return m_state; }
    void setState(const State& state);
    const QImage& image() const { return m_state.image; }
    // The unrotated picture's size in pixels.
    QSizeF imageSize() const { return m_state.image.size(); }
    // The picture as shown: flipped, turned and (with `zoom`) scaled.
    static QTransform transformFor(const State& state);
    // The state's picture drawn as it shows, at one pixel per pixel: H x W after a quarter turn.
    static QImage render(const State& state);

    ToolMode toolMode() const { return m_toolMode; }
    void setToolMode(ToolMode mode);
    // The rubber band's area in pixels of the unrotated picture; empty when there is none.
    QRect selection() const { return m_selection; }
    void setSelection(const QRect& imageRect);

    double zoomFactor() const { return m_zoomFactor; }
    // Scales the view by `factor` (clamped to 0.05 ... 8) keeping `centerPoint`, in pixels
    // of the unrotated picture, in the middle.
    void setImageZoomFactor(double factor, const QPointF& centerPoint);
    // A rectangle of the shown picture's pixels in the view's units (the zoom applied).
    QRectF convertImageRectToViewRect(const QRectF& imageRect) const;

signals:
    void zoomFactorChanged(double factor);
    void selectionChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateItem();
    QRect imageRectFromViewport(const QRect& viewportRect) const;
    QRect viewportRectFromImage(const QRect& imageRect) const;

    State m_state;
    QGraphicsPixmapItem* m_item;
    QRubberBand* m_rubberBand;
    ToolMode m_toolMode = ToolMode::None;
    QPoint m_dragOrigin;
    bool m_dragging = false;
    QRect m_selection;
    double m_zoomFactor = 1.0;
};

} // namespace platform
