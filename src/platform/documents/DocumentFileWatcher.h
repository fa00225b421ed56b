#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
class QTimer;

namespace platform {

// Watches the file (or package folder) a document stands for, as the platform's file
// coordination tells an open document: the item itself is held by an O_PATH descriptor, so a
// rename is followed to the new place, and its folder is watched for another item taking its
// name. Reports come as changed(), a moment after the last event of a burst; state() then says
// what happened. Main thread: inotify is read through the event loop.
class DocumentFileWatcher final : public QObject {
    Q_OBJECT

public:
    enum class State {
        // The item is where it was, or nothing is watched.
        Unchanged,
        // The item was renamed or moved; movedPath() is where it is now.
        Moved,
        // The item is gone from the file system.
        Deleted,
        // Another item has its name, and the watched one is gone or elsewhere.
        Replaced,
    };

    explicit DocumentFileWatcher(QObject* parent = nullptr);
    ~DocumentFileWatcher() override;

    // Starts watching the item at `path` as it is now; an empty path, or one with nothing at
    // it, watches nothing.
    void watch(const QString& path);
    void stop();
    QString watchedPath() const { return m_path; }

    // What became of the watched item; asks the file system, so it is current also before
    // changed() has come.
    State state() const;
    // The item's place after a move; empty unless state() is Moved.
    QString movedPath() const;

signals:
    void changed();

private:
    void readEvents();

    QString m_path;
    int m_item = -1;
    int m_inotify = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QTimer> m_settle;
};

} // namespace platform
