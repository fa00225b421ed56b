#pragma once

#include <cmath>

namespace platform {

// Qt lays text out in pixels at 96 per inch; attributed text counts points. Points read back
// are rounded to 1/10000 so that lengths survive the trip unchanged.
class TextUnits final {
public:
    static double pointsToPixels(double points) { return points * 96.0 / 72.0; }
    static double pixelsToPoints(double pixels)
    {
        return std::round(pixels * 72.0 / 96.0 * 10000.0) / 10000.0;
    }
};

} // namespace platform
