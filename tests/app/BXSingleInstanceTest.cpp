#include "app/BXSingleInstance.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <future>

namespace {

// A second launch's hand-off, run on a thread of its own while this one serves the first.
std::future<bool> handOffLater(const QString& folder, QStringList paths)
{
    return std::async(std::launch::async,
        [folder, paths] { return BXSingleInstance(folder).handOff(paths, 8000); });
}

bool finished(std::future<bool>& future)
{
    return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

TEST(BXSingleInstanceTest, ASecondLaunchHandsItsFilesOrAReopenToTheFirst)
{
    const QString folder = bxtest::makeTempFolder(QStringLiteral("runtime"));
    BXSingleInstance first(folder);
    ASSERT_TRUE(first.becomePrimary());
    EXPECT_FALSE(BXSingleInstance(folder).becomePrimary());

    QSignalSpy opened(&first, &BXSingleInstance::openRequested);
    QSignalSpy reopened(&first, &BXSingleInstance::reopenRequested);
    auto files
        = handOffLater(folder, { QStringLiteral("/notes/a b.brindlex"), QStringLiteral("/x.md") });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(files); }, 8000));
    EXPECT_TRUE(files.get());
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].toStringList(),
        QStringList({ QStringLiteral("/notes/a b.brindlex"), QStringLiteral("/x.md") }));

    auto reopen = handOffLater(folder, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(reopen); }, 8000));
    EXPECT_TRUE(reopen.get());
    EXPECT_EQ(reopened.count(), 1);
}

TEST(BXSingleInstanceTest, ALockAndSocketLeftByACrashAreTakenOver)
{
    const QString folder = bxtest::makeTempFolder(QStringLiteral("runtime"));
    // A lock naming a process that is gone, and a socket file nobody listens on.
    QFile lock(folder + QStringLiteral("/brindlex.lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("999999\nbrindlex\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile socket(folder + QStringLiteral("/brindlex.socket"));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    BXSingleInstance instance(folder);
    ASSERT_TRUE(instance.becomePrimary());
    QSignalSpy reopened(&instance, &BXSingleInstance::reopenRequested);
    auto reopen = handOffLater(folder, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(reopen); }, 8000));
    EXPECT_TRUE(reopen.get());
    EXPECT_EQ(reopened.count(), 1);
}

TEST(BXSingleInstanceTest, ALaunchRacingTheFirstWaitsUntilItListens)
{
    const QString folder = bxtest::makeTempFolder(QStringLiteral("runtime"));
    BXSingleInstance first(folder);
    // The second launch starts before the first one listens; it keeps trying.
    auto second = handOffLater(folder, { QStringLiteral("/b.brindlex") });
    EXPECT_FALSE(finished(second));
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy opened(&first, &BXSingleInstance::openRequested);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(second); }, 8000));
    EXPECT_TRUE(second.get());
    EXPECT_EQ(opened.count(), 1);
}

TEST(BXSingleInstanceTest, ArgumentsBecomeAbsolutePaths)
{
    const QStringList paths
        = BXSingleInstance::absolutePaths({ QStringLiteral("file:///tmp/a%20b.md"),
            QStringLiteral("/x/y.brindlex"), QStringLiteral("rel.txt") });
    EXPECT_EQ(paths[0], QStringLiteral("/tmp/a b.md"));
    EXPECT_EQ(paths[1], QStringLiteral("/x/y.brindlex"));
    EXPECT_EQ(paths[2], QDir::currentPath() + QStringLiteral("/rel.txt"));
}
