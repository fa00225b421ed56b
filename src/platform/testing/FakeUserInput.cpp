#include "FakeUserInput.h"

namespace platform {

FakeUserInput::FakeUserInput() : m_previous(UserInput::setCurrent(this)) { }

FakeUserInput::~FakeUserInput()
{
    UserInput::setCurrent(m_previous);
}

} // namespace platform
