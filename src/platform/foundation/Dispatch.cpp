#include "Dispatch.h"

#include "Log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <unordered_map>

namespace platform {

namespace {

// The scheduler over Qt's event loop. Tasks wait in a table so any thread can cancel them;
// delayed ones get a precise QTimer on the main thread (a coarse one may fire early).
class MainLoopScheduler final : public Scheduler {
public:
    MainLoopScheduler() { m_clock.start(); }

    double now() const override { return m_clock.nsecsElapsed() * 1e-9; }

    TaskId schedule(double delaySeconds, std::function<void()> task) override
    {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) {
            log("cannot schedule a task before the application object exists");
            return 0;
        }
        const TaskId id = nextTaskId();
        const double due = now() + std::max(0.0, delaySeconds);
        {
            QMutexLocker lock(&m_mutex);
            m_pending.emplace(id, Pending { std::move(task), nullptr });
        }
        if (delaySeconds <= 0) {
            QMetaObject::invokeMethod(
                app, [this, id] { run(id); }, Qt::QueuedConnection);
        } else if (isMainThread()) {
            startTimer(id, due);
        } else {
            QMetaObject::invokeMethod(
                app, [this, id, due] { startTimer(id, due); }, Qt::QueuedConnection);
        }
        return id;
    }

    void cancel(TaskId id) override
    {
        QTimer* timer = nullptr;
        {
            QMutexLocker lock(&m_mutex);
            auto it = m_pending.find(id);
            if (it == m_pending.end())
                return;
            timer = it->second.timer;
            m_pending.erase(it);
        }
        if (timer)
            timer->deleteLater();
    }

private:
    struct Pending {
        std::function<void()> task;
        QTimer* timer;
    };

    void startTimer(TaskId id, double due)
    {
        const double remaining = std::max(0.0, due - now());
        auto* timer = new QTimer;
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [this, id] { run(id); });
        {
            QMutexLocker lock(&m_mutex);
            auto it = m_pending.find(id);
            if (it == m_pending.end()) {
                delete timer;
                return;
            }
            it->second.timer = timer;
        }
        timer->start(std::chrono::milliseconds(static_cast<qint64>(std::ceil(remaining * 1000))));
    }

    void run(TaskId id)
    {
        std::function<void()> task;
        QTimer* timer = nullptr;
        {
            QMutexLocker lock(&m_mutex);
            auto it = m_pending.find(id);
            if (it == m_pending.end())
                return;
            task = std::move(it->second.task);
            timer = it->second.timer;
            m_pending.erase(it);
        }
        if (timer)
            timer->deleteLater();
        task();
    }

    QElapsedTimer m_clock;
    QMutex m_mutex;
    std::unordered_map<TaskId, Pending> m_pending;
};

// Never destroyed: tasks and timers may still be queued while the process exits.
MainLoopScheduler& mainLoopScheduler()
{
    static auto* scheduler = new MainLoopScheduler;
    return *scheduler;
}

std::atomic<Scheduler*> installedScheduler { nullptr };
std::atomic<Scheduler::TaskId> lastTaskId { 0 };

} // namespace

Scheduler& Scheduler::current()
{
    Scheduler* installed = installedScheduler.load();
    return installed ? *installed : mainLoopScheduler();
}

void Scheduler::setCurrent(Scheduler* scheduler)
{
    installedScheduler.store(scheduler);
}

Scheduler::TaskId Scheduler::nextTaskId()
{
    return ++lastTaskId;
}

void dispatchAsyncMain(std::function<void()> fn)
{
    Scheduler::current().schedule(0, std::move(fn));
}

Scheduler::TaskId dispatchAfter(double seconds, const QObject* context, std::function<void()> fn)
{
    if (!context)
        return Scheduler::current().schedule(seconds, std::move(fn));
    QPointer<const QObject> guard(context);
    return Scheduler::current().schedule(seconds, [guard, fn = std::move(fn)] {
        if (guard)
            fn();
    });
}

void dispatchSyncMain(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(
        app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void dispatchApply(qsizetype count, const std::function<void(qsizetype)>& fn)
{
    dispatchApplyWhile(count, fn, {});
}

void dispatchApplyWhile(qsizetype count, const std::function<void(qsizetype)>& fn,
    const std::function<void()>& meanwhile)
{
    std::atomic<qsizetype> next = 0;
    const auto work = [&] {
        for (qsizetype i = next++; i < count; i = next++)
            fn(i);
    };
    QThreadPool* pool = QThreadPool::globalInstance();
    QSemaphore finished;
    int helpers = 0;
    // One helper per idle thread, as long as the work lasts (this thread counts as one unless it
    // is busy meanwhile); tryStart() never queues.
    const qsizetype wanted
        = std::min<qsizetype>(count, pool->maxThreadCount()) - (meanwhile ? 0 : 1);
    while (helpers < wanted && pool->tryStart([&] {
        work();
        finished.release();
    }))
        ++helpers;
    if (meanwhile)
        meanwhile();
    work();
    finished.acquire(helpers);
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

Timer::Timer(double interval, bool repeats, std::function<void()> action, double tolerance)
    : m_interval(std::max(0.0, interval)),
      m_repeats(repeats),
      m_action(std::move(action)),
      m_tolerance(std::max(0.0, tolerance))
{
    // A repeating timer with no interval would spin the event loop.
    if (m_repeats && m_interval <= 0)
        m_interval = 0.0001;
}

Timer::~Timer()
{
    invalidate();
}

void Timer::start()
{
    m_valid = true;
    arm(Scheduler::current().now() + m_interval);
}

void Timer::fire()
{
    if (!m_repeats)
        invalidate();
    // A copy, so an action that destroys its own timer does not destroy itself mid-call.
    const std::function<void()> action = m_action;
    action();
}

void Timer::invalidate()
{
    m_valid = false;
    if (m_task) {
        Scheduler::current().cancel(m_task);
        m_task = 0;
    }
}

void Timer::setFireDate(double schedulerTime)
{
    if (m_valid)
        arm(schedulerTime);
}

void Timer::arm(double fireDate)
{
    Scheduler& scheduler = Scheduler::current();
    if (m_task)
        scheduler.cancel(m_task);
    m_fireDate = fireDate;
    m_task = scheduler.schedule(fireDate - scheduler.now(), [this] { timeout(); });
}

void Timer::timeout()
{
    m_task = 0;
    if (m_repeats) {
        // Re-armed before the action runs, so the action may invalidate or destroy the timer.
        const double now = Scheduler::current().now();
        double next = m_fireDate + m_interval;
        if (next <= now)
            next += std::ceil((now - next) / m_interval + 1e-9) * m_interval;
        arm(next);
        const std::function<void()> action = m_action;
        action();
    } else {
        fire();
    }
}

} // namespace platform
