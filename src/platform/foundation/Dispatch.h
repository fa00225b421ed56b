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

protected:
    // Ids are unique across every scheduler, so cancelling an id on a scheduler that did not
    // issue it is harmless.
    static TaskId nextTaskId();
};

// Runs `fn` on the main thread on a later turn of the event loop.
void dispatchAsyncMain(std::function<void()> fn);

// Runs `fn` on the main thread after `seconds`, unless `context` has been destroyed by then
// (pass nullptr for no context).
Scheduler::TaskId dispatchAfter(double seconds, const QObject* context, std::function<void()> fn);

// Runs `fn` on the main thread and waits for it; on the main thread (or before the application
// object exists) it runs at once. Never call it from a thread the main thread is itself waiting
// for. Bypasses the scheduler: a waiting thread needs Qt's event loop, not a test's clock.
void dispatchSyncMain(const std::function<void()>& fn);

// Calls `fn` with every index below `count`, on this thread and on the idle threads of the
// global pool, in any order and at once; returns when every call has returned. Never waits for a
// busy pool: the calling thread does whatever no idle thread takes.
void dispatchApply(qsizetype count, const std::function<void(qsizetype)>& fn);
// dispatchApply() while this thread runs `meanwhile` first: the idle threads of the pool start on
// the indexes at once, and this thread takes what is left of them once `meanwhile` returns.
void dispatchApplyWhile(qsizetype count, const std::function<void(qsizetype)>& fn,
    const std::function<void()>& meanwhile);

// True on the application object's thread; false everywhere before it exists.
bool isMainThread();

// A repeating or one-shot timer on the current scheduler, with the platform's tolerance
// (accepted for the record; firing is never early). Owned by its creator; destroying or
// invalidating it stops it, also from within its own action. A repeating timer that falls
// behind skips the firings it missed. Main thread only.
class Timer final {
public:
    Timer(double interval, bool repeats, std::function<void()> action, double tolerance = 0);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Schedules the first firing `interval` from now; a started timer is restarted.
    void start();
    // Runs the action now; a repeating timer keeps its schedule, a one-shot timer is
    // invalidated by it.
    void fire();
    void invalidate();
    bool isValid() const { return m_valid; }
    double interval() const { return m_interval; }
    double tolerance() const { return m_tolerance; }
    // The next firing in Scheduler::now() time; 0 while the timer is not running.
    double fireDate() const { return m_valid ? m_fireDate : 0; }
    // Moves the next firing of a running timer; later firings of a repeating timer follow
    // from there.
    void setFireDate(double schedulerTime);

private:
    void arm(double fireDate);
    void timeout();

    double m_interval;
    bool m_repeats;
    std::function<void()> m_action;
    double m_tolerance;
    bool m_valid = false;
    double m_fireDate = 0;
    Scheduler::TaskId m_task = 0;
};

} // namespace platform
