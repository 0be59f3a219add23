#pragma once

#include "api.h"

#include <QtNetwork>
#include <QtTest>
#include <functional>

// A scripted HTTPS/1.1 server on a free loopback port: records every request, answers by a handler.
class TestHttpsServer : public QSslServer
{
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

    TestHttpsServer()
    {
        QFile key(QStringLiteral(VELTO_CERT_DIR "/server.key"));
        key.open(QIODevice::ReadOnly);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificateChain(
            QSslCertificate::fromPath(QStringLiteral(VELTO_CERT_DIR "/server.pem")));
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
        setSslConfiguration(tls);
        if (!listen(QHostAddress::LocalHost, 0))
            qFatal("the test server cannot listen on loopback: %s", qPrintable(errorString()));
        connect(this, &QSslServer::startedEncryptionHandshake, this, [this] { ++connections; });
        // A connection is pending once its handshake is done.
        connect(this, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    buffers.remove(socket);
                    socket->deleteLater();
                });
                readFrom(socket);
            }
        });
    }

    QString origin() const { return QStringLiteral("https://localhost:%1").arg(serverPort()); }
    void setHandler(std::function<Response(const Request &)> h) { handler = std::move(h); }

    QList<Request> requests;
    int connections = 0; // taken, whether or not their handshake succeeds or anything is asked

private:
    void readFrom(QTcpSocket *socket)
    {
        QByteArray &buf = buffers[socket];
        buf += socket->readAll();
        for (int headerEnd; (headerEnd = buf.indexOf("\r\n\r\n")) >= 0;) {
            const QList<QByteArray> lines = buf.left(headerEnd).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            Request req {requestLine.value(0), requestLine.value(1), {}, {}};
            for (const QByteArray &line : lines.sliced(1)) {
                if (const int colon = line.indexOf(':'); colon > 0)
                    req.headers.insert(line.left(colon).trimmed().toLower(),
                                       line.mid(colon + 1).trimmed());
            }
            const int length = req.headers.value("content-length").toInt();
            if (buf.size() < headerEnd + 4 + length)
                return;
            req.body = buf.mid(headerEnd + 4, length);
            buf.remove(0, headerEnd + 4 + length);
            requests.append(req);
            const Response response = handler(req);
            if (response.delayMs >= 0)
                QTimer::singleShot(response.delayMs, socket,
                                   [this, socket, response] { answer(socket, response); });
        }
    }

    void answer(QTcpSocket *socket, const Response &response)
    {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        for (const auto &h : response.headers)
            out += h.first + ": " + h.second + "\r\n";
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n";
        if (response.trickleMs <= 0) {
            socket->write(out + response.body);
            return;
        }
        socket->write(out);
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, drip, body = response.body]() mutable {
            if (body.isEmpty())
                return drip->stop();
            socket->write(body.first(1));
            body.remove(0, 1);
        });
        drip->start(response.trickleMs);
    }

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
