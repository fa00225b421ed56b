#include "OverlayViewControllerDelegate.h"

bool OverlayViewControllerDelegate::overlayViewControllerFadeIn(OverlayViewController*)
{
    return false;
}

bool OverlayViewControllerDelegate::overlayViewControllerFadeOut(OverlayViewController*)
{
    return false;
}
