#include "StoreBusyHandler.h"

#include "SqliteDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <iterator>

namespace platform {

namespace {

// SQLite's own steps: quick retries first, then a tenth of a second at a time.
constexpr int kDelaysMs[] = { 1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100 };

int waitedBefore(int count)
{
    const int steps = int(std::size(kDelaysMs));
    int total = 0;
    for (int i = 0; i < std::min(count, steps); ++i)
        total += kDelaysMs[i];
    return total + std::max(0, count - steps) * kDelaysMs[steps - 1];
}

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

// What tells one state of a file from another: gone, or its inode, size and change time.
struct FileState {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    timespec changed {};

    explicit FileState(const QString& path)
    {
        struct stat info { };
        exists = ::stat(QFile::encodeName(path).constData(), &info) == 0;
        if (exists) {
            inode = info.st_ino;
            size = info.st_size;
            changed = info.st_mtim;
        }
    }
    bool operator==(const FileState& other) const
    {
        return exists == other.exists && inode == other.inode && size == other.size
            && changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

bool checksOut(const QString& path)
{
    SqliteDatabase copy;
    if (copy.open(path, false, false) != SQLITE_OK)
        return false;
    SqliteStatement check = copy.prepare(QStringLiteral("PRAGMA quick_check"));
    return check.isValid() && check.step() == SQLITE_ROW && check.text(0) == QLatin1String("ok");
}

} // namespace

StoreBusyHandler::~StoreBusyHandler()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stop.notify_all();
    if (m_probe.joinable())
        m_probe.join();
}

void StoreBusyHandler::install(SqliteDatabase& db, const QString& path)
{
    {
        std::lock_guard lock(m_mutex);
        // Another file (a copy, a moved file) is not known to be held; a probe of the one
        // before ends.
        if (m_path != path) {
            m_path = path;
            ++m_generation;
            m_busy.store(false);
        }
    }
    m_stop.notify_all();
    sqlite3_busy_handler(db.handle(), &StoreBusyHandler::wait, this);
}

int StoreBusyHandler::wait(void* handler, int count)
{
    return static_cast<StoreBusyHandler*>(handler)->waitOnce(count) ? 1 : 0;
}

bool StoreBusyHandler::waitOnce(int count)
{
    if (m_busy.load())
        return false;
    const int limit = onMainThread() ? std::min(kMainThreadWaitMs, m_timeoutMs) : m_timeoutMs;
    const int waited = waitedBefore(count);
    if (waited >= limit) {
        // Only the wait that finds the file free of the busy mark starts the probe.
        bool wasBusy = false;
        if (m_busy.compare_exchange_strong(wasBusy, true))
            startProbe();
        return false;
    }
    const int step = kDelaysMs[std::min(count, int(std::size(kDelaysMs)) - 1)];
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(step, limit - waited)));
    return true;
}

void StoreBusyHandler::startProbe()
{
    std::thread before;
    {
        std::lock_guard lock(m_mutex);
        before = std::move(m_probe);
    }
    // A probe before this one has cleared the mark (it only lets go of the file now) or probes
    // a file the store has left (it ends at the next look).
    if (before.joinable())
        before.join();
    std::lock_guard lock(m_mutex);
    if (!m_stopping)
        m_probe = std::thread(
            [this, path = m_path, generation = m_generation] { probe(path, generation); });
}

void StoreBusyHandler::probe(const QString& path, quint64 generation)
{
    const auto clear = [this, generation] {
        std::lock_guard lock(m_mutex);
        if (m_generation == generation)
            m_busy.store(false);
    };
    SqliteDatabase db;
    if (db.open(path, false, false) != SQLITE_OK) {
        clear();
        return;
    }
    // An exclusive lock is what a save needs; the probe's connection never waits for it.
    for (;;) {
        const int result = db.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        const int primary = result & 0xff;
        // Anything but the lock (the file gone or damaged) is for the next statement to tell.
        if (result == SQLITE_OK || (primary != SQLITE_BUSY && primary != SQLITE_LOCKED)) {
            // Cleared while the probe still holds the lock, so that a statement meeting it
            // waits for the moment it takes to let go rather than failing.
            clear();
            if (result == SQLITE_OK)
                db.exec(QStringLiteral("ROLLBACK"));
            return;
        }
        std::unique_lock lock(m_mutex);
        if (m_stop.wait_for(lock, std::chrono::milliseconds(kProbeIntervalMs),
                [this, generation] { return m_stopping || m_generation != generation; }))
            return;
    }
}

int StoreBusyHandler::copyHeldFile(const QString& from, const QString& to)
{
    const QString journal = from + QStringLiteral("-journal");
    const QString copiedJournal = to + QStringLiteral("-journal");
    // The holder writes a page's old content into its journal before it changes the page in
    // the file, so a journal copied after the file holds every page the file copy may have
    // changed. A file or journal that changed meanwhile (a commit) makes another attempt.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const FileState fileBefore(from);
        const FileState journalBefore(journal);
        QFile::remove(to);
        QFile::remove(copiedJournal);
        if (!fileBefore.exists || !QFile::copy(from, to))
            return SQLITE_CANTOPEN;
        if (journalBefore.exists && !QFile::copy(journal, copiedJournal))
            continue;
        if (!(FileState(from) == fileBefore) || !(FileState(journal) == journalBefore))
            continue;
        if (checksOut(to)) {
            QFile::remove(copiedJournal);
            return SQLITE_OK;
        }
    }
    QFile::remove(to);
    QFile::remove(copiedJournal);
    return SQLITE_BUSY;
}

} // namespace platform
