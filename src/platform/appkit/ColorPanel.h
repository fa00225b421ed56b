#pragma once

#include "SharedPanel.h"

#include <QColor>

class QColorDialog;

namespace platform {

// The application's one colour panel: a non-modal colour dialog whose choice applies while it
// changes. Each change the user makes is emitted as colorChanged() and sent along the responder
// chain as "changeColor:" with the colour as represented object, so the text view that is first
// responder in the main window takes it.
class ColorPanel final : public SharedPanel {
    Q_OBJECT

public:
    static inline const QString kChangeColorAction = QStringLiteral("changeColor:");

    static ColorPanel& shared();

    QColor panelColor() const { return m_color; }
    // Shows `color` in the panel without applying it anywhere.
    void setPanelColor(const QColor& color);

    QColorDialog* dialog();

signals:
    void colorChanged(const QColor& color);

private:
    ColorPanel();
    QDialog* makeDialog() override;

    QColor m_color;
};

} // namespace platform
