#include "platform/appkit/UserInput.h"
#include "platform/testing/FakeUserInput.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(UserInput, ModifiersMapToThePlatformMasksAndBack)
{
    struct Case {
        const char* name;
        Qt::KeyboardModifiers modifiers;
        unsigned flags;
    };
    const Case cases[] = {
        { "none", Qt::NoModifier, 0 },
        { "command is Ctrl", Qt::ControlModifier, 0x100000 },
        { "option is Alt", Qt::AltModifier, 0x80000 },
        { "control is Meta", Qt::MetaModifier, 0x40000 },
        { "shift", Qt::ShiftModifier, 0x20000 },
        { "command and shift", Qt::ControlModifier | Qt::ShiftModifier, 0x120000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UserInput::modifierFlagsFor(c.modifiers), c.flags);
        EXPECT_EQ(UserInput::keyboardModifiersFor(c.flags), c.modifiers);
    }
    // Keypad and other flags have no platform mask.
    EXPECT_EQ(UserInput::modifierFlagsFor(Qt::KeypadModifier), 0u);
}

TEST(UserInput, FakeCountsBeepsHoldsModifiersAndPutsThePreviousInputBack)
{
    UserInput* before = &UserInput::current();
    {
        FakeUserInput input;
        EXPECT_EQ(&UserInput::current(), &input);
        UserInput::current().beep();
        UserInput::current().beep();
        EXPECT_EQ(input.beepCount(), 2);
        input.setKeyboardModifiers(Qt::AltModifier | Qt::ShiftModifier);
        EXPECT_EQ(UserInput::current().modifierFlags(), 0xA0000u);
    }
    EXPECT_EQ(&UserInput::current(), before);
}
