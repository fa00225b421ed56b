#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The seven kinds of change a watcher reports, in the order one event is reported.
inline const QString WFKQueueFileRenamedNotification
    = QStringLiteral("WFKQueueFileRenamedNotification");
inline const QString WFKQueueFileWrittenToNotification
    = QStringLiteral("WFKQueueFileWrittenToNotification");
inline const QString WFKQueueFileDeletedNotification
    = QStringLiteral("WFKQueueFileDeletedNotification");
inline const QString WFKQueueFileAttributesChangedNotification
    = QStringLiteral("WFKQueueFileAttributesChangedNotification");
inline const QString WFKQueueFileSizeIncreasedNotification
    = QStringLiteral("WFKQueueFileSizeIncreasedNotification");
inline const QString WFKQueueFileLinkCountChangedNotification
    = QStringLiteral("WFKQueueFileLinkCountChangedNotification");
inline const QString WFKQueueFileAccessRevocationNotification
    = QStringLiteral("WFKQueueFileAccessRevocationNotification");

class WFKQueue;

// Told of each change on the main thread; `newPath` is the entry's current location, empty
// when it is unknown (the file is gone).
class WFFileWatcherDelegate {
public:
    virtual ~WFFileWatcherDelegate() = default;
    virtual void watcherReceivedNotification(
        WFKQueue* watcher, const QString& name, const QString& path, const QString& newPath)
        = 0;
};

// Watches files and folders (notes files are folders) through inotify and reports renames,
// writes, deletions, attribute and link-count changes, growth and unmounts. One thread per
// watcher waits on the kernel; reports go to the delegate on the main thread (the thread waits
// for each), else are posted on the workspace notification centre from the watcher's thread
// with the user info {"path", "newPath"}. Each list entry gets its own report, so a path listed
// twice is reported twice. Any thread may add and remove paths.
class WFKQueue final {
public:
    // The kernel-queue flags a caller may ask for.
    enum Flag : quint32 {
        Delete = 0x01,
        Write = 0x02,
        Extend = 0x04,
        Attrib = 0x08,
        Link = 0x10,
        Rename = 0x20,
        Revoke = 0x40,
    };
    static constexpr quint32 kDefaultFlags = Delete | Write | Attrib | Rename;

    WFKQueue();
    // Wakes the thread and returns without waiting for it; no report is made afterwards.
    ~WFKQueue();
    WFKQueue(const WFKQueue&) = delete;
    WFKQueue& operator=(const WFKQueue&) = delete;

    // False when the kernel refused an inotify instance; such a watcher watches nothing.
    bool isValid() const;
    int queueFD() const;

    // Watches `path` for the default changes; a path that cannot be opened is not listed.
    void addPath(const QString& path);
    void addPathToQueue(const QString& path, quint32 flags);
    // Removes the first entry equal to `path`.
    void removePath(const QString& path);
    void removeAllPaths();
    QStringList watchedPaths() const;

    // Not owned: a QObject implementing WFFileWatcherDelegate, or null. A delegate destroyed
    // while set is simply no longer called.
    QObject* delegate() const;
    void setDelegate(QObject* delegate);
    bool alwaysNotify() const;
    void setAlwaysNotify(bool alwaysNotify);

    QString description() const;

private:
    struct State;
    static void watcherThread(std::shared_ptr<State> state);

    // Shared with the thread, which outlives the watcher until it sees the stop signal.
    std::shared_ptr<State> m_state;
};
