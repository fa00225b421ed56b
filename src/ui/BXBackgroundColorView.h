#pragma once

#include <QColor>
#include <QWidget>

// A view filled with one colour, or drawing nothing of its own while the colour is unset.
// Main thread.
class BXBackgroundColorView final : public QWidget {
    Q_OBJECT

public:
    explicit BXBackgroundColorView(QWidget* parent = nullptr);
    explicit BXBackgroundColorView(const QColor& color, QWidget* parent = nullptr);

    // Invalid: unset.
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backgroundColor;
};
