#include "WindowTracker.h"

#include <utility>

namespace platform {

namespace {

// Stands in while no user interface has installed a tracker: there are no windows to follow.
class UntrackedWindows final : public WindowTracker {
public:
    WindowController* mainWindowController() const override { return nullptr; }
    WindowController* keyWindowController() const override { return nullptr; }
    QList<WindowController*> orderedWindowControllers() const override { return {}; }
};

WindowTracker* installedTracker = nullptr;

} // namespace

WindowTracker& WindowTracker::current()
{
    if (installedTracker)
        return *installedTracker;
    static UntrackedWindows untracked;
    return untracked;
}

WindowTracker* WindowTracker::setCurrent(WindowTracker* tracker)
{
    return std::exchange(installedTracker, tracker);
}

} // namespace platform
