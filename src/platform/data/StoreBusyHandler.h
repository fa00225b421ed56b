#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

class SqliteDatabase;

// How a store's connections wait for a lock that another program holds on the file. The main
// thread waits a moment only, so the window never freezes behind the lock; other threads wait
// up to the store's busy timeout. Once a wait has run out the file counts as busy: statements
// still try the lock but no longer wait for it, while a worker thread probes the file through a
// connection of its own until the lock is gone. Owned by its store, whose connections it must
// outlive; thread-safe.
class StoreBusyHandler final {
public:
    static constexpr int kMainThreadWaitMs = 200;
    static constexpr int kProbeIntervalMs = 100;

    explicit StoreBusyHandler(int timeoutMs) : m_timeoutMs(timeoutMs) { }
    ~StoreBusyHandler();
    StoreBusyHandler(const StoreBusyHandler&) = delete;
    StoreBusyHandler& operator=(const StoreBusyHandler&) = delete;

    // Makes `db`'s statements wait as described; `path` is the file the probe opens.
    void install(SqliteDatabase& db, const QString& path);
    // Another program held the file for longer than a wait, and has not let go of it yet.
    bool isBusy() const { return m_busy.load(); }

    // Copies the store file at `from` to `to` without taking its lock, for a store that another
    // program holds: the file as that program found it, with the journal of a transaction it
    // has begun writing beside the copy so that the copy's first read rolls it back. Returns
    // an SQLite result code; a copy that does not check out is removed.
    static int copyHeldFile(const QString& from, const QString& to);

private:
    static int wait(void* handler, int count);
    bool waitOnce(int count);
    void startProbe();
    // Runs on the probe's thread until the file at `path` is free, the store has moved on
    // from it (another `generation`) or goes away.
    void probe(const QString& path, quint64 generation);

    const int m_timeoutMs;
    std::atomic<bool> m_busy = false;
    std::mutex m_mutex;
    std::condition_variable m_stop;
    bool m_stopping = false;
    QString m_path;
    quint64 m_generation = 0;
    std::thread m_probe;
};

} // namespace platform
