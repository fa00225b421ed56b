#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>

class QColorDialog;

namespace platform {

// The application's one colour panel: a non-modal colour dialog whose choice applies while it
// changes. Each change the user makes is emitted as colorChanged() and sent along the responder
// chain as "changeColor:" with the colour as represented object, so the text view that is first
// responder in the main window takes it. Main thread only.
class ColorPanel final : public QObject {
    Q_OBJECT

public:
    static inline const QString kChangeColorAction = QStringLiteral("changeColor:");

    static ColorPanel& shared();
    ~ColorPanel() override;

    // Shows the panel (made on first use) without taking the focus away for good.
    void orderFront();
    void close();
    bool isVisible() const;

    QColor panelColor() const;
    // Shows `color` in the panel without applying it anywhere.
    void setPanelColor(const QColor& color);

    QColorDialog* dialog();

signals:
    void colorChanged(const QColor& color);

private:
    ColorPanel() = default;

    QPointer<QColorDialog> m_dialog;
    QColor m_color;
    bool m_settingColor = false;
};

} // namespace platform
