#pragma once

#include <QAccessibleWidget>

namespace platform {

class Stepper;

// What assistive technology sees of a stepper: a spin box whose value can be read and set,
// a value set through it counting as the user's step. Made by Qt's accessibility cache for
// each stepper; main thread only.
class AccessibleStepper final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleStepper(Stepper* stepper);

    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    Stepper* stepper() const;
};

} // namespace platform
