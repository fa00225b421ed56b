#pragma once

#include <QPalette>

namespace platform {

// The looks a text view can take.
enum class TextAppearance { System, Light, Dark };

// The colours of a text view in each look: the application's with the system look, fixed light
// and dark ones otherwise.
class TextViewPalette final {
public:
    static QPalette palette(TextAppearance appearance);
};

} // namespace platform
