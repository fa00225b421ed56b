#include "BXMouseDownActionButton.h"

#include "platform/appkit/CommandRouter.h"

BXMouseDownActionButton::BXMouseDownActionButton(QWidget* parent) : QPushButton(parent)
{
    platform::CommandRouter::shared().connectButton(this, true);
}
