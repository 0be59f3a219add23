#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <QTimer>
#include <functional>
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
    int maxConnections = 256; // then a connection of the source holding the most makes room
    // No source (peer address) holds more than this fraction, 1/sourceShare, of the connection
    // slots or of the budget for bodies in flight: a few peers cannot take what all need.
    int sourceShare = 4;
    // Bodies being received, across all connections, by their Content-Length; a request that
    // would pass it is refused with 503 and Retry-After, unless a richer source gives way.
    qint64 bodiesInFlight = 64 * 1024 * 1024;
    int queuedRequests = 8; // complete requests of a connection waiting for the HTTP server
    // Answers the peer has not taken, plain and encrypted; beyond it the connection is not read
    // until they drain, so memory is bounded by the connections times these caps.
    qint64 unsentBytes = 1024 * 1024;

    int connectionsPerSource() const { return qMax(1, maxConnections / sourceShare); }
    qint64 bodiesPerSource() const { return bodiesInFlight / sourceShare; }
    // The refusal of a body over `body`, whichever layer refuses it.
    QString bodyTooLarge() const;
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

    // `reserve` asks the budget for bodies in flight for an announced body (false: no room, the
    // request is refused); `release` gives bytes back once their request is handed on.
    RequestGate(const ConnectionLimits &limits, std::function<bool(qint64)> reserve,
                std::function<void(qint64)> release);
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
    // What this connection holds of the budget for bodies in flight.
    qint64 held() const { return reserved; }
    // The bytes of requests read and not handed on.
    qint64 buffered() const;
    // Gives the whole reservation back: the connection goes.
    void releaseAll() { release(reserved); }

private:
    std::optional<Refusal> take(QByteArrayView bytes, qsizetype &i);
    std::optional<Refusal> endOfHead();
    void release(qint64 bytes);

    ConnectionLimits limits;
    std::function<bool(qint64)> reserveBytes;
    std::function<void(qint64)> releaseBytes;
    qint64 reserved = 0; // this connection's share of the budget
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
// connections that stall the handshake, a request head or a body, or go idle, refuses a request
// over the limits with its own answer, and shares the connection slots and the budget for bodies
// in flight fairly among the sources.
class TlsListener : public QTcpServer
{
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;
    // `headers` go on every answer of the listener's own; `clock` gives milliseconds for the
    // time limits (empty: a monotonic clock), which are checked as bytes arrive and every TickMs.
    TlsListener(const QSslConfiguration &tls, const ConnectionLimits &limits,
                const Headers &headers, std::function<qint64()> clock = {},
                QObject *parent = nullptr);
    ~TlsListener() override;

    static constexpr int TickMs = 100;

    int openConnections() const { return int(guards.size()); }
    qint64 bodyBytesInFlight() const { return inFlight; }
    // The bytes held for all connections: requests read and not handed on, answers not taken.
    qint64 bytesHeld() const;
    // Connections not read while more than their cap of answers waits for their peer.
    int waitingForPeers() const;
    // Request bytes taken from all connections so far.
    qint64 bytesTaken() const { return taken; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    friend class ConnectionGuard;
    qint64 now() const { return clock(); }
    // Finds a slot for a newcomer from the source; false when none can go for it fairly.
    bool makeRoomFor(const QHostAddress &source);
    // Reserves an announced body for the connection, when the budget and its source's share of
    // it allow, a richer source giving way if need be.
    bool reserveBody(const ConnectionGuard *asking, qint64 bytes);
    // The connection to give up for a newcomer of `source`: the longest waiting of the source
    // holding the most connections (or, with `bodies`, the most of the budget for bodies, among
    // its connections holding some), when that source holds more than the newcomer's will then
    // hold, `ownAfter`; else none.
    ConnectionGuard *giveWay(const QHostAddress &source, qint64 ownAfter, bool bodies) const;
    ConnectionGuard *longestWaiting(const QHostAddress &source) const;

    QSslConfiguration tls;
    ConnectionLimits limits;
    Headers headers;
    std::function<qint64()> clock;
    QElapsedTimer monotonic;
    QList<ConnectionGuard *> guards;
    qint64 inFlight = 0;
    qint64 taken = 0;
    QTimer tick;
    int acceptedThisTurn = 0;
};
