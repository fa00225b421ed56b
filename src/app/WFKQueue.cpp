#include "app/WFKQueue.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QFileInfo>
#include <QMutex>
#include <QPointer>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPollTimeoutMs = 5000;

// What the watch of an entry itself asks the kernel for. A folder's "write" is a change of
// its entries; a file's is a modification.
constexpr quint32 kSelfMask = IN_MOVE_SELF | IN_DELETE_SELF | IN_ATTRIB | IN_UNMOUNT;
constexpr quint32 kFileMask = kSelfMask | IN_MODIFY;
constexpr quint32 kFolderMask = kSelfMask | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The open descriptor keeps a removed entry's inode alive, so the kernel never says it was
// deleted; a change in its folder is the cue to look at its link count.
constexpr quint32 kParentMask = IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

struct Report {
    quint64 entryId;
    QString name;
    QString path;
    QString newPath;
};

const std::pair<quint32, const QString*> kReportOrder[] = {
    { WFKQueue::Rename, &WFKQueueFileRenamedNotification },
    { WFKQueue::Write, &WFKQueueFileWrittenToNotification },
    { WFKQueue::Delete, &WFKQueueFileDeletedNotification },
    { WFKQueue::Attrib, &WFKQueueFileAttributesChangedNotification },
    { WFKQueue::Extend, &WFKQueueFileSizeIncreasedNotification },
    { WFKQueue::Link, &WFKQueueFileLinkCountChangedNotification },
    { WFKQueue::Revoke, &WFKQueueFileAccessRevocationNotification },
};

// Where the entry behind `fd` is now; empty once it has been deleted.
QString currentPath(int fd)
{
    char buffer[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t length = readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0 || length == ssize_t(sizeof buffer))
        return {};
    const QString path = QString::fromUtf8(buffer, length);
    return path.endsWith(QLatin1String(" (deleted)")) ? QString() : path;
}

} // namespace

struct WFKQueue::State {
    struct Entry {
        quint64 id;
        QString path;
        int fd;
        int selfWd;
        int parentWd;
        quint32 flags;
        bool isFolder;
        qint64 size;
        nlink_t links;
        bool deletionReported = false;
    };

    int inotifyFd = -1;
    int wakeFd = -1;
    std::atomic<bool> keepThreadRunning { false };
    // The watcher's address identifies it as the sender of its notifications, also after it
    // is gone.
    const void* sender = nullptr;

    mutable QMutex mutex;
    WFKQueue* owner = nullptr; // null once the watcher is destroyed
    QPointer<QObject> delegate; // main thread only
    bool hasDelegate = false;
    bool alwaysNotify = false;
    std::vector<Entry> entries;
    std::map<int, int> watchUses; // wd -> entries using it as their own or their folder's
    quint64 nextId = 1;

    int addWatch(const QByteArray& path, quint32 mask)
    {
        const int wd = inotify_add_watch(inotifyFd, path.constData(), mask | IN_MASK_ADD);
        if (wd >= 0)
            ++watchUses[wd];
        return wd;
    }

    void releaseWatch(int wd)
    {
        const auto use = watchUses.find(wd);
        if (use == watchUses.end())
            return;
        if (--use->second == 0) {
            inotify_rm_watch(inotifyFd, wd);
            watchUses.erase(use);
        }
    }

    bool isListed(quint64 id) const
    {
        QMutexLocker lock(&mutex);
        for (const Entry& entry : entries) {
            if (entry.id == id)
                return true;
        }
        return false;
    }

    // The wake-up descriptor goes last, with whichever of the watcher and its thread ends
    // later, so the watcher never signals a descriptor the thread has already given back.
    ~State()
    {
        if (wakeFd >= 0)
            close(wakeFd);
    }

    std::vector<Report> takeReports(const char* buffer, ssize_t length);
    void deliver(const Report& report);
};

std::vector<Report> WFKQueue::State::takeReports(const char* buffer, ssize_t length)
{
    QMutexLocker lock(&mutex);
    // The events of one read are gathered per entry, as a kernel queue gathers an event's
    // flags, so their reports come in the fixed order: a rename before the write.
    std::vector<quint32> seen(entries.size(), 0);
    std::vector<bool> folderChanged(entries.size(), false);
    for (ssize_t offset = 0; offset < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
        offset += ssize_t(sizeof(inotify_event) + event->len);
        if (event->mask & IN_IGNORED) {
            watchUses.erase(event->wd);
            for (Entry& entry : entries) {
                if (entry.selfWd == event->wd)
                    entry.selfWd = -1;
                if (entry.parentWd == event->wd)
                    entry.parentWd = -1;
            }
            continue;
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].selfWd == event->wd)
                seen[i] |= event->mask;
            if (entries[i].parentWd == event->wd && (event->mask & kParentMask))
                folderChanged[i] = true;
        }
    }

    std::vector<Report> reports;
    for (size_t i = 0; i < entries.size(); ++i) {
        Entry& entry = entries[i];
        const quint32 mask = seen[i];
        if (!mask && !folderChanged[i])
            continue;
        quint32 flags = 0;
        struct stat info { };
        const bool haveInfo = fstat(entry.fd, &info) == 0;
        if (mask & IN_MOVE_SELF)
            flags |= Rename;
        if (mask & (entry.isFolder ? kFolderMask & ~kSelfMask : IN_MODIFY))
            flags |= Write;
        if (entry.isFolder && (mask & IN_ISDIR) && (mask & (IN_CREATE | IN_DELETE)))
            flags |= Link;
        if (mask & IN_ATTRIB) {
            const bool linksChanged = haveInfo && info.st_nlink != entry.links;
            flags |= linksChanged ? Link : Attrib;
        }
        if (haveInfo && !entry.isFolder && (mask & IN_MODIFY) && info.st_size > entry.size)
            flags |= Extend;
        if (mask & IN_UNMOUNT)
            flags |= Revoke;
        const bool gone = (mask & IN_DELETE_SELF) || (haveInfo && info.st_nlink == 0);
        if (gone && !entry.deletionReported) {
            flags |= Delete;
            entry.deletionReported = true;
        }
        if (haveInfo) {
            entry.size = info.st_size;
            entry.links = info.st_nlink;
        }
        flags &= entry.flags;
        if (!flags)
            continue;
        const QString newPath = currentPath(entry.fd);
        for (const auto& [flag, name] : kReportOrder) {
            if (flags & flag)
                reports.push_back({ entry.id, *name, entry.path, newPath });
        }
    }
    return reports;
}

void WFKQueue::State::deliver(const Report& report)
{
    if (!isListed(report.entryId))
        return;
    bool delegateSet;
    {
        QMutexLocker lock(&mutex);
        delegateSet = hasDelegate;
    }
    if (delegateSet) {
        // The watcher or its delegate may have gone while this thread waited for the main one.
        platform::dispatchSyncMain([this, &report] {
            WFKQueue* watcher;
            QObject* target;
            {
                QMutexLocker lock(&mutex);
                watcher = owner;
                target = delegate.data();
            }
            auto* receiver = dynamic_cast<WFFileWatcherDelegate*>(target);
            if (watcher && receiver && isListed(report.entryId))
                receiver->watcherReceivedNotification(
                    watcher, report.name, report.path, report.newPath);
        });
        QMutexLocker lock(&mutex);
        if (!owner || (hasDelegate && !alwaysNotify))
            return;
    }
    QVariantMap userInfo { { QStringLiteral("path"), report.path } };
    if (!report.newPath.isEmpty())
        userInfo.insert(QStringLiteral("newPath"), report.newPath);
    platform::NotificationCenter::workspaceCenter().post(report.name, sender, userInfo);
}

WFKQueue::WFKQueue() : m_state(std::make_shared<State>())
{
    m_state->sender = this;
    m_state->owner = this;
    m_state->inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_state->inotifyFd < 0)
        return;
    m_state->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_state->wakeFd < 0) {
        close(m_state->inotifyFd);
        m_state->inotifyFd = -1;
        return;
    }
    m_state->keepThreadRunning = true;
    std::thread(&WFKQueue::watcherThread, m_state).detach();
}

WFKQueue::~WFKQueue()
{
    std::vector<int> fds;
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->owner = nullptr;
        m_state->hasDelegate = false;
        m_state->delegate = nullptr;
        for (const State::Entry& entry : m_state->entries)
            fds.push_back(entry.fd);
        m_state->entries.clear();
    }
    for (int fd : fds) {
        if (close(fd) != 0)
            platform::log(QStringLiteral("dealloc: Couldn't close file descriptor (%@)"), errno);
    }
    if (!m_state->keepThreadRunning.exchange(false))
        return;
    // The thread closes the inotify instance itself once it wakes; nothing waits for it here.
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = write(m_state->wakeFd, &one, sizeof one);
}

bool WFKQueue::isValid() const
{
    return m_state->inotifyFd >= 0;
}

int WFKQueue::queueFD() const
{
    return m_state->inotifyFd;
}

void WFKQueue::addPath(const QString& path)
{
    addPathToQueue(path, kDefaultFlags);
}

void WFKQueue::addPathToQueue(const QString& path, quint32 flags)
{
    if (!isValid())
        return;
    const int fd = open(QFile::encodeName(path).constData(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info { };
    if (fstat(fd, &info) != 0) {
        close(fd);
        return;
    }
    const bool isFolder = S_ISDIR(info.st_mode);
    QMutexLocker lock(&m_state->mutex);
    // Watching through the descriptor pins the watch to the inode that was opened.
    const int selfWd = m_state->addWatch(
        "/proc/self/fd/" + QByteArray::number(fd), isFolder ? kFolderMask : kFileMask);
    const QString parent = QFileInfo(path).absolutePath();
    const int parentWd = m_state->addWatch(QFile::encodeName(parent), kParentMask);
    m_state->entries.push_back({ m_state->nextId++, path, fd, selfWd, parentWd, flags, isFolder,
        qint64(info.st_size), info.st_nlink });
}

void WFKQueue::removePath(const QString& path)
{
    int fd = -1;
    {
        QMutexLocker lock(&m_state->mutex);
        auto& entries = m_state->entries;
        const auto entry = std::find_if(entries.begin(), entries.end(),
            [&](const State::Entry& candidate) { return candidate.path == path; });
        if (entry == entries.end())
            return;
        fd = entry->fd;
        m_state->releaseWatch(entry->selfWd);
        m_state->releaseWatch(entry->parentWd);
        entries.erase(entry);
    }
    if (close(fd) != 0)
        platform::log(
            QStringLiteral("removePathFromQueue: Couldn't close file descriptor (%@)"), errno);
}

void WFKQueue::removeAllPaths()
{
    QMutexLocker lock(&m_state->mutex);
    for (const State::Entry& entry : m_state->entries) {
        m_state->releaseWatch(entry.selfWd);
        m_state->releaseWatch(entry.parentWd);
        close(entry.fd);
    }
    m_state->entries.clear();
}

QStringList WFKQueue::watchedPaths() const
{
    QMutexLocker lock(&m_state->mutex);
    QStringList paths;
    for (const State::Entry& entry : m_state->entries)
        paths.append(entry.path);
    return paths;
}

QObject* WFKQueue::delegate() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->delegate.data();
}

void WFKQueue::setDelegate(QObject* delegate)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->delegate = delegate;
    m_state->hasDelegate = delegate != nullptr;
}

bool WFKQueue::alwaysNotify() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->alwaysNotify;
}

void WFKQueue::setAlwaysNotify(bool alwaysNotify)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->alwaysNotify = alwaysNotify;
}

QString WFKQueue::description() const
{
    const QStringList paths = watchedPaths();
    return QStringLiteral("WFKQueue { watchedPaths = (%1), alwaysNotify = %2 }")
        .arg(paths.join(QLatin1String(", ")),
            alwaysNotify() ? QLatin1String("YES") : QLatin1String("NO"));
}

void WFKQueue::watcherThread(std::shared_ptr<State> state)
{
    alignas(inotify_event) char buffer[16 * 1024];
    while (state->keepThreadRunning) {
        pollfd fds[2] = { { state->inotifyFd, POLLIN, 0 }, { state->wakeFd, POLLIN, 0 } };
        const int ready = poll(fds, 2, kPollTimeoutMs);
        if (!state->keepThreadRunning)
            break;
        if (ready <= 0 || !(fds[0].revents & POLLIN))
            continue;
        const ssize_t length = read(state->inotifyFd, buffer, sizeof buffer);
        if (length <= 0)
            continue;
        for (const Report& report : state->takeReports(buffer, length)) {
            if (!state->keepThreadRunning)
                break;
            state->deliver(report);
        }
    }
    if (close(state->inotifyFd) != 0)
        platform::log(QStringLiteral("release: Couldn't close main kqueue (%@)"), errno);
}
