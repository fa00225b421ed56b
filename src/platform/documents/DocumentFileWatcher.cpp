#include "DocumentFileWatcher.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Events of a burst (a folder removed entry by entry, a package swapped in) settle into one
// report.
constexpr int kSettleMs = 150;

bool sameItem(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Where the item behind `fd` is now; empty once it has been deleted.
QString currentPath(int fd)
{
    char buffer[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0 || length == ssize_t(sizeof buffer))
        return {};
    const QString path = QFile::decodeName(QByteArray(buffer, int(length)));
    return path.endsWith(QLatin1String(" (deleted)")) ? QString() : path;
}

} // namespace

DocumentFileWatcher::DocumentFileWatcher(QObject* parent)
    : QObject(parent), m_settle(std::make_unique<QTimer>())
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle.get(), &QTimer::timeout, this, &DocumentFileWatcher::changed);
}

DocumentFileWatcher::~DocumentFileWatcher()
{
    stop();
}

void DocumentFileWatcher::watch(const QString& path)
{
    stop();
    if (path.isEmpty())
        return;
    const QByteArray native = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    m_item = ::open(native.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (m_item < 0)
        return;
    m_path = QFileInfo(path).absoluteFilePath();
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return;
    // The item itself, wherever it goes, and the names in its folder.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_item);
    ::inotify_add_watch(m_inotify, self.constData(), IN_MOVE_SELF | IN_DELETE_SELF | IN_ATTRIB);
    ::inotify_add_watch(m_inotify, QFile::encodeName(QFileInfo(m_path).path()).constData(),
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR);
    m_notifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &DocumentFileWatcher::readEvents);
}

void DocumentFileWatcher::stop()
{
    m_notifier.reset();
    m_settle->stop();
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_item >= 0)
        ::close(m_item);
    m_inotify = m_item = -1;
    m_path.clear();
}

void DocumentFileWatcher::readEvents()
{
    // What happened is read from the file system when the burst has settled, so the events
    // themselves only need draining.
    char buffer[4096];
    while (::read(m_inotify, buffer, sizeof buffer) > 0) { }
    m_settle->start();
}

DocumentFileWatcher::State DocumentFileWatcher::state() const
{
    if (m_item < 0)
        return State::Unchanged;
    struct stat watched = {};
    struct stat named = {};
    const bool alive = ::fstat(m_item, &watched) == 0 && watched.st_nlink > 0;
    const bool nameTaken = ::lstat(QFile::encodeName(m_path).constData(), &named) == 0;
    if (alive && nameTaken && sameItem(watched, named))
        return State::Unchanged;
    if (nameTaken)
        return State::Replaced;
    // A file manager deletes by moving into the trash.
    const QString now = alive ? currentPath(m_item) : QString();
    return now.isEmpty() || now.contains(QLatin1String("/Trash/files/")) ? State::Deleted
                                                                         : State::Moved;
}

QString DocumentFileWatcher::movedPath() const
{
    return state() == State::Moved ? currentPath(m_item) : QString();
}

} // namespace platform
