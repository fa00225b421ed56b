#pragma once

#include "platform/appkit/UserInput.h"

namespace platform {

// User input for tests: beeps are counted but silent, and the held modifiers are whatever the
// test sets. Installs itself while it lives and puts the previous input back when it goes.
class FakeUserInput final : public UserInput {
public:
    FakeUserInput();
    ~FakeUserInput() override;
    FakeUserInput(const FakeUserInput&) = delete;
    FakeUserInput& operator=(const FakeUserInput&) = delete;

    Qt::KeyboardModifiers keyboardModifiers() const override { return m_modifiers; }
    void setKeyboardModifiers(Qt::KeyboardModifiers modifiers) { m_modifiers = modifiers; }

protected:
    void soundBeep() override { }

private:
    UserInput* m_previous;
    Qt::KeyboardModifiers m_modifiers;
};

} // namespace platform
