#pragma once

#include <Qt>

namespace platform {

// The user's side of the keyboard and speaker: the system beep and the modifier keys held
// now. The real one sounds the beep and asks the window system; tests install a fake that
// counts beeps and holds whatever keys the test presses. Main thread only.
class UserInput {
public:
    // The platform's modifier masks, as stored files and the design name them.
    static constexpr unsigned kShiftKeyMask = 0x20000;
    static constexpr unsigned kControlKeyMask = 0x40000;
    static constexpr unsigned kOptionKeyMask = 0x80000;
    static constexpr unsigned kCommandKeyMask = 0x100000;

    virtual ~UserInput() = default;

    // Sounds the beep and counts it.
    void beep();
    int beepCount() const { return m_beepCount; }

    virtual Qt::KeyboardModifiers keyboardModifiers() const;
    // The held modifiers as the platform's masks.
    unsigned modifierFlags() const { return modifierFlagsFor(keyboardModifiers()); }

    // Command is Ctrl, Option is Alt and Control is Meta.
    static unsigned modifierFlagsFor(Qt::KeyboardModifiers modifiers);
    static Qt::KeyboardModifiers keyboardModifiersFor(unsigned flags);

    // The input in force: the real one unless a test set another.
    static UserInput& current();
    // Installs `input` (not owned) and returns the one it replaces; nullptr restores the real
    // one.
    static UserInput* setCurrent(UserInput* input);

protected:
    virtual void soundBeep();

private:
    int m_beepCount = 0;
};

} // namespace platform
