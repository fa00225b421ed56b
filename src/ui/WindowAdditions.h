#pragma once

#include <QList>
#include <QMargins>
#include <QRect>

class QString;
class QWidget;

// Placement checks on top-level windows. Main thread only.
namespace WindowAdditions {

// Centres `window` on its screen (the primary one when it lies on none) when it lies on no
// screen or its top edge reaches above the top of its screen's available area, then fits it
// into that area. Used after a frame has been restored from saved state.
void validateWindowPosition(QWidget* window);

// Centres a window that is not shown yet on the primary screen's available area.
void centerOnScreen(QWidget* window);

// `frame` (a window's own area) moved, and shrunk where it is larger, so that with its
// decoration `margins` it lies inside `area`; never smaller than `minimum`, and when even that
// is too large its top left corner stays inside.
QRect fittedFrame(QRect frame, const QRect& area, const QSize& minimum, const QMargins& margins);
// Fits a top-level window into the available area of the screen holding most of it (the
// primary screen when it lies on none).
void fitIntoAvailableArea(QWidget* window);

// A window opening where one of `others` (visible ones) stands moves a step down and to the
// right, as many steps as that takes, so that each shows its title; a window that moves is
// fitted into the available area first, as it would be once shown. A step that would leave
// the area shrinks the window to it, down to its minimum size, and beyond that starts again at
// the area's top left corner.
void cascade(QWidget* window, const QList<QWidget*>& others);

// The window's frame and its screen's available area as "x y w h sx sy sw sh", the form saved
// in window state; empty for no window.
QString savedFrameString(const QWidget* window);
// Gives the window the frame of a savedFrameString() (the screen part may be left out); when
// the saved screen area is no longer there, the frame keeps its place relative to the screen
// the window is now on; a frame larger than the screen's available area is shrunk to it. False,
// leaving the window alone, for anything else.
bool setFrameFromString(QWidget* window, const QString& saved);

} // namespace WindowAdditions
