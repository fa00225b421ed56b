#pragma once

#include <QMargins>
#include <QString>

#include <functional>

class QWidget;

namespace platform {

class RulerView;

// The ruler over a text view: made when first shown or given units, shown and hidden, placed
// above the viewport (whose top margin makes room for it), and coloured like the text it
// measures, or like the system with the system look. Owned by its text view; main thread only.
class RulerPlacement final {
public:
    // Makes the ruler as the view's child.
    using RulerFactory = std::function<RulerView*()>;
    // Reach the view's viewport margins.
    struct ViewportMargins {
        std::function<QMargins()> get;
        std::function<void(const QMargins& margins)> set;
    };

    RulerPlacement(QWidget& view, RulerFactory makeRuler, ViewportMargins viewportMargins);

    // Null until the ruler was first shown or given units.
    RulerView* ruler() const { return m_ruler; }
    bool isVisible() const;
    void setVisible(bool visible);
    void setMeasurementUnits(const QString& units);
    // Fits the viewport's margin and the ruler to the view's frame.
    void place();

    // With the system look the ruler takes the system's colours, else the view's text colours.
    void setSystemAppearance(bool system);
    void updateAppearance();

private:
    QWidget& m_view;
    RulerFactory m_makeRuler;
    ViewportMargins m_viewportMargins;
    RulerView* m_ruler = nullptr;
    bool m_systemAppearance = true;
};

} // namespace platform
