#pragma once

#include <QWidget>

class QToolButton;

namespace platform {

// Two small arrow buttons that step a double value up and down by an increment between a
// minimum and a maximum, stopping at either end (no wrapping). The value is kept exactly as
// set (a spin box would round it to its decimals). Arrow keys step too. Main thread only;
// emits stepped() only for the user's steps, not for setValue().
class Stepper : public QWidget {
    Q_OBJECT

public:
    explicit Stepper(QWidget* parent = nullptr);

    double minimum() const { return m_minimum; }
    void setMinimum(double minimum);
    double maximum() const { return m_maximum; }
    void setMaximum(double maximum);
    double increment() const { return m_increment; }
    void setIncrement(double increment);

    double value() const { return m_value; }
    // Clamped to the range.
    void setValue(double value);

    // Steps as one click on an arrow does: `direction` > 0 up, < 0 down.
    void step(int direction);
    // Moves to `value` (clamped) as the user's steps would, emitting stepped() if it changed.
    void stepTo(double value);

    QSize sizeHint() const override;

signals:
    void stepped(double value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateButtons();

    QToolButton* m_up;
    QToolButton* m_down;
    double m_minimum = 0;
    double m_maximum = 59;
    double m_increment = 1;
    double m_value = 0;
};

} // namespace platform
