#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace bxtest {

// A small HTTP/1.0 server on 127.0.0.1 for tests of network clients: each path answers with
// a fixed body, a redirect, a body of many megabytes sent as the client reads, or a trickle of
// one byte per interval that never ends. Unknown paths get 404. Main thread.
class LoopbackHttpServer final : public QObject {
    Q_OBJECT

public:
    explicit LoopbackHttpServer(QObject* parent = nullptr);

    QUrl url(const QString& path) const;

    void setBody(const QString& path, const QByteArray& body);
    void setRedirect(const QString& path, const QString& location);
    // `megabytes` of "x" after a valid HTTP header; no Content-Length.
    void setLargeBody(const QString& path, int megabytes);
    // A header, then one byte every `intervalMilliseconds`, forever.
    void setTrickle(const QString& path, int intervalMilliseconds);

    int requestCount(const QString& path) const { return m_requests.value(path); }

private:
    struct Route {
        enum Kind { Body, Redirect, Large, Trickle } kind = Body;
        QByteArray payload;
        qint64 size = 0;
    };

    void serve(QTcpSocket* socket, const QString& path);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_requests;
};

} // namespace bxtest
