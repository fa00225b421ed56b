#include "UserInput.h"

#include <QApplication>

#include <utility>

namespace platform {

namespace {

UserInput* installedInput = nullptr;

struct ModifierPair {
    Qt::KeyboardModifier qt;
    unsigned mask;
};

constexpr ModifierPair kModifiers[] = {
    { Qt::ShiftModifier, UserInput::kShiftKeyMask },
    { Qt::MetaModifier, UserInput::kControlKeyMask },
    { Qt::AltModifier, UserInput::kOptionKeyMask },
    { Qt::ControlModifier, UserInput::kCommandKeyMask },
};

} // namespace

void UserInput::beep()
{
    ++m_beepCount;
    soundBeep();
}

void UserInput::soundBeep()
{
    QApplication::beep();
}

Qt::KeyboardModifiers UserInput::keyboardModifiers() const
{
    return QGuiApplication::queryKeyboardModifiers();
}

unsigned UserInput::modifierFlagsFor(Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    for (const ModifierPair& pair : kModifiers) {
        if (modifiers.testFlag(pair.qt))
            flags |= pair.mask;
    }
    return flags;
}

Qt::KeyboardModifiers UserInput::keyboardModifiersFor(unsigned flags)
{
    Qt::KeyboardModifiers modifiers;
    for (const ModifierPair& pair : kModifiers) {
        if (flags & pair.mask)
            modifiers |= pair.qt;
    }
    return modifiers;
}

UserInput& UserInput::current()
{
    static UserInput real;
    return installedInput ? *installedInput : real;
}

UserInput* UserInput::setCurrent(UserInput* input)
{
    return std::exchange(installedInput, input);
}

} // namespace platform
