#pragma once

#include <QPushButton>

// A button that sends its command (set through platform::CommandRouter) as soon as the mouse
// goes down rather than when it comes up.
class BXMouseDownActionButton final : public QPushButton {
    Q_OBJECT

public:
    explicit BXMouseDownActionButton(QWidget* parent = nullptr);
};
