#include "AccessibleStepper.h"

#include "platform/appkit/Stepper.h"

namespace platform {

AccessibleStepper::AccessibleStepper(Stepper* stepper)
    : QAccessibleWidget(stepper, QAccessible::SpinBox)
{ }

Stepper* AccessibleStepper::stepper() const
{
    return static_cast<Stepper*>(widget());
}

void* AccessibleStepper::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant AccessibleStepper::currentValue() const
{
    return stepper()->value();
}

void AccessibleStepper::setCurrentValue(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok && stepper()->isEnabled())
        stepper()->stepTo(number);
}

QVariant AccessibleStepper::maximumValue() const
{
    return stepper()->maximum();
}

QVariant AccessibleStepper::minimumValue() const
{
    return stepper()->minimum();
}

QVariant AccessibleStepper::minimumStepSize() const
{
    return stepper()->increment();
}

} // namespace platform
