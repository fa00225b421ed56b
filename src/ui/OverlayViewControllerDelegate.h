#pragma once

class OverlayViewController;

// May take over the fades of an overlay message. Each answer is true when the delegate has run
// the fade itself; the default answers false and leaves the fade to the controller.
class OverlayViewControllerDelegate {
public:
    virtual ~OverlayViewControllerDelegate() = default;

    virtual bool overlayViewControllerFadeIn(OverlayViewController* controller);
    virtual bool overlayViewControllerFadeOut(OverlayViewController* controller);
};
