#include "Stepper.h"

#include "platform/foundation/Localized.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

Stepper::Stepper(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::TabFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto [button, arrow, direction] :
        { std::tuple { m_up, Qt::UpArrow, 1 }, std::tuple { m_down, Qt::DownArrow, -1 } }) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, dir = direction] { step(dir); });
    }
    m_up->setAccessibleName(localized(QStringLiteral("Increase")));
    m_down->setAccessibleName(localized(QStringLiteral("Decrease")));
    updateButtons();
}

void Stepper::setMinimum(double minimum)
{
    m_minimum = minimum;
    m_maximum = std::max(m_maximum, minimum);
    setValue(m_value);
}

void Stepper::setMaximum(double maximum)
{
    m_maximum = maximum;
    m_minimum = std::min(m_minimum, maximum);
    setValue(m_value);
}

void Stepper::setIncrement(double increment)
{
    if (increment > 0)
        m_increment = increment;
}

void Stepper::setValue(double value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
    updateButtons();
}

void Stepper::step(int direction)
{
    if (direction == 0)
        return;
    stepTo(m_value + (direction > 0 ? m_increment : -m_increment));
}

void Stepper::stepTo(double value)
{
    const double before = m_value;
    setValue(value);
    if (m_value != before)
        emit stepped(m_value);
}

void Stepper::updateButtons()
{
    m_up->setEnabled(m_value < m_maximum);
    m_down->setEnabled(m_value > m_minimum);
}

void Stepper::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        step(1);
    else if (event->key() == Qt::Key_Down)
        step(-1);
    else
        QWidget::keyPressEvent(event);
}

QSize Stepper::sizeHint() const
{
    return { 19, 22 };
}

} // namespace platform
