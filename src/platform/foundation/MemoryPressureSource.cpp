#include "platform/foundation/MemoryPressureSource.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"

#include <QFile>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr double kMeminfoInterval = 10.0;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 meminfoField(const QByteArray& meminfo, const QByteArray& name)
{
    for (const QByteArray& line : meminfo.split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

// The listening thread's side: the descriptors it polls, what a ready one means, and the way
// back to the source, which only the main thread reads or clears.
struct MemoryPressureSource::Listener {
    int wakeFd = -1;
    std::vector<int> fds;
    short events = POLLIN;
    // Runs on the listening thread for a ready descriptor; answers a level or 0.
    std::function<int(size_t index, short revents)> levelFor;
    MemoryPressureSource* source = nullptr;
    std::atomic<bool> running { true };

    ~Listener()
    {
        for (int fd : fds) {
            if (fd >= 0)
                close(fd);
        }
        if (wakeFd >= 0)
            close(wakeFd);
    }

    static void run(std::shared_ptr<Listener> listener)
    {
        while (listener->running) {
            std::vector<pollfd> polled { { listener->wakeFd, POLLIN, 0 } };
            for (int fd : listener->fds)
                polled.push_back({ fd, listener->events, 0 });
            if (poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR)
                return;
            if (!listener->running)
                return;
            for (size_t i = 1; i < polled.size(); ++i) {
                if (polled[i].revents & POLLERR) {
                    // The trigger or its cgroup went away: nothing more will come from it.
                    close(listener->fds[i - 1]);
                    listener->fds[i - 1] = -1;
                    continue;
                }
                if (!polled[i].revents)
                    continue;
                const int level = listener->levelFor(i - 1, polled[i].revents);
                if (level)
                    dispatchAsyncMain([listener, level] {
                        if (listener->source)
                            listener->source->fire(Level(level));
                    });
            }
        }
    }
};

MemoryPressureSource::MemoryPressureSource(Listening listening, QObject* parent)
    : QObject(parent), m_listening(listening)
{ }

MemoryPressureSource::~MemoryPressureSource()
{
    if (!m_listener)
        return;
    m_listener->source = nullptr;
    m_listener->running = false;
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = write(m_listener->wakeFd, &one, sizeof one);
}

void MemoryPressureSource::start()
{
    if (m_mechanism != Mechanism::None)
        return;
    if (m_listening == Listening::InjectedOnly)
        m_mechanism = Mechanism::InjectedOnly;
    else if (startPressureStall())
        m_mechanism = Mechanism::PressureStall;
    else if (startCgroupEvents())
        m_mechanism = Mechanism::CgroupEvents;
    else {
        startMemAvailable();
        m_mechanism = Mechanism::MemAvailable;
    }
    if (m_listener) {
        m_listener->source = this;
        m_listener->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        std::thread(&Listener::run, m_listener).detach();
    }
}

void MemoryPressureSource::fire(Level level)
{
    if (!m_calmTimer)
        m_calmTimer = std::make_unique<Timer>(kCalmInterval, false, [this] { m_currentLevel = 0; });
    m_calmTimer->start();
    if (level <= m_currentLevel)
        return;
    m_currentLevel = level;
    emit memoryPressure(level);
}

bool MemoryPressureSource::startPressureStall()
{
    // Two-second windows: unprivileged processes may use no other; the trigger text is written
    // with its terminating NUL.
    static const char* const kTriggers[] = { "some 150000 2000000", "full 100000 2000000" };
    auto listener = std::make_shared<Listener>();
    for (const char* trigger : kTriggers) {
        const int fd = open("/proc/pressure/memory", O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        listener->fds.push_back(fd);
        if (write(fd, trigger, strlen(trigger) + 1) < 0)
            return false;
    }
    listener->events = POLLPRI;
    listener->levelFor = [](size_t index, short revents) {
        if (!(revents & POLLPRI))
            return 0;
        return index == 0 ? int(Warning) : int(Critical);
    };
    m_listener = std::move(listener);
    return true;
}

bool MemoryPressureSource::startCgroupEvents()
{
    const QString folder = cgroupFolder(readAll(QStringLiteral("/proc/self/cgroup")));
    if (folder.isEmpty())
        return false;
    const QString eventsPath
        = QStringLiteral("/sys/fs/cgroup") + folder + QStringLiteral("/memory.events");
    const QByteArray initial = readAll(eventsPath);
    if (eventCounter(initial, "high") < 0)
        return false;
    auto listener = std::make_shared<Listener>();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return false;
    listener->fds.push_back(fd);
    if (inotify_add_watch(fd, QFile::encodeName(eventsPath).constData(), IN_MODIFY) < 0)
        return false;
    auto counts = std::make_shared<std::pair<qint64, qint64>>(
        eventCounter(initial, "high"), eventCounter(initial, "max"));
    listener->levelFor = [fd, eventsPath, counts](size_t, short) {
        char drain[4096];
        while (read(fd, drain, sizeof drain) > 0) { }
        const QByteArray now = readAll(eventsPath);
        const qint64 high = eventCounter(now, "high");
        const qint64 max = eventCounter(now, "max");
        const int level = max > counts->second ? int(Critical)
            : high > counts->first             ? int(Warning)
                                               : 0;
        *counts = { high, max };
        return level;
    };
    m_listener = std::move(listener);
    return true;
}

void MemoryPressureSource::startMemAvailable()
{
    m_meminfoTimer = std::make_unique<Timer>(kMeminfoInterval, true, [this] {
        const int level = meminfoLevel(readAll(QStringLiteral("/proc/meminfo")));
        // Reported when it sets in or worsens, not on every reading while it lasts.
        if (level > m_lastMeminfoLevel)
            fire(Level(level));
        m_lastMeminfoLevel = level;
    });
    m_meminfoTimer->start();
}

QString MemoryPressureSource::cgroupFolder(const QByteArray& procSelfCgroup)
{
    for (const QByteArray& line : procSelfCgroup.split('\n')) {
        if (line.startsWith("0::"))
            return QString::fromUtf8(line.mid(3).trimmed());
    }
    return {};
}

qint64 MemoryPressureSource::eventCounter(const QByteArray& memoryEvents, const QByteArray& name)
{
    for (const QByteArray& line : memoryEvents.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2 && fields[0] == name)
            return fields[1].toLongLong();
    }
    return -1;
}

int MemoryPressureSource::meminfoLevel(const QByteArray& procMeminfo)
{
    const qint64 total = meminfoField(procMeminfo, "MemTotal");
    const qint64 available = meminfoField(procMeminfo, "MemAvailable");
    if (total <= 0 || available < 0)
        return 0;
    if (available * 20 < total)
        return Critical;
    return available * 10 < total ? Warning : 0;
}

} // namespace platform
