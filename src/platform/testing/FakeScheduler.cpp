#include "FakeScheduler.h"

#include "platform/foundation/WallClock.h"

#include <QTimeZone>

#include <algorithm>

namespace platform {

FakeScheduler::FakeScheduler() : m_previous(&Scheduler::current())
{
    Scheduler::setCurrent(this);
    // The calendar moves with this scheduler's time, from a fixed Monday morning.
    const double start = m_now;
    WallClock::setSource([this, start] {
        return QDateTime(QDate(2026, 1, 5), QTime(9, 0), QTimeZone::utc())
            .addMSecs(qint64((now() - start) * 1000));
    });
}

FakeScheduler::~FakeScheduler()
{
    WallClock::setSource({});
    Scheduler::setCurrent(m_previous);
}

double FakeScheduler::now() const
{
    QMutexLocker lock(&m_mutex);
    return m_now;
}

Scheduler::TaskId FakeScheduler::schedule(double delaySeconds, std::function<void()> task)
{
    const TaskId id = nextTaskId();
    QMutexLocker lock(&m_mutex);
    m_tasks.emplace(std::make_pair(m_now + std::max(0.0, delaySeconds), id), std::move(task));
    return id;
}

void FakeScheduler::cancel(TaskId id)
{
    QMutexLocker lock(&m_mutex);
    const auto it = std::find_if(m_tasks.begin(), m_tasks.end(),
        [id](const auto& entry) { return entry.first.second == id; });
    if (it != m_tasks.end())
        m_tasks.erase(it);
}

void FakeScheduler::advance(double seconds)
{
    double until;
    {
        QMutexLocker lock(&m_mutex);
        until = m_now + std::max(0.0, seconds);
    }
    while (runNextDue(until)) { }
    QMutexLocker lock(&m_mutex);
    m_now = until;
}

void FakeScheduler::runUntilIdle()
{
    while (runNextDue(now())) { }
}

int FakeScheduler::pendingCount() const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_tasks.size());
}

bool FakeScheduler::runNextDue(double until)
{
    std::function<void()> task;
    {
        QMutexLocker lock(&m_mutex);
        if (m_tasks.empty() || m_tasks.begin()->first.first > until)
            return false;
        const auto first = m_tasks.begin();
        m_now = std::max(m_now, first->first.first);
        task = std::move(first->second);
        m_tasks.erase(first);
    }
    // Outside the lock: the task may schedule or cancel.
    task();
    return true;
}

} // namespace platform
