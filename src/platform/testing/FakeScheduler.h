#pragma once

#include "platform/foundation/Dispatch.h"

#include <QMutex>

#include <map>

namespace platform {

// A scheduler for tests: time stands still until the test advances it, and tasks run on the
// thread that calls advance() or runUntilIdle(), in the order of their due time, then of their
// scheduling. Any thread may schedule and cancel. Installs itself as the current scheduler
// while it lives and puts the previous one back when destroyed.
class FakeScheduler final : public Scheduler {
public:
    FakeScheduler();
    ~FakeScheduler() override;

    double now() const override;
    TaskId schedule(double delaySeconds, std::function<void()> task) override;
    void cancel(TaskId id) override;

    // Moves time forward by `seconds`, running every task that falls due on the way,
    // including tasks those tasks schedule within the window.
    void advance(double seconds);
    // Runs every task due now, repeatedly, until none is left (a "turn of the event loop").
    void runUntilIdle();
    int pendingCount() const;

private:
    bool runNextDue(double until);

    Scheduler* m_previous;
    mutable QMutex m_mutex;
    double m_now = 1000.0;
    // Keyed by (due time, id) so equal due times keep scheduling order.
    std::map<std::pair<double, TaskId>, std::function<void()>> m_tasks;
};

} // namespace platform
