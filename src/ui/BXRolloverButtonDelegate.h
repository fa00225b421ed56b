#pragma once

class BXRolloverButton;

// Told when the pointer enters and leaves a BXRolloverButton.
class BXRolloverButtonDelegate {
public:
    virtual ~BXRolloverButtonDelegate() = default;

    virtual void mouseEnteredInButton(BXRolloverButton* button) = 0;
    virtual void mouseExitedFromButton(BXRolloverButton* button) = 0;
};
