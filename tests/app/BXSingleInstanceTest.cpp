#include "app/BXSingleInstance.h"

#include "platform/foundation/Log.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A runtime folder as the session makes it: the user's own, closed to others.
QString runtimeFolder()
{
    const QString folder = bxtest::makeTempFolder(QStringLiteral("runtime"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

// Sends raw request bytes as any client could; answers what the instance said back.
std::future<QByteArray> sendLater(const QString& socketPath, QByteArray request)
{
    return std::async(std::launch::async, [socketPath, request] {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (!socket.waitForConnected(8000))
            return QByteArray("no connection");
        socket.write(request);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(8000)) { }
        QByteArray answer;
        while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(8000))
            answer += socket.readAll();
        return answer + socket.readAll();
    });
}

// A second launch's hand-off, run on a thread of its own while this one serves the first.
std::future<bool> handOffLater(const QString& folder, QStringList paths)
{
    return std::async(std::launch::async,
        [folder, paths] { return BXSingleInstance(folder).handOff(paths, 8000); });
}

template <typename T> bool finished(std::future<T>& future)
{
    return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

TEST(BXSingleInstanceTest, ASecondLaunchHandsItsFilesOrAReopenToTheFirst)
{
    const QString folder = runtimeFolder();
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
    const QString folder = runtimeFolder();
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
    const QString folder = runtimeFolder();
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

TEST(BXSingleInstanceTest, PathsSurviveWithEveryByteButNul)
{
    const QString folder = runtimeFolder();
    BXSingleInstance first(folder);
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy opened(&first, &BXSingleInstance::openRequested);
    const QStringList paths { QStringLiteral("/notes/two\nlines.brindlex"),
        QStringLiteral("/notes/100%25 %0A\t\r.md"), QStringLiteral("/reopen"),
        QStringLiteral("/notes/\u00e9t\u00e9 \U0001F600.txt"), QStringLiteral("/") };
    auto files = handOffLater(folder, paths);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(files); }, 8000));
    EXPECT_TRUE(files.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.count() == 1; }, 8000));
    EXPECT_EQ(opened[0][0].toStringList(), paths);
}

// More files than one request holds: those that fit go over in order, with the count of the
// rest, and so do the files around a path no instance takes.
TEST(BXSingleInstanceTest, ALaunchWithTooManyFilesHandsThoseThatFitAndCountsTheRest)
{
    const QString folder = runtimeFolder();
    BXSingleInstance first(folder);
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy opened(&first, &BXSingleInstance::openRequested);
    QStringList paths { QStringLiteral("/notes/a\u0000b.txt"),
        QStringLiteral("/") + QString(PATH_MAX, u'n') };
    for (int i = 0; i < 20000; ++i)
        paths << QStringLiteral("/notes/%1.txt").arg(i);
    auto files = handOffLater(folder, paths);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(files); }, 8000));
    EXPECT_TRUE(files.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.count() == 1; }, 8000));
    EXPECT_EQ(opened[0][0].toStringList(), paths.mid(2, BXSingleInstance::maximumPaths));
    EXPECT_EQ(opened[0][1].toInt(), 20002 - BXSingleInstance::maximumPaths);

    // Nothing handed when no path is one an instance takes.
    auto none = handOffLater(folder, { QStringLiteral("relative.txt") });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(none); }, 8000));
    EXPECT_FALSE(none.get());
    EXPECT_EQ(opened.count(), 1);
}

TEST(BXSingleInstanceTest, RequestsBeyondTheBoundsAreRefusedWhole)
{
    const QString folder = runtimeFolder();
    BXSingleInstance first(folder);
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy opened(&first, &BXSingleInstance::openRequested);
    QSignalSpy reopened(&first, &BXSingleInstance::reopenRequested);

    const QByteArray longName(PATH_MAX, 'a');
    QByteArray manyPaths;
    for (qsizetype i = 0; i <= BXSingleInstance::maximumPaths; ++i)
        manyPaths += "/" + QByteArray::number(i) + "\n";
    const struct {
        const char* name;
        QByteArray request;
        QString logged;
    } cases[] = {
        { "a path longer than PATH_MAX", "/" + longName + "\n\n", QStringLiteral("longer than") },
        { "too many paths", manyPaths + "\n", QStringLiteral("more than 4096 paths") },
        { "a NUL byte", "/a%00b\n\n", QStringLiteral("NUL") },
        { "a relative path", "notes.brindlex\n\n", QStringLiteral("not absolute") },
        { "a count of files left out that is none", "/a\n+0\n\n", QStringLiteral("no count") },
        { "a count of files left out before a path", "/a\n+3\n/b\n\n",
            QStringLiteral("not absolute") },
        { "no end, past the whole bound",
            QByteArray(BXSingleInstance::maximumRequestBytes + 4096, '/'),
            QStringLiteral("more than 4194304 bytes") },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        platform::LogCapture log;
        auto answer = sendLater(first.socketPath(), testCase.request);
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished(answer); }, 8000));
        EXPECT_FALSE(answer.get().contains("ok"));
        EXPECT_TRUE(log.contains(testCase.logged)) << log.lines().join(u'\n').toStdString();
    }
    QTest::qWait(0);
    EXPECT_EQ(opened.count(), 0);
    EXPECT_EQ(reopened.count(), 0);

    // The instance still serves a fair request afterwards.
    auto files = handOffLater(folder, { QStringLiteral("/a.brindlex") });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(files); }, 8000));
    EXPECT_TRUE(files.get());
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened.count() == 1; }, 8000));
}

TEST(BXSingleInstanceTest, AClientLeavingWhileTheFilesOpenInANestedEventLoopIsHarmless)
{
    const QString folder = runtimeFolder();
    BXSingleInstance first(folder);
    ASSERT_TRUE(first.becomePrimary());
    std::future<bool> files;
    int opened = 0;
    // Opening asks a question: a modal dialog's event loop runs until the client is gone and
    // its socket deleted.
    QObject::connect(&first, &BXSingleInstance::openRequested, [&] {
        ++opened;
        QEventLoop dialog;
        QTimer ticks;
        int ticksAfterClientLeft = 0;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (finished(files) && ++ticksAfterClientLeft == 5)
                dialog.quit();
        });
        ticks.start(10);
        dialog.exec();
    });
    for (int i = 0; i < 5; ++i) {
        files = handOffLater(folder, { QStringLiteral("/note.txt") });
        ASSERT_TRUE(QTest::qWaitFor([&] { return opened == i + 1; }, 8000));
        EXPECT_TRUE(files.get());
    }
}

TEST(BXSingleInstanceTest, AFolderOthersCouldPlantASocketInIsNotUsed)
{
    const QString base = runtimeFolder();
    const QString missing = base + QStringLiteral("/missing");
    const QString open = base + QStringLiteral("/open");
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const QString link = base + QStringLiteral("/link");
    QFile::link(runtimeFolder(), link);
    const QString foreign = base + QStringLiteral("/foreign");
    QDir().mkpath(foreign);
    const bool canGiveAway = ::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0;

    {
        SCOPED_TRACE("a missing folder is made, closed to others");
        BXSingleInstance instance(missing);
        ASSERT_TRUE(instance.becomePrimary());
        struct stat info { };
        ASSERT_EQ(::stat(QFile::encodeName(missing).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_TRUE(QFile::exists(instance.socketPath()));
    }
    QStringList unsafe { open, link };
    if (canGiveAway)
        unsafe << foreign;
    for (const QString& folder : std::as_const(unsafe)) {
        SCOPED_TRACE(folder.toStdString());
        platform::LogCapture log;
        BXSingleInstance instance(folder);
        // It runs alone: no lock, no socket, and a second launch runs alone as well.
        EXPECT_TRUE(instance.becomePrimary());
        EXPECT_TRUE(BXSingleInstance(folder).becomePrimary());
        EXPECT_FALSE(QFile::exists(instance.socketPath()));
        EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/brindlex.lock")));
        EXPECT_TRUE(log.contains(QStringLiteral("running without handing files")));
    }
}

namespace {

// Runs `child` in a forked process under another user id; answers its exit status.
template <typename Child> int runAsNobody(Child child)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(10);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(90);
        ::_exit(child());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(BXSingleInstanceTest, ASocketOfAnotherUserNeitherReceivesNorSendsHandOffs)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs the superuser to run a second user";
    // Outside the test's private home, which the other user cannot enter.
    QTemporaryDir shared;
    const QString folder = shared.path();
    BXSingleInstance first(folder);
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy opened(&first, &BXSingleInstance::openRequested);
    // Even when the socket file lets everybody in, another user's request is refused.
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(first.socketPath()).constData(), 0777);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(first.socketPath());
    std::memcpy(address.sun_path, socketPath.constData(), socketPath.size());
    auto intruder = std::async(std::launch::async, [&] {
        return runAsNobody([&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                return 91;
            const char request[] = "/secret.brindlex\n\n";
            // The instance may have hung up already: no SIGPIPE for that.
            if (::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) < 0 && errno != EPIPE
                && errno != ECONNRESET)
                return 92;
            char answer[8] = {};
            return ::read(fd, answer, sizeof answer) > 0 ? 93 : 0;
        });
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(intruder); }, 8000));
    EXPECT_EQ(intruder.get(), 0);
    QTest::qWait(0);
    EXPECT_EQ(opened.count(), 0);

    // A listener that another user planted hears nothing of this user's files.
    const QString planted = runtimeFolder();
    const QByteArray plantedPath = QFile::encodeName(planted + QStringLiteral("/brindlex.socket"));
    sockaddr_un plantedAddress {};
    plantedAddress.sun_family = AF_UNIX;
    std::memcpy(plantedAddress.sun_path, plantedPath.constData(), plantedPath.size());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(
        ::bind(listener, reinterpret_cast<sockaddr*>(&plantedAddress), sizeof plantedAddress), 0);
    int received[2];
    ASSERT_EQ(::pipe(received), 0);
    int listening[2];
    ASSERT_EQ(::pipe(listening), 0);
    auto thief = std::async(std::launch::async, [&] {
        return runAsNobody([&] {
            // The peer credentials are taken when the socket starts to listen.
            if (::listen(listener, 1) != 0 || ::write(listening[1], "l", 1) != 1)
                return 91;
            const int client = ::accept(listener, nullptr, nullptr);
            char buffer[256];
            const ssize_t length = client < 0 ? 0 : ::read(client, buffer, sizeof buffer);
            if (length > 0 && ::write(received[1], buffer, size_t(length)) < 0)
                return 92;
            return 0;
        });
    });
    // Hand off only once the thief listens: a refused connection would prove nothing.
    pollfd ready { listening[0], POLLIN, 0 };
    ASSERT_EQ(::poll(&ready, 1, 8000), 1);
    ::close(listening[0]);
    ::close(listening[1]);
    platform::LogCapture log;
    EXPECT_FALSE(BXSingleInstance(planted).handOff({ QStringLiteral("/secret-plans.brindlex") }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(thief); }, 8000));
    EXPECT_EQ(thief.get(), 0);
    ::close(listener);
    ::close(received[1]);
    char buffer[256];
    EXPECT_EQ(::read(received[0], buffer, sizeof buffer), 0);
    ::close(received[0]);
    EXPECT_TRUE(log.contains(QStringLiteral("runs as user 65534")));
}
