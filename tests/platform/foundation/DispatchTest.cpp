#include "platform/foundation/Dispatch.h"
#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

using namespace platform;

TEST(FakeScheduler, RunsTasksByDueTimeThenSchedulingOrder)
{
    FakeScheduler scheduler;
    QStringList ran;
    scheduler.schedule(2, [&] { ran << "two"; });
    scheduler.schedule(1, [&] { ran << "one-a"; });
    scheduler.schedule(1, [&] {
        ran << "one-b";
        // Due inside the advanced window, so it runs in the same advance.
        scheduler.schedule(0.5, [&] { ran << "nested"; });
    });
    const Scheduler::TaskId dropped = scheduler.schedule(1, [&] { ran << "cancelled"; });
    scheduler.schedule(0, [&] { ran << "now"; });
    scheduler.cancel(dropped);
    const double start = scheduler.now();

    scheduler.runUntilIdle();
    EXPECT_EQ(ran, QStringList { "now" });
    EXPECT_EQ(scheduler.now(), start);

    scheduler.advance(1.6);
    EXPECT_EQ(ran, (QStringList { "now", "one-a", "one-b", "nested" }));
    EXPECT_DOUBLE_EQ(scheduler.now(), start + 1.6);
    EXPECT_EQ(scheduler.pendingCount(), 1);

    scheduler.advance(0.4);
    EXPECT_EQ(ran.last(), "two");
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST(FakeScheduler, InstallsItselfAndRestoresThePreviousScheduler)
{
    Scheduler* real = &Scheduler::current();
    {
        FakeScheduler outer;
        EXPECT_EQ(&Scheduler::current(), &outer);
        {
            FakeScheduler inner;
            EXPECT_EQ(&Scheduler::current(), &inner);
            bool ran = false;
            dispatchAsyncMain([&] { ran = true; });
            EXPECT_EQ(outer.pendingCount(), 0);
            inner.runUntilIdle();
            EXPECT_TRUE(ran);
        }
        EXPECT_EQ(&Scheduler::current(), &outer);
    }
    EXPECT_EQ(&Scheduler::current(), real);
}

TEST(FakeScheduler, WorkerThreadsScheduleTasksThatRunOnTheAdvancingThread)
{
    FakeScheduler scheduler;
    std::vector<QThread*> ranOn;
    std::vector<std::unique_ptr<QThread>> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back(QThread::create([&] {
            for (int j = 0; j < 50; ++j)
                dispatchAsyncMain([&] { ranOn.push_back(QThread::currentThread()); });
        }));
        workers.back()->start();
    }
    for (auto& worker : workers)
        worker->wait();
    EXPECT_EQ(scheduler.pendingCount(), 200);
    scheduler.runUntilIdle();
    ASSERT_EQ(ranOn.size(), 200u);
    for (QThread* thread : ranOn)
        EXPECT_EQ(thread, QThread::currentThread());
}

TEST(Dispatch, DelayedWorkIsSkippedWhenItsContextDied)
{
    FakeScheduler scheduler;
    auto context = std::make_unique<QObject>();
    QObject survivor;
    QStringList ran;
    dispatchAfter(0.1, context.get(), [&] { ran << "dead"; });
    dispatchAfter(0.1, &survivor, [&] { ran << "alive"; });
    dispatchAfter(0.2, nullptr, [&] { ran << "no context"; });
    context.reset();

    scheduler.advance(0.099);
    EXPECT_TRUE(ran.isEmpty());
    scheduler.advance(0.2);
    EXPECT_EQ(ran, (QStringList { "alive", "no context" }));
}

TEST(Timer, RepeatingTimerFiresEachIntervalUntilInvalidated)
{
    FakeScheduler scheduler;
    const double start = scheduler.now();
    std::vector<double> firedAt;
    Timer timer(2, true, [&] { firedAt.push_back(scheduler.now() - start); });
    EXPECT_FALSE(timer.isValid());
    timer.start();
    EXPECT_TRUE(timer.isValid());
    EXPECT_DOUBLE_EQ(timer.fireDate(), start + 2);

    scheduler.advance(7);
    EXPECT_EQ(firedAt, (std::vector<double> { 2, 4, 6 }));

    // Firing by hand does not disturb the schedule.
    timer.fire();
    EXPECT_EQ(firedAt.size(), 4u);
    scheduler.advance(1);
    EXPECT_EQ(firedAt.back(), 8);

    timer.setFireDate(scheduler.now() + 5);
    scheduler.advance(4.9);
    EXPECT_EQ(firedAt.size(), 5u);
    scheduler.advance(0.1);
    EXPECT_EQ(firedAt.back(), 13);

    timer.invalidate();
    EXPECT_FALSE(timer.isValid());
    scheduler.advance(10);
    EXPECT_EQ(firedAt.size(), 6u);
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST(Timer, ActionsMayStopOrDestroyTheirOwnTimer)
{
    FakeScheduler scheduler;
    int oneShotCount = 0;
    Timer oneShot(1, false, [&] { ++oneShotCount; });
    oneShot.start();
    scheduler.advance(5);
    EXPECT_EQ(oneShotCount, 1);
    EXPECT_FALSE(oneShot.isValid());

    int selfStopping = 0;
    Timer* stopping = nullptr;
    Timer stopper(1, true, [&] {
        if (++selfStopping == 2)
            stopping->invalidate();
    });
    stopping = &stopper;
    stopper.start();

    int destroyedCount = 0;
    std::unique_ptr<Timer> owned;
    owned = std::make_unique<Timer>(1, true, [&] {
        ++destroyedCount;
        owned.reset();
    });
    owned->start();

    scheduler.advance(10);
    EXPECT_EQ(selfStopping, 2);
    EXPECT_EQ(destroyedCount, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

// The real scheduler over Qt's event loop: no fake installed here.
class Signal final : public QObject {
    Q_OBJECT
signals:
    void done();
};

TEST(Dispatch, RealSchedulerRunsWorkFromAnyThreadOnTheMainThread)
{
    Scheduler& real = Scheduler::current();
    const double before = real.now();
    Signal signal;
    QStringList ran;
    bool onMain = true;
    const Scheduler::TaskId cancelled = real.schedule(0, [&] { ran << "cancelled"; });
    real.cancel(cancelled);

    std::unique_ptr<QThread> worker(QThread::create([&] {
        bool syncRan = false;
        dispatchSyncMain([&] {
            syncRan = isMainThread();
            ran << "sync";
        });
        EXPECT_TRUE(syncRan);
        EXPECT_FALSE(isMainThread());
        dispatchAsyncMain([&] { ran << "async-1"; });
        dispatchAsyncMain([&] { ran << "async-2"; });
        dispatchAfter(0.02, &signal, [&] {
            onMain = onMain && isMainThread();
            ran << "after";
            emit signal.done();
        });
    }));
    QEventLoop loop;
    QObject::connect(&signal, &Signal::done, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    worker->start();
    ASSERT_EQ(loop.exec(), 0);
    worker->wait();

    EXPECT_TRUE(onMain);
    EXPECT_EQ(ran, (QStringList { "sync", "async-1", "async-2", "after" }));
    EXPECT_GE(real.now() - before, 0.02);
}

#include "DispatchTest.moc"

TEST(DispatchApply, CallsEveryIndexOnceAndReturnsWhenAllHaveRun)
{
    for (const qsizetype count : { 0, 1, 1000 }) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
        dispatchApply(count, [&](qsizetype index) { ++calls[size_t(index)]; });
        for (const std::atomic<int>& made : calls)
            EXPECT_EQ(made.load(), 1);
    }
}

// The pool starts on the indexes while the calling thread is busy with something else; the
// calling thread then takes what is left, and every index is called once.
TEST(DispatchApply, WorksOnTheIndexesWhileTheCallerDoesSomethingElse)
{
    for (const qsizetype count : { 0, 1, 1000 }) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
        QSemaphore started;
        bool meanwhileOnCaller = false;
        bool poolStarted = false;
        dispatchApplyWhile(
            count,
            [&](qsizetype index) {
                ++calls[size_t(index)];
                started.release();
            },
            [&] {
                meanwhileOnCaller
                    = QThread::currentThread() == QCoreApplication::instance()->thread();
                poolStarted = count == 0 || started.tryAcquire(1, 5000);
            });
        EXPECT_TRUE(meanwhileOnCaller);
        EXPECT_TRUE(poolStarted);
        for (const std::atomic<int>& made : calls)
            EXPECT_EQ(made.load(), 1);
    }
}
