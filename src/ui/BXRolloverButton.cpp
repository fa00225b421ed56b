#include "BXRolloverButton.h"

#include "BXRolloverButtonDelegate.h"

BXRolloverButton::BXRolloverButton(QWidget* parent) : QPushButton(parent) { }

// Neither event reaches the base button: the delegate decides what the pointer does.
void BXRolloverButton::enterEvent(QEnterEvent*)
{
    if (m_delegate)
        m_delegate->mouseEnteredInButton(this);
}

void BXRolloverButton::leaveEvent(QEvent*)
{
    if (m_delegate)
        m_delegate->mouseExitedFromButton(this);
}
