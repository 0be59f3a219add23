#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A tiny scripted HTTP/1.1 server on loopback for exercising the client's network layer: it
// records every request and answers through a handler. TLS with the development certificate
// unless constructed plain.
class TestHttpsServer : public QTcpServer
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query, as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        bool hasHeader(const QByteArray &name) const { return headers.contains(name); }
        QByteArray header(const QByteArray &name) const { return headers.value(name); }
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

    explicit TestHttpsServer(bool tls = true, QObject *parent = nullptr);

    bool start(); // listens on 127.0.0.1, picks a port
    QString origin() const; // "https://localhost:<port>" (or http://)
    void setHandler(Handler h) { handler = std::move(h); }

    QList<Request> requests;
    int handshakes = 0; // TLS connections set up, whether or not anything was asked on them

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    bool tls;
    Handler handler;
    QHash<QTcpSocket *, QByteArray> buffers;
};
