#pragma once

#include "platform/text/ParagraphStyle.h"

#include <QPointer>
#include <QWidget>

namespace platform {

class TextView;

// The horizontal ruler over a TextView: a scale in inches, centimetres, points or picas that
// follows the view's zoom, with the current paragraph's first-line, left and right indents and
// its tab stops. Dragging a marker, clicking to add a left tab, or dragging a tab off the ruler
// changes every selected paragraph as one user edit of the text view (undoable, written back
// like typing). Made and placed by its text view; main thread only.
class RulerView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 26;

    explicit RulerView(TextView* textView);

    TextView* textView() const;

    // "Inches", "Centimeters", "Points" or "Picas"; any other name keeps the current unit.
    QString measurementUnits() const { return m_units; }
    void setMeasurementUnits(const QString& units);
    static double pointsPerUnit(const QString& units);

    // The paragraph style shown (the one where the selection starts).
    const ParagraphStyle& shownStyle() const { return m_style; }
    // Reads the style and the geometry from the text view again.
    void refresh();

    // Ruler x of a distance (points) from the text's leading margin, and back.
    double xForLocation(double points) const;
    double locationForX(double x) const;
    // Where the right indent marker stands, in points from the leading margin.
    double tailLocation() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Marker { None, FirstLine, Head, Tail, Tab, NewTab };
    struct Drag {
        Marker marker = Marker::None;
        double from = 0; // the marker's location when the drag began
        double location = 0;
        bool moved = false;
        bool off = false; // a tab dragged off the ruler
        QPoint pressPoint;
    };

    double pixelsPerPoint() const;
    double contentWidth() const;
    Marker markerAt(const QPoint& point, double* location) const;
    void applyDrag();

    QPointer<TextView> m_textView;
    QString m_units = QStringLiteral("Inches");
    ParagraphStyle m_style;
    double m_originX = 0;
    Drag m_drag;
};

} // namespace platform
