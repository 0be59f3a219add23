#include "connections.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSslSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

RequestGate::RequestGate(const ConnectionLimits &limits, qint64 *inFlight)
    : limits(limits), inFlight(inFlight)
{
}

RequestGate::~RequestGate()
{
    release(reserved);
}

void RequestGate::release(qint64 bytes)
{
    reserved -= bytes;
    *inFlight -= bytes;
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
        return Refusal {413, u"Request body too large (limit %1 MiB)"_s.arg(limits.body >> 20),
                        declared};
    if (*inFlight + declared > limits.bodiesInFlight)
        return Refusal {503, u"The service is receiving too much at once; try again"_s, declared};
    reserved += declared;
    *inFlight += declared;
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
        : QObject(socket), source(socket->peerAddress()), since(listener->clock.elapsed()),
          socket(socket), listener(listener), gate(listener->limits, &listener->inFlight)
    {
        listener->guards.append(this);
        idle.setSingleShot(true);
        idle.callOnTimeout(this, [this] { close(); });
        deadline.setSingleShot(true);
        deadline.callOnTimeout(this, &ConnectionGuard::deadlinePassed);
        deadline.start(listener->limits.handshakeMs);
        connect(socket, &QSslSocket::encrypted, this, &ConnectionGuard::encrypted);
        connect(socket, &QIODevice::readyRead, this, &ConnectionGuard::pump);
        connect(socket, &QIODevice::bytesWritten, this, [this] {
            idle.start();
            pump();
        });
        connect(socket, &QAbstractSocket::disconnected, this, &ConnectionGuard::leave);
    }
    ~ConnectionGuard() override { leave(); }

    // Closes the connection without waiting for anything it still has to send.
    void evict() { socket->abort(); }
    // Off the listener's list: it no longer takes a slot.
    void leave()
    {
        listener->guards.removeOne(this);
        if (relay)
            relay->peerGone();
    }

    const QHostAddress source;
    qint64 since; // on the listener's clock: accepted, or handed its last request

private:
    void encrypted()
    {
        deadline.stop();
        idle.start(listener->limits.idleMs);
        socket->setReadBufferSize(ReadChunk);
        relay = new RelaySocket(socket, listener);
        listener->addPendingConnection(relay);
        pump();
    }

    void pump()
    {
        if (!relay || drainLeft >= 0) {
            if (drainLeft >= 0)
                drain();
            return;
        }
        idle.start();
        const ConnectionLimits &limits = listener->limits;
        for (;;) {
            // The server answers as soon as it has a request: answers are written in order, and
            // none while the peer leaves too many of them untaken.
            while (gate.hasRequest() && socket->bytesToWrite() <= limits.unsentBytes && relay) {
                since = listener->clock.elapsed();
                relay->deliver(gate.takeRequest());
            }
            if (refusal && !gate.hasRequest())
                return refuse();
            if (refusal || !relay || gate.queued() >= limits.queuedRequests)
                return;
            const QByteArray chunk = socket->read(ReadChunk);
            if (chunk.isEmpty())
                return;
            const RequestGate::Stage was = gate.stage();
            const int begun = gate.started();
            refusal = gate.feed(chunk);
            if (refusal)
                leftOver = chunk.size() - refusal->fed;
            using Stage = RequestGate::Stage;
            const bool another = begun != gate.started();
            // The head has a fixed time from its first byte; a body is held to the minimum rate
            // from the end of its head.
            if (gate.stage() == Stage::Between)
                deadline.stop();
            else if (gate.stage() == Stage::Head && another)
                deadline.start(limits.headMs);
            else if (gate.stage() == Stage::Body && (another || was != Stage::Body)) {
                bodyStarted.start();
                deadline.start(limits.headMs);
                if (gate.wantsContinue() && gate.bodyReceived() == 0)
                    socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            }
        }
    }

    void deadlinePassed()
    {
        if (!relay || gate.stage() != RequestGate::Stage::Body)
            return evict();
        const qint64 due = listener->limits.headMs
            + gate.bodyReceived() * 1000 / listener->limits.bodyBytesPerSecond;
        const qint64 left = due - bodyStarted.elapsed();
        if (left <= 0)
            return evict();
        deadline.start(int(qMin<qint64>(left, listener->limits.headMs)));
    }

    void refuse()
    {
        const QByteArray body = QJsonDocument(QJsonObject {{u"error"_s, refusal->message}})
                                    .toJson(QJsonDocument::Compact);
        socket->write("HTTP/1.1 " + QByteArray::number(refusal->status) + ' '
                      + reasonPhrase(refusal->status)
                      + "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\n"
                      + (refusal->status == 503 ? "Retry-After: 1\r\n" : "")
                      + "Connection: close\r\nContent-Length: " + QByteArray::number(body.size())
                      + "\r\n\r\n" + body);
        // The rest of an announced body is read and dropped, so that its sender sees the answer;
        // otherwise the connection closes once the answer is out.
        const qint64 rest = refusal->bodyLength - leftOver;
        drainLeft = refusal->bodyLength >= 0 ? qBound<qint64>(0, rest, DrainBytes) : 0;
        cutOff = refusal->bodyLength > DrainBytes;
        deadline.start(listener->limits.headMs);
        drain();
    }

    void drain()
    {
        drainLeft -= socket->skip(socket->bytesAvailable());
        if (drainLeft > 0)
            return;
        if (cutOff)
            socket->abort();
        else
            socket->disconnectFromHost();
    }

    void close()
    {
        if (socket->bytesToWrite() > 0 || !socket->isEncrypted())
            socket->abort();
        else
            socket->disconnectFromHost();
    }

    QSslSocket *socket;
    TlsListener *listener;
    RequestGate gate;
    QPointer<RelaySocket> relay;
    QTimer idle;
    QTimer deadline; // the handshake's, the head's or the body's
    QElapsedTimer bodyStarted;
    std::optional<RequestGate::Refusal> refusal;
    qsizetype leftOver = 0; // read with the refused request, after the point of its refusal
    qint64 drainLeft = -1; // ≥ 0 once a request was refused: what may still be thrown away
    bool cutOff = false;
};

TlsListener::TlsListener(const QSslConfiguration &tls, const ConnectionLimits &limits,
                         QObject *parent)
    : QTcpServer(parent), tls(tls), limits(limits)
{
    // A burst of connections must not overflow the kernel's queue of accepted ones: a newcomer
    // dropped there waits a second for its retry, whatever room the listener would make.
    setListenBacklogSize(limits.maxConnections * 4);
    clock.start();
}

TlsListener::~TlsListener()
{
    // The sockets' guards report to this object: they go first.
    qDeleteAll(findChildren<QSslSocket *>(Qt::FindDirectChildrenOnly));
}

void TlsListener::makeRoom(const std::optional<QHostAddress> &source)
{
    ConnectionGuard *oldest = nullptr;
    for (ConnectionGuard *g : std::as_const(guards)) {
        if ((!source || g->source == *source) && (!oldest || g->since < oldest->since))
            oldest = g;
    }
    if (oldest) {
        oldest->leave();
        oldest->evict();
    }
}

void TlsListener::incomingConnection(qintptr handle)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    // A slot is always found for a newcomer: cheap connections held open (idle, or sending a
    // byte now and then) cannot lock everybody else out, and one address cannot take them all.
    const QHostAddress source = socket->peerAddress();
    if (std::count_if(guards.cbegin(), guards.cend(),
                      [&](const ConnectionGuard *g) { return g->source == source; })
        >= limits.maxPerSource)
        makeRoom(source);
    if (guards.size() >= limits.maxConnections)
        makeRoom(std::nullopt);
    new ConnectionGuard(socket, this);
    socket->setSslConfiguration(tls);
    connect(socket, &QAbstractSocket::disconnected, this, [socket] { socket->deleteLater(); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [socket] { socket->deleteLater(); });
    socket->startServerEncryption();
}
