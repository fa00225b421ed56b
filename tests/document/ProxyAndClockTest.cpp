#include "document/BXClock.h"
#include "document/WFMainThreadProxy.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include <memory>
#include <set>

namespace {

// A delegate written for the main thread: it records where each call ran.
class Delegate final : public QObject {
    Q_OBJECT
public:
    QList<QThread*> calledOn;
    QString lastName;
    int count = 0;

    Q_INVOKABLE int noteCount()
    {
        calledOn << QThread::currentThread();
        return 42;
    }

public slots:
    void rename(const QString& name, int times)
    {
        calledOn << QThread::currentThread();
        lastName = name.repeated(times);
    }
    QVariant echo(const QVariant& value)
    {
        calledOn << QThread::currentThread();
        return value;
    }
};

// Runs `work` on a new thread while the main thread turns its event loop until it is done.
void runOnWorker(const std::function<void()>& work)
{
    std::unique_ptr<QThread> worker(QThread::create(work));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    worker->start();
    ASSERT_EQ(loop.exec(), 0);
    worker->wait();
}

} // namespace

TEST(WFMainThreadProxy, MessagesFromAWorkerRunOnTheMainThreadAndReturnTheirValue)
{
    Delegate target;
    WFMainThreadProxy<Delegate> proxy(&target);
    std::optional<QVariant> count, echoed, renamed;
    int typed = 0;
    runOnWorker([&] {
        count = proxy.performSelector("noteCount");
        echoed = proxy.performSelector("echo", { QStringLiteral("hello") });
        renamed = proxy.performSelector("rename", { "ab", "2" });
        typed = proxy.perform([](Delegate& d) { return d.noteCount() + 1; });
        proxy.perform([](Delegate& d) { ++d.count; });
    });

    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->toInt(), 42);
    ASSERT_TRUE(echoed.has_value());
    EXPECT_EQ(echoed->toString(), "hello");
    ASSERT_TRUE(renamed.has_value());
    EXPECT_FALSE(renamed->isValid()); // a void method gives no value
    EXPECT_EQ(target.lastName, "abab");
    EXPECT_EQ(typed, 43);
    EXPECT_EQ(target.count, 1);
    ASSERT_EQ(target.calledOn.size(), 4);
    for (QThread* thread : target.calledOn)
        EXPECT_EQ(thread, QThread::currentThread());
}

TEST(WFMainThreadProxy, OnTheMainThreadMessagesRunAtOnce)
{
    Delegate target;
    WFMainThreadProxy<Delegate> proxy(&target);
    EXPECT_EQ(proxy.performSelector("noteCount").value_or(QVariant()).toInt(), 42);
    EXPECT_EQ(proxy.perform([](Delegate& d) { return d.noteCount(); }), 42);
    EXPECT_EQ(proxy.target(), &target);
}

TEST(WFMainThreadProxy, UnknownMessagesAreRefusedOnTheSendingThread)
{
    Delegate target;
    WFMainThreadProxy<Delegate> proxy(&target);
    EXPECT_TRUE(proxy.respondsToSelector("noteCount"));
    EXPECT_TRUE(proxy.respondsToSelector("rename"));
    EXPECT_TRUE(proxy.respondsToSelector("deleteLater")); // inherited slots count
    EXPECT_FALSE(proxy.respondsToSelector("missing"));
    EXPECT_FALSE(proxy.respondsToSelector("destroyed")); // a signal is no message

    struct Case {
        const char* selector;
        QVariantList arguments;
    } cases[] = {
        { "missing", {} },
        { "destroyed", {} },
        { "rename", { "only one argument" } },
        { "rename", { "name", QVariant::fromValue(std::make_shared<int>(1)) } },
    };
    platform::LogCapture capture;
    std::vector<std::optional<QVariant>> results;
    // The main thread does not turn its event loop here: a message that reached for it would
    // never return and the worker would not finish.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (const Case& c : cases)
            results.push_back(proxy.performSelector(c.selector, c.arguments));
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(QDeadlineTimer(5000)));

    ASSERT_EQ(results.size(), std::size(cases));
    for (size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(cases[i].selector);
        EXPECT_FALSE(results[i].has_value());
    }
    EXPECT_TRUE(target.calledOn.isEmpty());
    EXPECT_TRUE(capture.contains("-[Delegate missing]: unrecognized selector sent to instance"));
}

TEST(BXClock, TicksConvertThroughTheTimebase)
{
    struct Case {
        std::uint32_t numerator, denominator;
        std::uint64_t ticks;
        double seconds;
    } cases[] = {
        { 1, 1, 1'500'000'000, 1.5 }, { 125, 3, 1'500'000'000, 62.5 },
        { 1, 3, 2, 0.0 }, // whole nanoseconds: 2/3 truncates to 0
        { 125, 3, 10, 416e-9 }, // 416.66 ns truncates to 416
        { 125, 3, 300'000'000'000'000'000, 1.25e10 }, // the product needs more than 64 bits
        { 7, 0, 2'000'000'000, 14.0 }, // a zero denominator counts as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticks);
        const BXClock clock(c.numerator, c.denominator);
        EXPECT_DOUBLE_EQ(clock.machAbsoluteToTimeInterval(c.ticks), c.seconds);
    }
}

TEST(BXClock, SharedClockIsOneMonotonicNanosecondClockForAllThreads)
{
    std::set<const BXClock*> seen;
    QMutex mutex;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back(QThread::create([&] {
            const BXClock* clock = &BXClock::sharedClock();
            QMutexLocker lock(&mutex);
            seen.insert(clock);
        }));
        threads.back()->start();
    }
    for (auto& thread : threads)
        thread->wait();
    seen.insert(&BXClock::sharedClock());
    EXPECT_EQ(seen.size(), 1u);

    const BXClock& clock = BXClock::sharedClock();
    EXPECT_EQ(clock.numerator(), 1u);
    EXPECT_EQ(clock.denominator(), 1u);
    double previous = clock.absoluteTime();
    for (int i = 0; i < 1000; ++i) {
        const double now = clock.absoluteTime();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

#include "ProxyAndClockTest.moc"
