#pragma once

class QWidget;

// Placement checks on top-level windows. Main thread only.
namespace WindowAdditions {

// Centres `window` on its screen (the primary one when it lies on none) when it lies on no
// screen or its top edge reaches above the top of its screen's available area; otherwise
// leaves it where it is. Used after a frame has been restored from saved state.
void validateWindowPosition(QWidget* window);

} // namespace WindowAdditions
