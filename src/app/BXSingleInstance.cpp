#include "app/BXSingleInstance.h"

#include "platform/foundation/Log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

namespace {

const QByteArray kReopen = "reopen";
const QByteArray kAcknowledged = "ok\n";

} // namespace

BXSingleInstance::BXSingleInstance(const QString& runtimeFolder, QObject* parent)
    : QObject(parent),
      m_folder(runtimeFolder),
      m_lock(runtimeFolder + QStringLiteral("/brindlex.lock"))
{
    // A lock whose process is gone is stale at once; a live one never is.
    m_lock.setStaleLockTime(0);
}

BXSingleInstance::~BXSingleInstance() = default;

QString BXSingleInstance::defaultRuntimeFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

QString BXSingleInstance::socketPath() const
{
    return m_folder + QStringLiteral("/brindlex.socket");
}

bool BXSingleInstance::becomePrimary()
{
    if (!m_lock.tryLock(0))
        return false;
    // Holding the lock, any socket file left here belongs to a crashed instance.
    QLocalServer::removeServer(socketPath());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        platform::log(
            QStringLiteral("cannot listen on %@: %@"), socketPath(), m_server->errorString());
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(
                socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
            if (socket->bytesAvailable())
                readRequest(socket);
        }
    });
    return true;
}

void BXSingleInstance::readRequest(QLocalSocket* socket)
{
    // One request: lines of paths, or "reopen", ended by an empty line.
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.endsWith("\n\n") && request != "\n")
        return;
    socket->write(kAcknowledged);
    socket->flush();
    QStringList paths;
    for (const QByteArray& line : request.split('\n')) {
        if (!line.isEmpty() && line != kReopen)
            paths.append(QString::fromUtf8(line));
    }
    if (paths.isEmpty())
        emit reopenRequested();
    else
        emit openRequested(paths);
}

bool BXSingleInstance::handOff(const QStringList& paths, int timeoutMs) const
{
    QByteArray request;
    for (const QString& path : paths)
        request += path.toUtf8() + '\n';
    if (paths.isEmpty())
        request = kReopen + '\n';
    request += '\n';

    // The first instance may hold the lock but not listen yet: try again until it does.
    const QDeadlineTimer deadline(timeoutMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(request);
            if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0))))
                return false;
            QByteArray answer;
            while (!answer.endsWith('\n')
                && socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 0))))
                answer += socket.readAll();
            return answer == kAcknowledged;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

QStringList BXSingleInstance::absolutePaths(const QStringList& arguments)
{
    QStringList paths;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        paths.append(QFileInfo(path).absoluteFilePath());
    }
    return paths;
}
