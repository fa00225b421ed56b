#pragma once

#include "platform/foundation/Dispatch.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace platform {

class Error;

// When a document autosaves: kDelay after its latest change, never later than kLongestDelay
// after the first change not yet autosaved, and again after each failed autosave, since the
// changes are only in memory until one succeeds. A run of failures is told to the user once, in
// a sheet, and told again only after a save has succeeded. Owned by its document; main thread.
class DocumentAutosaveSchedule final {
public:
    static constexpr double kDelay = 2.0;
    static constexpr double kLongestDelay = 5.0;

    // `autosave` runs when the time comes.
    explicit DocumentAutosaveSchedule(std::function<void()> autosave);
    ~DocumentAutosaveSchedule();
    DocumentAutosaveSchedule(const DocumentAutosaveSchedule&) = delete;
    DocumentAutosaveSchedule& operator=(const DocumentAutosaveSchedule&) = delete;

    // A change not yet autosaved.
    void changed();
    // Nothing is left to autosave, or the document closed.
    void stop();
    // An autosave failed: another is scheduled; the first failure since the last successful
    // save is shown in a sheet on `window` for the document `name` (without a window, nothing).
    void failed(const Error& error, const QString& name, QWidget* window);
    // A save or an autosave went through: the next failure is told again.
    void saved() { m_failureTold = false; }
    // The user was told of a failed save otherwise (the one they asked for).
    void failureShown() { m_failureTold = true; }

private:
    std::function<void()> m_autosave;
    std::unique_ptr<Timer> m_timer;
    double m_firstUnsavedChange = 0;
    bool m_failureTold = false;
};

} // namespace platform
