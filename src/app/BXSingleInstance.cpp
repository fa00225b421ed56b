#include "app/BXSingleInstance.h"

#include "platform/foundation/Log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kReopen = "reopen";
const QByteArray kAcknowledged = "ok\n";
// A client that neither finishes its request nor leaves is dropped after this long.
constexpr int kRequestTimeoutMs = 10000;

// The user id of the process at the other end of a local socket.
std::optional<uid_t> peerUser(qintptr descriptor)
{
    ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

QString describeUser(std::optional<uid_t> user)
{
    return user ? QString::number(*user) : QStringLiteral("unknown");
}

struct Request {
    QStringList paths;
    int leftOut = 0;
};

// The line that counts the files a launch could not hand over with the rest: "+" and the count.
QByteArray leftOutLine(int count)
{
    return '+' + QByteArray::number(count);
}

// A path's line, or nullopt for a path no instance takes.
std::optional<QByteArray> encodedPath(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() > PATH_MAX || !bytes.startsWith('/') || bytes.contains('\0'))
        return std::nullopt;
    return bytes.toPercentEncoding("/");
}

// A request is one line per path, each path's bytes percent-encoded so that a newline in a
// path survives, then, when the launch left files out, the line counting them; or the single
// line "reopen". Nullopt, with the reason, when it asks for more than an instance takes.
std::optional<Request> decodeRequest(QByteArrayView request, QString* why)
{
    if (request == kReopen)
        return Request();
    Request decoded;
    QStringList& paths = decoded.paths;
    qsizetype from = 0;
    while (from < request.size()) {
        qsizetype to = request.indexOf('\n', from);
        if (to < 0)
            to = request.size();
        const QByteArrayView encoded = request.sliced(from, to - from);
        from = to + 1;
        if (encoded.startsWith('+') && from >= request.size() && !paths.isEmpty()) {
            bool counted = false;
            decoded.leftOut = encoded.sliced(1).toByteArray().toInt(&counted);
            if (counted && decoded.leftOut > 0)
                break;
            *why = QStringLiteral("a count of files left out that is no count");
            return std::nullopt;
        }
        if (paths.size() == BXSingleInstance::maximumPaths) {
            *why = QStringLiteral("more than %1 paths").arg(BXSingleInstance::maximumPaths);
            return std::nullopt;
        }
        if (encoded.size() > 3 * PATH_MAX) {
            *why = QStringLiteral("a path longer than %1 bytes").arg(PATH_MAX);
            return std::nullopt;
        }
        const QByteArray path = QByteArray::fromPercentEncoding(encoded.toByteArray());
        if (path.size() > PATH_MAX) {
            *why = QStringLiteral("a path longer than %1 bytes").arg(PATH_MAX);
            return std::nullopt;
        }
        if (!path.startsWith('/') || path.contains('\0')) {
            *why = QStringLiteral("a path that is not absolute or holds a NUL byte");
            return std::nullopt;
        }
        paths.append(QFile::decodeName(path));
    }
    return decoded;
}

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
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    return QDir::tempPath() + QStringLiteral("/brindlex-runtime-%1").arg(::geteuid());
}

QString BXSingleInstance::socketPath() const
{
    return m_folder + QStringLiteral("/brindlex.socket");
}

bool BXSingleInstance::folderIsSafe() const
{
    // Another user who can plant the lock and the socket here would receive the files.
    const QByteArray path = QFile::encodeName(m_folder);
    if (m_folder.isEmpty() || (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)) {
        platform::log(QStringLiteral("cannot make the runtime folder %@ (%@): running without "
                                     "handing files between instances"),
            m_folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info { };
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        platform::log(QStringLiteral("the runtime folder %@ is not this user's own folder closed "
                                     "to others: running without handing files between "
                                     "instances"),
            m_folder);
        return false;
    }
    return true;
}

bool BXSingleInstance::becomePrimary()
{
    if (!folderIsSafe())
        return true;
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
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            accept(socket);
    });
    return true;
}

void BXSingleInstance::accept(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const std::optional<uid_t> peer = peerUser(socket->socketDescriptor());
    if (peer != ::geteuid()) {
        platform::log(QStringLiteral("refused a hand-off from user %@"), describeUser(peer));
        socket->abort();
        socket->deleteLater();
        return;
    }
    QTimer::singleShot(kRequestTimeoutMs, socket, &QLocalSocket::abort);
    // The request grows in one buffer, never past the bound, and is searched for its end only
    // where new bytes came in.
    auto request = std::make_shared<QByteArray>();
    auto read = [this, socket, request] {
        const qsizetype start = request->size();
        const qint64 wanted
            = std::min<qint64>(socket->bytesAvailable(), maximumRequestBytes + 1 - start);
        request->resize(start + wanted);
        request->resize(start + std::max<qint64>(socket->read(request->data() + start, wanted), 0));
        // A request ends at its first empty line.
        const qsizetype end = request->indexOf("\n\n", std::max<qsizetype>(start - 1, 0));
        if (end < 0) {
            if (request->size() > maximumRequestBytes) {
                platform::log(QStringLiteral("refused a hand-off of more than %@ bytes"),
                    maximumRequestBytes);
                socket->abort();
            }
            return;
        }
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        QString why;
        const std::optional<Request> decoded
            = decodeRequest(QByteArrayView(*request).first(end), &why);
        request->clear();
        if (!decoded) {
            platform::log(QStringLiteral("refused a hand-off of %@"), why);
            socket->abort();
            return;
        }
        socket->write(kAcknowledged);
        socket->disconnectFromServer();
        // Opening may run a dialog with an event loop of its own, in which the socket can go
        // away: it happens once the socket's notification is over.
        QMetaObject::invokeMethod(
            this,
            [this, request = *decoded] {
                if (request.paths.isEmpty())
                    emit reopenRequested();
                else
                    emit openRequested(request.paths, request.leftOut);
            },
            Qt::QueuedConnection);
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable())
        read();
}

bool BXSingleInstance::handOff(const QStringList& paths, int timeoutMs) const
{
    if (!folderIsSafe())
        return false;
    // What fits in one request goes, in order; the instance is told how many did not, so that
    // it can say so to the user.
    QByteArray request;
    int handed = 0;
    int leftOut = 0;
    // Room for the count of those left out and the request's end.
    const qsizetype room = maximumRequestBytes - leftOutLine(int(paths.size())).size() - 2;
    for (const QString& path : paths) {
        const std::optional<QByteArray> line = encodedPath(path);
        if (!line || handed == maximumPaths || request.size() + line->size() + 1 > room) {
            ++leftOut;
            continue;
        }
        request += *line + '\n';
        ++handed;
    }
    if (paths.isEmpty())
        request = kReopen + '\n';
    else if (handed == 0)
        return false;
    if (leftOut > 0) {
        platform::log(QStringLiteral("%@ of %@ files left out of the hand-off to the running "
                                     "instance: at most %@ paths, %@ bytes"),
            leftOut, paths.size(), maximumPaths, maximumRequestBytes);
        request += leftOutLine(leftOut) + '\n';
    }
    request += '\n';

    // The first instance may hold the lock but not listen yet: try again until it does.
    const QDeadlineTimer deadline(timeoutMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
            const std::optional<uid_t> peer = peerUser(socket.socketDescriptor());
            if (peer != ::geteuid()) {
                platform::log(QStringLiteral("the instance listening on %@ runs as user %@: "
                                             "nothing handed to it"),
                    socketPath(), describeUser(peer));
                return false;
            }
            socket.write(request);
            while (socket.bytesToWrite() > 0) {
                if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0))))
                    return false;
            }
            QByteArray answer;
            while (!answer.endsWith('\n') && answer.size() < kAcknowledged.size()
                && socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 0))))
                answer += socket.read(kAcknowledged.size() - answer.size());
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
