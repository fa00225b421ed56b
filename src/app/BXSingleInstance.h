#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

// Keeps the application to one instance per user: the first launch holds a lock file and
// listens on a local socket in the runtime folder; a later launch hands its files (absolute
// paths) or a plain "reopen" to it and ends once they are acknowledged. A lock or socket left
// by a crashed instance is taken over. Only a folder that is the user's own and closed to
// others is used, and both ends of the socket must run as the same user; otherwise the
// instance runs alone. Main thread; the signals come from the event loop, never from inside
// the socket's own notification.
class BXSingleInstance final : public QObject {
    Q_OBJECT

public:
    // What one request may hold; anything larger is refused whole. A launch with more files
    // hands over those that fit and tells how many it left out.
    static constexpr qsizetype maximumPaths = 4096;
    static constexpr qsizetype maximumRequestBytes = 4 * 1024 * 1024;

    // `runtimeFolder`: where the lock and the socket live ($XDG_RUNTIME_DIR).
    explicit BXSingleInstance(const QString& runtimeFolder, QObject* parent = nullptr);
    ~BXSingleInstance() override;

    // $XDG_RUNTIME_DIR when set, else a folder of this user's in the temporary folder.
    static QString defaultRuntimeFolder();

    // True when this process is now the one instance (and listens for others), or runs
    // alone because the runtime folder is not safe to share.
    bool becomePrimary();
    // Sends `paths` (or "reopen" when empty) to the instance running; true once it answered.
    // Of more paths than a request holds, and of paths no instance takes (not absolute, too
    // long, holding a NUL byte), only the count goes over; false when no path is left to hand.
    // Waits up to `timeoutMs` for an instance that is still starting.
    bool handOff(const QStringList& paths, int timeoutMs = 10000) const;

    QString socketPath() const;

    // Command-line arguments as absolute paths: file URLs become paths, relative paths are
    // taken from the current folder.
    static QStringList absolutePaths(const QStringList& arguments);

signals:
    // `leftOut`: how many more files the launch was given but could not hand over.
    void openRequested(const QStringList& paths, int leftOut);
    void reopenRequested();

private:
    // Creates the folder (0700) when missing; false, with a log line, when it is not a folder
    // of this user's that nobody else can write.
    bool folderIsSafe() const;
    void accept(QLocalSocket* socket);

    QString m_folder;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
