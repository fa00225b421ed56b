#pragma once

#include <QDateTime>

#include <functional>

namespace platform {

// The calendar date and time, for rules measured in days (the weekly update check). A fake
// scheduler installs a source that moves with its own time, so such rules test without
// waiting. Main thread for setSource().
class WallClock final {
public:
    static QDateTime now();
    // An empty function returns to the system clock.
    static void setSource(std::function<QDateTime()> source);
};

} // namespace platform
