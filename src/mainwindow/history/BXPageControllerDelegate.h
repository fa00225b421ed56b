#pragma once

#include "platform/data/ManagedObject.h"

#include <QString>

#include <optional>

// What a BXPageController asks of the window it serves: whether an entry can still be shown
// and its title, the steps through the recent notes behind Back and Forward, and the three
// steps of moving through the history. The recent-notes methods are optional: nullopt (or
// false) means the delegate does not step through recent notes.
class BXPageControllerDelegate {
public:
    virtual ~BXPageControllerDelegate() = default;

    virtual bool itemAvailable(const platform::ManagedObjectPtr& item) const = 0;
    virtual QString itemTitle(const platform::ManagedObjectPtr& item) const = 0;

    virtual std::optional<bool> canNavigateToPreviousRecent() const { return std::nullopt; }
    virtual std::optional<bool> canNavigateToNextRecent() const { return std::nullopt; }
    // False when the delegate does not step.
    virtual bool navigateToPreviousRecent() { return false; }
    virtual bool navigateToNextRecent() { return false; }

    virtual void pageControllerWillStartLiveTransition() = 0;
    virtual void pageControllerDidTransitionToObject(const platform::ManagedObjectPtr& object) = 0;
    virtual void pageControllerDidEndLiveTransition() = 0;
};
