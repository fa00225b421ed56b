#include "app/WFKQueue.h"

#include "platform/foundation/NotificationCenter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTest>
#include <QWaitCondition>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>

namespace {

struct Heard {
    QString name;
    QString path;
    QString newPath;
};

// Collects what one watcher posts on the workspace centre, from the watcher's thread.
class Listener final {
public:
    explicit Listener(const WFKQueue& watcher)
    {
        platform::NotificationCenter::workspaceCenter().addObserver(
            this, QString(), &watcher, [this](const platform::Notification& note) {
                QMutexLocker lock(&m_mutex);
                m_heard.push_back(
                    { note.name, note.userInfo.value(QStringLiteral("path")).toString(),
                        note.userInfo.value(QStringLiteral("newPath")).toString() });
                m_arrived.wakeAll();
            });
    }
    ~Listener() { platform::NotificationCenter::workspaceCenter().removeObserver(this); }

    // Waits until `predicate` holds for what was heard, at most a few seconds.
    bool waitFor(const std::function<bool(const QList<Heard>&)>& predicate)
    {
        QMutexLocker lock(&m_mutex);
        QDeadlineTimer deadline(4000);
        while (!predicate(m_heard)) {
            if (!m_arrived.wait(&m_mutex, deadline))
                return predicate(m_heard);
        }
        return true;
    }
    QList<Heard> heard()
    {
        QMutexLocker lock(&m_mutex);
        return m_heard;
    }

private:
    QMutex m_mutex;
    QWaitCondition m_arrived;
    QList<Heard> m_heard;
};

int countOf(const QList<Heard>& heard, const QString& name, const QString& path)
{
    return int(std::count_if(heard.begin(), heard.end(),
        [&](const Heard& h) { return h.name == name && h.path == path; }));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(bytes);
}

// Runs a piece of work from inside the first delegate call, while the watcher's thread waits.
class Delegate final : public QObject, public WFFileWatcherDelegate {
public:
    std::function<void()> onFirst;
    QList<Heard> heard;

    void watcherReceivedNotification(
        WFKQueue*, const QString& name, const QString& path, const QString& newPath) override
    {
        heard.push_back({ name, path, newPath });
        if (auto work = std::exchange(onFirst, nullptr))
            work();
    }
};

} // namespace

TEST(WFKQueueTest, RenameComesBeforeTheWriteOfTheSameEventWithTheNewPath)
{
    const QString folder = bxtest::makeTempFolder();
    const QString trigger = folder + QStringLiteral("/trigger.txt");
    const QString note = folder + QStringLiteral("/note.txt");
    const QString moved = folder + QStringLiteral("/moved.txt");
    writeFile(trigger, "t");
    writeFile(note, "n");

    WFKQueue watcher;
    ASSERT_TRUE(watcher.isValid());
    Delegate delegate;
    watcher.setDelegate(&delegate);
    watcher.addPath(trigger);
    watcher.addPath(note);
    // While the watcher's thread waits for this call, the write and the rename queue up in the
    // kernel and are read together.
    delegate.onFirst = [&] {
        writeFile(note, "more");
        ASSERT_TRUE(QFile::rename(note, moved));
    };
    writeFile(trigger, "x");
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.heard.size() >= 3; }, 4000));

    ASSERT_EQ(delegate.heard.size(), 3);
    EXPECT_EQ(delegate.heard[1].name, WFKQueueFileRenamedNotification);
    EXPECT_EQ(delegate.heard[1].path, note);
    EXPECT_EQ(delegate.heard[1].newPath, moved);
    EXPECT_EQ(delegate.heard[2].name, WFKQueueFileWrittenToNotification);
}

TEST(WFKQueueTest, DeletingAFileOrAPackageFolderIsReportedAtOnce)
{
    const QString folder = bxtest::makeTempFolder();
    const QString file = folder + QStringLiteral("/a.txt");
    const QString package = folder + QStringLiteral("/b.brindlex");
    writeFile(file, "a");
    ASSERT_TRUE(QDir().mkpath(package + QStringLiteral("/StoreContent")));
    writeFile(package + QStringLiteral("/StoreContent/persistentStore"), "db");

    WFKQueue watcher;
    Listener listener(watcher);
    watcher.addPath(file);
    watcher.addPath(package);
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir(package).removeRecursively());

    EXPECT_TRUE(listener.waitFor([&](const QList<Heard>& heard) {
        return countOf(heard, WFKQueueFileDeletedNotification, file) == 1
            && countOf(heard, WFKQueueFileDeletedNotification, package) == 1;
    }));
    for (const Heard& heard : listener.heard()) {
        if (heard.name == WFKQueueFileDeletedNotification) {
            EXPECT_TRUE(heard.newPath.isEmpty()) << heard.path.toStdString();
        }
    }
}

TEST(WFKQueueTest, EachEntryOfAPathListedTwiceIsReportedAndRemovedOnesAreNot)
{
    const QString folder = bxtest::makeTempFolder();
    const QString twice = folder + QStringLiteral("/twice.txt");
    const QString once = folder + QStringLiteral("/once.txt");
    writeFile(twice, "1");
    writeFile(once, "1");

    WFKQueue watcher;
    Listener listener(watcher);
    watcher.addPath(twice);
    watcher.addPath(twice);
    watcher.addPath(once);
    EXPECT_EQ(watcher.watchedPaths(), QStringList({ twice, twice, once }));
    writeFile(twice, "2");
    EXPECT_TRUE(listener.waitFor([&](const QList<Heard>& heard) {
        return countOf(heard, WFKQueueFileWrittenToNotification, twice) == 2;
    }));

    watcher.removePath(twice);
    watcher.removePath(twice);
    EXPECT_EQ(watcher.watchedPaths(), QStringList({ once }));
    writeFile(twice, "3");
    writeFile(once, "2");
    EXPECT_TRUE(listener.waitFor([&](const QList<Heard>& heard) {
        return countOf(heard, WFKQueueFileWrittenToNotification, once) == 1;
    }));
    EXPECT_EQ(countOf(listener.heard(), WFKQueueFileWrittenToNotification, twice), 2);
    EXPECT_EQ(watcher.description(),
        QStringLiteral("WFKQueue { watchedPaths = (%1), alwaysNotify = NO }").arg(once));
}

TEST(WFKQueueTest, DestroyingTheWatcherStopsItsThreadAtOnce)
{
    auto watcher = std::make_unique<WFKQueue>();
    const QString file = bxtest::makeTempFolder() + QStringLiteral("/a.txt");
    writeFile(file, "a");
    watcher->addPath(file);
    const QString inotifyLink = QStringLiteral("/proc/self/fd/%1").arg(watcher->queueFD());
    ASSERT_TRUE(QFile::symLinkTarget(inotifyLink).contains(QLatin1String("inotify")));

    watcher.reset();
    // The thread closes the inotify instance as it ends; the poll it waits in lasts 5 s.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !QFile::symLinkTarget(inotifyLink).contains(QLatin1String("inotify")); },
        1000));
}
