#pragma once

#include <QColor>
#include <QPushButton>
#include <QRectF>

// A borderless button that shows a faint circle under the pointer, only while its window is
// the active one. Main thread.
class BXHoverButton final : public QPushButton {
    Q_OBJECT

public:
    explicit BXHoverButton(QWidget* parent = nullptr);

    bool isHovering() const { return m_hovering; }
    void resetHoverState();

    // The circle: the largest that fits, centred in `bounds`.
    static QRectF hoverCircle(const QRectF& bounds);
    // White at 0.1 on a dark window, black at 0.08 otherwise.
    static QColor hoverColor(bool dark);
    // A window colour of lightness below 128 makes the appearance dark.
    static bool isDark(const QPalette& palette);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_hovering = false;
};
