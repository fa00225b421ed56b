#pragma once

#include <QColor>
#include <QPixmap>

// The "arrow down in a circle" picture of the update window and the Updates preferences pane,
// drawn in thin strokes of the given colour, for the screen's pixel ratio.
class BXUpdatesSymbol final {
public:
    static QPixmap pixmap(int pointSize, const QColor& color, qreal opacity, qreal pixelRatio);
};
