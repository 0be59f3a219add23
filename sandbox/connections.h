#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <optional>

// What each connection is held to before Qt's HTTP server sees its bytes. The server of Qt 6.4
// reads a request whole (request line, headers, body) before anyone can look at it, and never
// closes an idle connection; these limits are enforced by the listener the sandbox binds it to.
struct ConnectionLimits
{
    qsizetype requestLine = 8 * 1024; // longer: 414
    qsizetype head = 32 * 1024; // request line and headers together; longer: 431
    qint64 body = 8 * 1024 * 1024; // by Content-Length, before the body is read; larger: 413
    int handshakeMs = 10 * 1000; // the TLS handshake is done by then, or the connection closed
    int idleMs = 60 * 1000; // a connection with nothing sent either way for this long is closed
    int maxConnections = 256; // beyond this, new connections are closed at once
};

// The request limits on the byte stream of one connection, fed as the bytes arrive and before the
// HTTP server reads them. A refusal comes as soon as a limit is passed: after requestLine bytes of
// an unfinished request line, head bytes of unfinished headers, or at the end of headers that
// declare too long a body (or a chunked one, whose length nobody knows in advance).
class RequestGate
{
public:
    struct Refusal
    {
        int status;
        QString message;
        qsizetype headBytes = 0; // of the bytes fed last, those up to the end of the headers
    };

    explicit RequestGate(const ConnectionLimits &limits) : limits(limits) { }

    // Takes the bytes the HTTP server has not read yet. Stops at the end of the current request:
    // the server reads up to there and hands the rest to the next readyRead, so what follows is
    // fed again then.
    std::optional<Refusal> feed(QByteArrayView bytes);
    // The body length the current request declared; -1 while its headers are being read.
    qint64 declaredBody() const { return declared; }

private:
    std::optional<Refusal> endOfHead();

    ConnectionLimits limits;
    QByteArray head; // the current request's line and headers so far
    bool lineDone = false;
    qint64 declared = -1;
    qint64 bodyLeft = 0;
};

// A TLS listener to bind QAbstractHttpServer to. It keeps at most maxConnections at a time, closes
// connections that stall the handshake or go idle, and refuses a request over the limits of
// RequestGate with its own answer, before the HTTP server (`reader`) has read it.
class TlsListener : public QTcpServer
{
public:
    TlsListener(const QSslConfiguration &tls, const ConnectionLimits &limits, QObject *reader,
                QObject *parent = nullptr);
    ~TlsListener() override;

    int openConnections() const { return open; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    friend class ConnectionGuard;
    void closed() { --open; }

    QSslConfiguration tls;
    ConnectionLimits limits;
    QObject *reader;
    int open = 0;
};
