#include "platform/foundation/MemoryPressureSource.h"
#include "platform/testing/FakeScheduler.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using platform::MemoryPressureSource;

TEST(MemoryPressureSourceTest, ReadsTheKernelsTexts)
{
    EXPECT_EQ(MemoryPressureSource::cgroupFolder("12:memory:/user.slice\n0::/user.slice/a.scope\n"),
        QStringLiteral("/user.slice/a.scope"));
    EXPECT_TRUE(MemoryPressureSource::cgroupFolder("4:memory:/x\n").isEmpty());

    const QByteArray events = "low 0\nhigh 7\nmax 2\noom 0\noom_kill 0\n";
    EXPECT_EQ(MemoryPressureSource::eventCounter(events, "high"), 7);
    EXPECT_EQ(MemoryPressureSource::eventCounter(events, "max"), 2);
    EXPECT_EQ(MemoryPressureSource::eventCounter(events, "oom_group_kill"), -1);

    const struct {
        const char* meminfo;
        int level;
    } cases[] = {
        { "MemTotal: 1000 kB\nMemFree: 1 kB\nMemAvailable: 500 kB\n", 0 },
        { "MemTotal: 1000 kB\nMemAvailable: 99 kB\n", MemoryPressureSource::Warning },
        { "MemTotal: 1000 kB\nMemAvailable: 49 kB\n", MemoryPressureSource::Critical },
        { "MemTotal: 1000 kB\n", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.meminfo);
        EXPECT_EQ(MemoryPressureSource::meminfoLevel(c.meminfo), c.level);
    }
}

TEST(MemoryPressureSourceTest, StartsOnceAndDeliversFiredLevels)
{
    MemoryPressureSource source;
    QSignalSpy spy(&source, &MemoryPressureSource::memoryPressure);
    source.start();
    const auto mechanism = source.mechanism();
    EXPECT_NE(mechanism, MemoryPressureSource::Mechanism::None);
    source.start();
    EXPECT_EQ(source.mechanism(), mechanism);

    source.fire(MemoryPressureSource::Warning);
    source.fire(MemoryPressureSource::Critical);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toInt(), 2);
    EXPECT_EQ(spy[1][0].toInt(), 4);
}

TEST(MemoryPressureSourceTest, ReleasesOncePerRiseUntilThePressurePasses)
{
    platform::FakeScheduler scheduler;
    MemoryPressureSource source;
    QSignalSpy spy(&source, &MemoryPressureSource::memoryPressure);
    // A stall that lasts reports at every window.
    for (int window = 0; window < 3; ++window) {
        source.fire(MemoryPressureSource::Warning);
        scheduler.advance(2);
    }
    EXPECT_EQ(spy.count(), 1);
    source.fire(MemoryPressureSource::Critical);
    source.fire(MemoryPressureSource::Warning);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(source.currentLevel(), int(MemoryPressureSource::Critical));

    scheduler.advance(MemoryPressureSource::kCalmInterval);
    EXPECT_EQ(source.currentLevel(), 0);
    source.fire(MemoryPressureSource::Warning);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy[2][0].toInt(), int(MemoryPressureSource::Warning));
}
