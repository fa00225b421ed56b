#pragma once

class QString;
class QWidget;

// Placement checks on top-level windows. Main thread only.
namespace WindowAdditions {

// Centres `window` on its screen (the primary one when it lies on none) when it lies on no
// screen or its top edge reaches above the top of its screen's available area; otherwise
// leaves it where it is. Used after a frame has been restored from saved state.
void validateWindowPosition(QWidget* window);

// The window's frame and its screen's available area as "x y w h sx sy sw sh", the form saved
// in window state; empty for no window.
QString savedFrameString(const QWidget* window);
// Gives the window the frame of a savedFrameString() (the screen part may be left out); when
// the saved screen area is no longer there, the frame keeps its place relative to the screen
// the window is now on. False, leaving the window alone, for anything else.
bool setFrameFromString(QWidget* window, const QString& saved);

} // namespace WindowAdditions
