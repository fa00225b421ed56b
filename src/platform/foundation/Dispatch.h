#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

namespace platform {

// Time and deferred work on the main thread. Every delay, timer and "next turn of the event
// loop" in the application goes through the current Scheduler, so tests can install a
// FakeScheduler and advance time without sleeping.
class Scheduler {
public:
    using TaskId = quint64;

    virtual ~Scheduler() = default;

    // Monotonic seconds; the zero point is arbitrary.
    virtual double now() const = 0;
    // Runs `task` on the main thread once `delaySeconds` have passed (0: on the next turn of
    // the event loop, after the current event). Callable from any thread.
    virtual TaskId schedule(double delaySeconds, std::function<void()> task) = 0;
    // Drops a task that has not run yet; unknown or finished ids are ignored.
    virtual void cancel(TaskId id) = 0;

    // The scheduler in force: the real one over Qt's event loop unless a test set another.
    static Scheduler& current();
    // Installs `scheduler` (not owned); nullptr restores the real one. Main thread only.
    static void setCurrent(Scheduler* scheduler);
};

// Runs `fn` on the main thread on a later turn of the event loop.
void dispatchAsyncMain(std::function<void()> fn);

// Runs `fn` on the main thread after `seconds`, unless `context` has been destroyed by then
// (pass nullptr for no context).
Scheduler::TaskId dispatchAfter(double seconds, const QObject* context, std::function<void()> fn);

// Runs `fn` on the main thread and waits for it; on the main thread it runs at once. Never
// call it from a thread the main thread is itself waiting for.
void dispatchSyncMain(const std::function<void()>& fn);

bool isMainThread();

// A repeating or one-shot timer on the current scheduler, with the platform's tolerance
// (accepted for the record; firing is never early). Owned by its creator; destroying or
// invalidating it stops it.
class Timer final {
public:
    Timer(double interval, bool repeats, std::function<void()> action, double tolerance = 0);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void start();
    // Runs the action now; a repeating timer keeps its schedule.
    void fire();
    void invalidate();
    bool isValid() const { return m_valid; }
    double interval() const { return m_interval; }
    double tolerance() const { return m_tolerance; }

private:
    void arm();

    double m_interval;
    bool m_repeats;
    std::function<void()> m_action;
    double m_tolerance;
    bool m_valid = false;
    Scheduler::TaskId m_task = 0;
};

} // namespace platform
