#pragma once

#include "api.h"

#include <QHash>
#include <QSignalSpy>
#include <QSslServer>
#include <QTest>
#include <functional>

// A scripted HTTPS/1.1 server on loopback with the development certificate, listening on a free
// port once built: it records every request and answers through a handler.
class TestHttpsServer : public QSslServer
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query, as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Response
    {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0; // -1: hold the request and never answer
        int trickleMs = 0; // send the body one byte per this many milliseconds
    };

    TestHttpsServer();
    QString origin() const { return QStringLiteral("https://localhost:%1").arg(serverPort()); }
    void setHandler(std::function<Response(const Request &)> h) { handler = std::move(h); }

    QList<Request> requests;
    int connections = 0; // taken, whether or not their handshake succeeds or anything is asked

private:
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    std::function<Response(const Request &)> handler = [](const Request &) { return Response {}; };
    QHash<QTcpSocket *, QByteArray> buffers;
};

using Request = TestHttpsServer::Request;
using Response = TestHttpsServer::Response;

struct ApiAnswer
{
    int status = -1; // -1: no reply came in time
    QString body;
};

// One request through the bridge and its reply.
inline ApiAnswer roundTrip(Api &api, const QString &method, const QString &path,
                           const QString &body = QStringLiteral("{}"), int id = 1)
{
    QSignalSpy replies(&api, &Api::reply);
    api.request(id, method, path, body);
    if (!QTest::qWaitFor([&] { return !replies.isEmpty(); }, 10000) || replies[0][0].toInt() != id)
        return {};
    return {replies[0][1].toInt(), replies[0][2].toString()};
}
