#include "LoopbackHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace bxtest {

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                if (request->endsWith("\r\n\r\n"))
                    return;
                *request += socket->readAll();
                if (!request->contains("\r\n\r\n"))
                    return;
                const QList<QByteArray> words = request->left(request->indexOf("\r\n")).split(' ');
                const QString path = QString::fromUtf8(words.value(1));
                *request = "\r\n\r\n";
                ++m_requests[path];
                serve(socket, path);
            });
        }
    });
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void LoopbackHttpServer::setBody(const QString& path, const QByteArray& body)
{
    m_routes.insert(path, { Route::Body, body, body.size() });
}

void LoopbackHttpServer::setRedirect(const QString& path, const QString& location)
{
    m_routes.insert(path, { Route::Redirect, location.toUtf8(), 0 });
}

void LoopbackHttpServer::setLargeBody(const QString& path, int megabytes)
{
    m_routes.insert(path, { Route::Large, {}, qint64(megabytes) * 1024 * 1024 });
}

void LoopbackHttpServer::setTrickle(const QString& path, int intervalMilliseconds)
{
    m_routes.insert(path, { Route::Trickle, {}, intervalMilliseconds });
}

void LoopbackHttpServer::serve(QTcpSocket* socket, const QString& path)
{
    const auto found = m_routes.constFind(path);
    if (found == m_routes.cend()) {
        socket->write("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    const Route route = *found;
    switch (route.kind) {
    case Route::Body:
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: "
            + QByteArray::number(route.size) + "\r\n\r\n" + route.payload);
        socket->disconnectFromHost();
        break;
    case Route::Redirect:
        socket->write(
            "HTTP/1.0 302 Found\r\nLocation: " + route.payload + "\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
        break;
    case Route::Large: {
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n");
        // Sent as the client takes it, so the test never holds the whole body either.
        auto left = std::make_shared<qint64>(route.size);
        auto sendMore = [socket, left] {
            if (socket->bytesToWrite() > 256 * 1024)
                return;
            const qint64 chunk = std::min<qint64>(*left, 64 * 1024);
            if (chunk <= 0) {
                socket->disconnectFromHost();
                return;
            }
            socket->write(QByteArray(chunk, 'x'));
            *left -= chunk;
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, sendMore);
        sendMore();
        break;
    }
    case Route::Trickle: {
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<lastversion>");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        timer->start(int(route.size));
        break;
    }
    }
}

} // namespace bxtest
