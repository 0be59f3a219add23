#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <optional>

// What each connection is held to before Qt's HTTP server sees its bytes. The server of Qt 6.4
// reads a request whole (request line, headers, body) as it trickles in, answers pipelined
// requests as fast as they come whether or not anybody reads the answers, and never closes an
// idle connection; these limits are enforced by the listener the sandbox binds it to.
struct ConnectionLimits
{
    qsizetype requestLine = 8 * 1024; // longer: 414
    qsizetype head = 32 * 1024; // request line and headers together; longer: 431
    qint64 body = 8 * 1024 * 1024; // by Content-Length, before the body is read; larger: 413
    int handshakeMs = 5 * 1000; // the TLS handshake is done by then, or the connection closed
    int headMs = 10 * 1000; // a request's line and headers arrive whole by then from their start
    // A body arrives at this average rate at least, counted from the end of its headers after a
    // grace of headMs; slower: the connection is closed.
    qint64 bodyBytesPerSecond = 16 * 1024;
    int idleMs = 60 * 1000; // a connection with nothing sent either way for this long is closed
    int maxConnections = 256; // then the connection waiting longest makes room for a new one
    int maxPerSource = 64; // connections of one peer address; the same rule within them
    // Bodies being received, across all connections, by their Content-Length; a request that
    // would pass it is refused with 503 and Retry-After.
    qint64 bodiesInFlight = 64 * 1024 * 1024;
    int queuedRequests = 8; // complete requests of a connection waiting for the HTTP server
    qint64 unsentBytes = 1024 * 1024; // answers not yet taken by the peer; then reading pauses
};

// The request rules on the byte stream of one connection. Bytes are fed once, as they arrive;
// complete requests come out whole and in order, and a refusal comes as soon as a limit is
// passed: after requestLine bytes of an unfinished request line, head bytes of unfinished
// headers, or at the end of headers that declare too long a body (or a chunked one, whose length
// nobody knows in advance), or a body that the budget for bodies in flight cannot take.
class RequestGate
{
public:
    struct Refusal
    {
        int status;
        QString message;
        qint64 bodyLength = -1; // the body the refused request announced, when it is known
        qsizetype fed = 0; // of the bytes fed last, those taken before the refusal
    };
    enum class Stage { Between, Head, Body };

    // `inFlight` is shared by every connection of a listener: the body bytes they announced and
    // have not handed on yet.
    RequestGate(const ConnectionLimits &limits, qint64 *inFlight);
    ~RequestGate();

    // Takes all the bytes; stops at a refusal, after which nothing more is taken.
    std::optional<Refusal> feed(QByteArrayView bytes);
    bool hasRequest() const { return !ready.isEmpty(); }
    int queued() const { return int(ready.size()); }
    // The oldest complete request, as the HTTP server is to read it.
    QByteArray takeRequest();
    Stage stage() const { return now; }
    // How many requests have begun on this connection.
    int started() const { return begun; }
    // The current request's declared body and how much of it has come.
    qint64 bodyLength() const { return declared; }
    qint64 bodyReceived() const { return current.size() - headSize; }
    // Whether the request whose headers just ended asked for "100 Continue" before its body.
    bool wantsContinue() const { return expectsContinue; }

private:
    std::optional<Refusal> take(QByteArrayView bytes, qsizetype &i);
    std::optional<Refusal> endOfHead();
    void release(qint64 bytes);

    ConnectionLimits limits;
    qint64 *inFlight;
    qint64 reserved = 0; // this connection's share of *inFlight
    QList<QByteArray> ready;
    QList<qint64> readyBodies; // the reserved body length of each ready request
    QByteArray current; // the current request so far, as it is to be handed on
    qsizetype headSize = 0; // of `current`, once the head has ended
    bool lineDone = false;
    bool expectsContinue = false;
    qint64 declared = 0;
    int begun = 0;
    Stage now = Stage::Between;
};

class ConnectionGuard;

// A TLS listener to bind QAbstractHttpServer to. It keeps each connection's TLS socket to itself
// and hands the HTTP server a relay that shows it one complete request at a time, once the
// request has passed RequestGate and the peer has taken the answers before it. It closes
// connections that stall the handshake, a request head or a body, or go idle, and refuses a
// request over the limits with its own answer.
class TlsListener : public QTcpServer
{
public:
    TlsListener(const QSslConfiguration &tls, const ConnectionLimits &limits,
                QObject *parent = nullptr);
    ~TlsListener() override;

    int openConnections() const { return int(guards.size()); }
    qint64 bodyBytesInFlight() const { return inFlight; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    friend class ConnectionGuard;
    // Closes the connection that has waited longest for its peer, among those of the address
    // when it is given.
    void makeRoom(const std::optional<QHostAddress> &source);

    QSslConfiguration tls;
    ConnectionLimits limits;
    QList<ConnectionGuard *> guards;
    qint64 inFlight = 0;
    QElapsedTimer clock;
};
