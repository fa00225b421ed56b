#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

// Keeps the application to one instance per user: the first launch holds a lock file and
// listens on a local socket in the runtime folder; a later launch hands its files (absolute
// paths) or a plain "reopen" to it and ends once they are acknowledged. A lock or socket left
// by a crashed instance is taken over. Main thread.
class BXSingleInstance final : public QObject {
    Q_OBJECT

public:
    // `runtimeFolder`: where the lock and the socket live ($XDG_RUNTIME_DIR).
    explicit BXSingleInstance(const QString& runtimeFolder, QObject* parent = nullptr);
    ~BXSingleInstance() override;

    // The folder the application uses: $XDG_RUNTIME_DIR, else the temporary folder.
    static QString defaultRuntimeFolder();

    // True when this process is now the one instance and listens for others.
    bool becomePrimary();
    // Sends `paths` (or "reopen" when empty) to the instance running; true once it answered.
    // Waits up to `timeoutMs` for an instance that is still starting.
    bool handOff(const QStringList& paths, int timeoutMs = 10000) const;

    QString socketPath() const;

    // Command-line arguments as absolute paths: file URLs become paths, relative paths are
    // taken from the current folder.
    static QStringList absolutePaths(const QStringList& arguments);

signals:
    void openRequested(const QStringList& paths);
    void reopenRequested();

private:
    void readRequest(QLocalSocket* socket);

    QString m_folder;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
