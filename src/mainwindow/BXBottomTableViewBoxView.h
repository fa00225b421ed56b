#pragma once

#include <QColor>
#include <QFrame>

// A filled box under a list whose fill follows whether its window is the main window: the
// active colour when the window becomes main, the inactive grey when it resigns. Until the
// first change it keeps the fill it was given; colours set later apply at the next change.
// Main thread only.
class BXBottomTableViewBoxView final : public QFrame {
    Q_OBJECT

public:
    explicit BXBottomTableViewBoxView(QWidget* parent = nullptr);

    QColor activeColor() const { return m_activeColor; }
    void setActiveColor(const QColor& color) { m_activeColor = color; }
    QColor inactiveColor() const { return m_inactiveColor; }
    void setInactiveColor(const QColor& color) { m_inactiveColor = color; }
    QColor fillColor() const;
    void setFillColor(const QColor& color);

    void windowBecomeMain();
    void windowResignMain();

private:
    QColor m_activeColor;
    QColor m_inactiveColor;
    bool m_windowIsMain = false;
};
