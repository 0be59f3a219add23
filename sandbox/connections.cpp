#include "connections.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSslSocket>

using namespace Qt::StringLiterals;

QString ConnectionLimits::bodyTooLarge() const
{
    return u"Request body too large (limit %1 MiB)"_s.arg(body >> 20);
}

RequestGate::RequestGate(const ConnectionLimits &limits, std::function<bool(qint64)> reserve,
                         std::function<void(qint64)> release)
    : limits(limits), reserveBytes(std::move(reserve)), releaseBytes(std::move(release))
{
}

RequestGate::~RequestGate()
{
    releaseAll();
}

void RequestGate::release(qint64 bytes)
{
    if (bytes == 0)
        return;
    reserved -= bytes;
    releaseBytes(bytes);
}

qint64 RequestGate::buffered() const
{
    qint64 n = current.size();
    for (const QByteArray &r : ready)
        n += r.size();
    return n;
}

std::optional<RequestGate::Refusal> RequestGate::feed(QByteArrayView bytes)
{
    qsizetype i = 0;
    auto refusal = take(bytes, i);
    if (refusal)
        refusal->fed = i;
    return refusal;
}

std::optional<RequestGate::Refusal> RequestGate::take(QByteArrayView bytes, qsizetype &i)
{
    while (i < bytes.size()) {
        if (now == Stage::Body) {
            const qint64 n = qMin<qint64>(declared - bodyReceived(), bytes.size() - i);
            current.append(bytes.sliced(i, n));
            i += n;
        } else {
            const char c = bytes[i++];
            // As the server does, blanks before a request line are skipped.
            if (now == Stage::Between) {
                if (c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '\v')
                    continue;
                now = Stage::Head;
                ++begun;
            }
            current.append(c);
            if (c == '\n' && !lineDone) {
                lineDone = true;
                // What the server cannot parse it answers by dropping the connection unanswered.
                const QList<QByteArray> parts = current.simplified().split(' ');
                if (parts.size() < 3 || parts.at(2).size() != 8
                    || !parts.at(2).startsWith("HTTP/1."))
                    return Refusal {400, u"Malformed request line"_s};
            } else if (c == '\n' && (current.endsWith("\n\n") || current.endsWith("\n\r\n"))) {
                if (auto refusal = endOfHead())
                    return refusal;
            } else if (!lineDone && current.size() > limits.requestLine) {
                return Refusal {
                    414, u"The request line is over %1 KiB"_s.arg(limits.requestLine / 1024)};
            } else if (current.size() > limits.head) {
                return Refusal {431,
                                u"The request headers are over %1 KiB"_s.arg(limits.head / 1024)};
            }
        }
        if (now == Stage::Body && bodyReceived() == declared) {
            ready.append(std::exchange(current, {}));
            readyBodies.append(declared);
            now = Stage::Between;
        }
    }
    return std::nullopt;
}

std::optional<RequestGate::Refusal> RequestGate::endOfHead()
{
    std::optional<qint64> length;
    expectsContinue = false;
    qsizetype expectLine = -1;
    qsizetype at = current.indexOf('\n') + 1;
    for (qsizetype next; (next = current.indexOf('\n', at)) >= 0; at = next + 1) {
        const QByteArrayView line = QByteArrayView(current).sliced(at, next - at);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.first(colon).trimmed().toByteArray().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
        if (name == "transfer-encoding")
            return Refusal {411, u"Send the body with a Content-Length"_s};
        if (name == "expect" && value.compare("100-continue", Qt::CaseInsensitive) == 0) {
            expectsContinue = true;
            expectLine = at;
            continue;
        }
        if (name != "content-length")
            continue;
        bool ok = !length && !value.isEmpty() && value.size() <= 18;
        for (const char c : value)
            ok = ok && c >= '0' && c <= '9';
        if (!ok)
            return Refusal {400, u"Malformed Content-Length"_s};
        length = value.toLongLong();
    }
    // The listener answers "100 Continue" itself; the server, which sees the request only once
    // the body is in, must not answer it again.
    if (expectLine >= 0)
        current.remove(expectLine, current.indexOf('\n', expectLine) + 1 - expectLine);
    declared = length.value_or(0);
    lineDone = false;
    headSize = current.size();
    if (declared > limits.body)
        return Refusal {413, limits.bodyTooLarge(), declared};
    if (declared > 0 && !reserveBytes(declared))
        return Refusal {503, u"The service is receiving too much at once; try again"_s, declared};
    reserved += declared;
    now = Stage::Body; // an empty body ends at once
    return std::nullopt;
}

QByteArray RequestGate::takeRequest()
{
    release(readyBodies.takeFirst());
    return ready.takeFirst();
}

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Bad Request";
    }
}

// Once a request is refused, this much more of its announced body is read and thrown away, so
// that a client still sending it gets to read the answer; a client that sends more is cut off.
constexpr qint64 DrainBytes = 16 * 1024 * 1024;
// What is taken from a TLS socket at a time, and all it holds when nobody takes it: reading
// pauses for a connection that has enough queued, and its peer's sending then waits in TCP.
constexpr qint64 ReadChunk = 64 * 1024;
// What the kernel holds of a connection's answers.
constexpr int SendBuffer = 256 * 1024;
// Connections accepted in one turn of the event loop, and Qt's default of pending ones.
constexpr int AcceptsPerTurn = 8;
constexpr int PendingConnections = 30;

// What the HTTP server takes for a connection: it reads a request the listener hands it whole and
// writes its answer through to the TLS socket.
class RelaySocket : public QTcpSocket
{
public:
    RelaySocket(QSslSocket *tls, QObject *parent) : QTcpSocket(parent), tls(tls)
    {
        setPeerAddress(tls->peerAddress());
        setPeerPort(tls->peerPort());
        setLocalAddress(tls->localAddress());
        setLocalPort(tls->localPort());
        setSocketState(ConnectedState);
        QIODevice::open(ReadWrite | Unbuffered);
    }
    ~RelaySocket() override { setSocketState(UnconnectedState); }

    void deliver(const QByteArray &request)
    {
        pending = request;
        at = 0;
        emit readyRead();
    }
    void peerGone()
    {
        if (state() == UnconnectedState)
            return;
        setSocketState(UnconnectedState);
        emit disconnected();
    }
    qint64 bytesAvailable() const override
    {
        return pending.size() - at + QIODevice::bytesAvailable();
    }
    qint64 bytesToWrite() const override { return 0; }
    void disconnectFromHost() override
    {
        if (tls)
            tls->disconnectFromHost();
        peerGone();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, pending.size() - at);
        memcpy(data, pending.constData() + at, size_t(n));
        at += n;
        return n;
    }
    qint64 writeData(const char *data, qint64 size) override
    {
        return tls ? tls->write(data, size) : -1;
    }

private:
    QPointer<QSslSocket> tls;
    QByteArray pending;
    qsizetype at = 0;
};

} // namespace

// One connection of a TlsListener: its time limits, its RequestGate and its relay to the HTTP
// server. A child of the TLS socket, so it goes with it.
class ConnectionGuard : public QObject
{
public:
    ConnectionGuard(QSslSocket *socket, TlsListener *listener)
        : QObject(socket), source(socket->peerAddress()), since(listener->now()), socket(socket),
          listener(listener),
          gate(
              listener->limits,
              [this](qint64 bytes) { return this->listener->reserveBody(this, bytes); },
              [listener](qint64 bytes) { listener->inFlight -= bytes; }),
          opened(since), activity(since)
    {
        listener->guards.append(this);
        connect(socket, &QSslSocket::encrypted, this, &ConnectionGuard::encrypted);
        connect(socket, &QIODevice::readyRead, this, &ConnectionGuard::arrived);
        // Written to the peer, not merely encrypted: what frees room under the cap of unsent
        // answers.
        connect(socket, &QSslSocket::encryptedBytesWritten, this, &ConnectionGuard::arrived);
        connect(socket, &QAbstractSocket::disconnected, this, &ConnectionGuard::leave);
    }
    ~ConnectionGuard() override { leave(); }

    // Closes the connection at once, without waiting for anything it still has to send.
    void evict()
    {
        leave();
        socket->abort();
        socket->deleteLater();
    }
    // Off the listener's list: it no longer takes a slot nor any of the budget for bodies.
    void leave()
    {
        if (gone)
            return;
        gone = true;
        listener->guards.removeOne(this);
        gate.releaseAll();
        if (relay)
            relay->peerGone();
    }
    // Closes the connection when one of its time limits has passed; true then.
    bool expired(qint64 now)
    {
        if (gone)
            return true;
        const ConnectionLimits &limits = listener->limits;
        using Stage = RequestGate::Stage;
        qint64 due = -1;
        if (!relay)
            due = opened + limits.handshakeMs;
        else if (drainLeft >= 0 || (gate.stage() == Stage::Head && !paused()))
            due = stageStarted + limits.headMs;
        else if (gate.stage() == Stage::Body && !paused())
            due = stageStarted + limits.headMs
                + gate.bodyReceived() * 1000 / limits.bodyBytesPerSecond;
        if (due >= 0 ? now < due : now - activity < limits.idleMs)
            return false;
        // Idle with its answers sent: closed politely; anything else is cut off.
        if (due < 0 && unsent() == 0)
            socket->disconnectFromHost();
        else
            evict();
        return true;
    }

    // Answers not yet taken by the peer: in the TLS socket, plain and encrypted.
    qint64 unsent() const { return socket->bytesToWrite() + socket->encryptedBytesToWrite(); }
    // Whether the connection is left unread until its peer takes answers.
    bool paused() const
    {
        return relay
            && (gate.queued() >= listener->limits.queuedRequests
                || unsent() > listener->limits.unsentBytes);
    }
    // Whether the connection waits for its peer to take answers before it is read again.
    bool waiting() const { return relay && unsent() > listener->limits.unsentBytes; }
    qint64 buffered() const
    {
        return socket->bytesToWrite() + socket->encryptedBytesToWrite() + socket->bytesAvailable()
            + gate.buffered();
    }
    qint64 heldBody() const { return gate.held(); }

    const QHostAddress source;
    qint64 since; // on the listener's clock: accepted, or handed its last request

private:
    void encrypted()
    {
        activity = listener->now();
        socket->setReadBufferSize(ReadChunk);
        // The kernel's buffer for a peer that does not read would otherwise grow to megabytes of
        // answers the one thread made for nobody.
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, SendBuffer);
        relay = new RelaySocket(socket, listener);
        listener->addPendingConnection(relay);
        pump();
    }

    void arrived()
    {
        activity = listener->now();
        // TLS starts with the peer's first bytes: a connection closed before, or never sending
        // anything, costs no TLS context (making one took most of a millisecond).
        if (socket->mode() == QSslSocket::UnencryptedMode) {
            socket->setSslConfiguration(listener->tls);
            return socket->startServerEncryption();
        }
        pump();
    }

    void pump()
    {
        if (gone || !relay || expired(listener->now()))
            return;
        if (drainLeft >= 0)
            return drain();
        const ConnectionLimits &limits = listener->limits;
        int handed = 0;
        for (;;) {
            // The server answers as soon as it has a request: answers are written in order, and
            // none while the peer leaves too many of them untaken.
            while (gate.hasRequest() && unsent() <= limits.unsentBytes && relay) {
                // A few at a time, the rest on a later turn: a peer with many requests waiting
                // does not keep the one thread from everybody else's.
                if (handed++ == limits.queuedRequests)
                    return later();
                since = listener->now();
                relay->deliver(gate.takeRequest());
            }
            if (refusal && !gate.hasRequest())
                return refuse();
            // Nothing more is read while answers wait: the peer's requests wait in TCP.
            if (refusal || !relay || paused())
                return;
            const QByteArray chunk = socket->read(ReadChunk);
            if (chunk.isEmpty())
                return;
            listener->taken += chunk.size();
            const RequestGate::Stage was = gate.stage();
            const int begun = gate.started();
            refusal = gate.feed(chunk);
            if (refusal)
                leftOver = chunk.size() - refusal->fed;
            using Stage = RequestGate::Stage;
            const bool another = begun != gate.started();
            // The head has a fixed time from its first byte; a body is held to the minimum rate
            // from the end of its head.
            if (gate.stage() == Stage::Head && another) {
                stageStarted = listener->now();
            } else if (gate.stage() == Stage::Body && (another || was != Stage::Body)) {
                stageStarted = listener->now();
                if (gate.wantsContinue() && gate.bodyReceived() == 0)
                    socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            }
        }
    }

    // Goes on with the connection on a later turn of the event loop.
    void later()
    {
        if (std::exchange(pumpQueued, true))
            return;
        const auto resume = [this] {
            pumpQueued = false;
            pump();
        };
        QMetaObject::invokeMethod(this, resume, Qt::QueuedConnection);
    }

    void refuse()
    {
        const QByteArray body = QJsonDocument(QJsonObject {{u"error"_s, refusal->message}})
                                    .toJson(QJsonDocument::Compact);
        QByteArray head = "HTTP/1.1 " + QByteArray::number(refusal->status) + ' '
            + reasonPhrase(refusal->status)
            + "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\n";
        for (const auto &[name, value] : listener->headers)
            head += name + ": " + value + "\r\n";
        if (refusal->status == 503)
            head += "Retry-After: 1\r\n";
        socket->write(head + "Connection: close\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        // The rest of an announced body is read and dropped, so that its sender sees the answer;
        // otherwise the connection closes once the answer is out.
        const qint64 rest = refusal->bodyLength - leftOver;
        drainLeft = refusal->bodyLength >= 0 ? qBound<qint64>(0, rest, DrainBytes) : 0;
        cutOff = refusal->bodyLength > DrainBytes;
        stageStarted = listener->now();
        drain();
    }

    void drain()
    {
        drainLeft -= socket->skip(socket->bytesAvailable());
        if (drainLeft > 0)
            return;
        if (cutOff)
            evict();
        else
            socket->disconnectFromHost();
    }

    QSslSocket *socket;
    TlsListener *listener;
    RequestGate gate;
    QPointer<RelaySocket> relay;
    // On the listener's clock: accepted; the last byte either way; the current head, body or
    // refusal began.
    qint64 opened, activity, stageStarted = 0;
    std::optional<RequestGate::Refusal> refusal;
    qsizetype leftOver = 0; // read with the refused request, after the point of its refusal
    qint64 drainLeft = -1; // ≥ 0 once a request was refused: what may still be thrown away
    bool cutOff = false;
    bool gone = false;
    bool pumpQueued = false;
};

TlsListener::TlsListener(const QSslConfiguration &tls, const ConnectionLimits &limits,
                         const Headers &headers, std::function<qint64()> clock, QObject *parent)
    : QTcpServer(parent), tls(tls), limits(limits), headers(headers), clock(std::move(clock))
{
    // A burst of connections must not overflow the kernel's queue of accepted ones: a newcomer
    // dropped there waits a second for its retry, whatever room the listener would make.
    setListenBacklogSize(limits.maxConnections * 4);
    monotonic.start();
    if (!this->clock)
        this->clock = [this] { return monotonic.elapsed(); };
    tick.callOnTimeout(this, [this] {
        const qint64 t = now();
        for (ConnectionGuard *g : QList(guards))
            g->expired(t);
    });
    tick.start(TickMs);
    // Out of descriptors Qt stops accepting for good; they come back as connections close.
    connect(this, &QTcpServer::acceptError, this,
            [this] { QTimer::singleShot(TickMs, this, &QTcpServer::resumeAccepting); });
}

TlsListener::~TlsListener()
{
    // The sockets' guards report to this object: they go first.
    qDeleteAll(findChildren<QSslSocket *>(Qt::FindDirectChildrenOnly));
}

qint64 TlsListener::bytesHeld() const
{
    qint64 n = 0;
    for (const ConnectionGuard *g : guards)
        n += g->buffered();
    return n;
}

int TlsListener::waitingForPeers() const
{
    return int(std::count_if(guards.cbegin(), guards.cend(),
                             [](const ConnectionGuard *g) { return g->waiting(); }));
}

ConnectionGuard *TlsListener::longestWaiting(const QHostAddress &source) const
{
    ConnectionGuard *oldest = nullptr;
    for (ConnectionGuard *g : guards) {
        if (g->source == source && (!oldest || g->since < oldest->since))
            oldest = g;
    }
    return oldest;
}

ConnectionGuard *TlsListener::giveWay(const QHostAddress &source, qint64 ownAfter,
                                      bool bodies) const
{
    QHash<QHostAddress, qint64> holds;
    for (const ConnectionGuard *g : guards)
        holds[g->source] += bodies ? g->heldBody() : 1;
    ConnectionGuard *victim = nullptr;
    qint64 most = 0;
    for (ConnectionGuard *g : guards) {
        const qint64 h = holds.value(g->source);
        if (g->source == source || h <= ownAfter || (bodies && g->heldBody() == 0))
            continue;
        if (!victim || h > most || (h == most && g->since < victim->since)) {
            victim = g;
            most = h;
        }
    }
    return victim;
}

bool TlsListener::makeRoomFor(const QHostAddress &source)
{
    const auto own = std::count_if(guards.cbegin(), guards.cend(),
                                   [&](const ConnectionGuard *g) { return g->source == source; });
    ConnectionGuard *victim = nullptr;
    if (own >= limits.connectionsPerSource())
        victim = longestWaiting(source);
    else if (guards.size() < limits.maxConnections)
        return true;
    else if (!(victim = giveWay(source, own + 1, false)))
        victim = longestWaiting(source);
    if (!victim)
        return false;
    victim->evict();
    return true;
}

bool TlsListener::reserveBody(const ConnectionGuard *asking, qint64 bytes)
{
    qint64 own = 0;
    for (const ConnectionGuard *g : guards)
        own += g->source == asking->source ? g->heldBody() : 0;
    if (own + bytes > limits.bodiesPerSource())
        return false;
    while (inFlight + bytes > limits.bodiesInFlight) {
        ConnectionGuard *victim = giveWay(asking->source, own + bytes, true);
        if (!victim)
            return false;
        victim->evict();
    }
    inFlight += bytes;
    return true;
}

void TlsListener::incomingConnection(qintptr handle)
{
    // Qt accepts in one loop for as long as connections keep coming, and nothing else runs
    // meanwhile: no answer, no time limit, no closed socket freed (a burst of 20,000 connections
    // closed before their handshake grew the process by 150 MiB). A few at a time, then the loop
    // ends, as no more are allowed to be pending, and accepting resumes on the next turn.
    if (++acceptedThisTurn == AcceptsPerTurn) {
        setMaxPendingConnections(0);
        QTimer::singleShot(0, this, [this] {
            acceptedThisTurn = 0;
            setMaxPendingConnections(PendingConnections);
            resumeAccepting();
        });
    }
    auto *socket = new QSslSocket(this);
    // A slot is found for a newcomer unless every source already holds no more than its own
    // would: cheap connections held open (idle, or sending a byte now and then) cannot lock
    // anybody out, and none of them is given up for a poorer source's.
    if (!socket->setSocketDescriptor(handle) || !makeRoomFor(socket->peerAddress())) {
        socket->abort();
        delete socket;
        return;
    }
    new ConnectionGuard(socket, this);
    connect(socket, &QAbstractSocket::disconnected, this, [socket] { socket->deleteLater(); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [socket] { socket->deleteLater(); });
}
