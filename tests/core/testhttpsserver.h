#pragma once

#include "api.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSignalSpy>
#include <QSslServer>
#include <QTest>
#include <functional>

// A tiny scripted HTTPS/1.1 server on loopback, with the development certificate, for exercising
// the client's network layer: listening on a free port once built, it records every request and
// answers through a handler.
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
        bool never = false; // hold the request and never answer
        int delayMs = 0;
        int trickleMs = 0; // send the body one byte per this many milliseconds
    };
    using Handler = std::function<Response(const Request &)>;

    TestHttpsServer();

    QString origin() const { return QStringLiteral("https://localhost:%1").arg(serverPort()); }
    void setHandler(Handler h) { handler = std::move(h); }

    QList<Request> requests;
    int handshakes = 0; // TLS connections set up, whether or not anything was asked on them
    int connections = 0; // connections taken, whether or not their handshake succeeded

private:
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    Handler handler = [](const Request &) { return Response {}; };
    QHash<QTcpSocket *, QByteArray> buffers;
};

using Request = TestHttpsServer::Request;
using Response = TestHttpsServer::Response;

// One request through the bridge and its reply, as the core tests send them.
struct ApiAnswer
{
    int status = -1; // -1: no reply came in time
    QString body;
};

inline ApiAnswer roundTrip(Api &api, const QString &method, const QString &path,
                           const QString &body = QStringLiteral("{}"), int id = 1)
{
    QSignalSpy replies(&api, &Api::reply);
    api.request(id, method, path, body);
    if (!QTest::qWaitFor([&] { return !replies.isEmpty(); }, 10000) || replies[0][0].toInt() != id)
        return {};
    return {replies[0][1].toInt(), replies[0][2].toString()};
}
