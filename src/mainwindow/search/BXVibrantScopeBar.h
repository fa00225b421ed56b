#pragma once

#include "mainwindow/search/BXScopeBar.h"

// A scope bar that floats over its attached view (overlap mode) with a translucent fill in
// place of a gradient, leaving the one-point row of its border clear. Qt repaints it with
// whatever scrolls beneath, so it needs no watch on the attached view. Main thread.
class BXVibrantScopeBar : public BXScopeBar {
    Q_OBJECT

public:
    static constexpr double kFillAlpha = 0.85;

    explicit BXVibrantScopeBar(QWidget* parent = nullptr);

    // The window colour of the palette, made translucent.
    QColor fillColor() const;

protected:
    void drawBackground(QPainter& painter, const QRectF& bounds) override;
};
