#include "connections.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSslSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

std::optional<RequestGate::Refusal> RequestGate::feed(QByteArrayView bytes)
{
    if (declared >= 0 && bodyLeft == 0)
        declared = -1; // the last request ended where these bytes start
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (declared >= 0) {
            if (bodyLeft == 0) // the request ended at i; the server shows the rest again
                return std::nullopt;
            const qint64 n = qMin<qint64>(bodyLeft, bytes.size() - i);
            bodyLeft -= n;
            i += n;
            continue;
        }
        const char c = bytes[i++];
        // As the server does, blanks before a request line are skipped.
        if (head.isEmpty() && (c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '\v'))
            continue;
        head.append(c);
        if (c == '\n' && lineDone && (head.endsWith("\n\n") || head.endsWith("\n\r\n"))) {
            if (auto refusal = endOfHead()) {
                refusal->headBytes = i;
                return refusal;
            }
            continue;
        }
        lineDone = lineDone || c == '\n';
        if (!lineDone && head.size() > limits.requestLine)
            return Refusal {414,
                            u"The request line is over %1 KiB"_s.arg(limits.requestLine / 1024)};
        if (head.size() > limits.head)
            return Refusal {431, u"The request headers are over %1 KiB"_s.arg(limits.head / 1024)};
    }
    return std::nullopt;
}

std::optional<RequestGate::Refusal> RequestGate::endOfHead()
{
    std::optional<qint64> length;
    const QList<QByteArray> lines = head.split('\n');
    head.clear();
    lineDone = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = lines.at(i).left(colon).trimmed().toLower();
        const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
        if (name == "transfer-encoding")
            return Refusal {411, u"Send the body with a Content-Length"_s};
        if (name != "content-length")
            continue;
        bool ok = !length && !value.isEmpty() && value.size() <= 18;
        for (const char c : value)
            ok = ok && c >= '0' && c <= '9';
        if (!ok)
            return Refusal {400, u"Malformed Content-Length"_s};
        length = value.toLongLong();
    }
    declared = length.value_or(0);
    if (declared > limits.body)
        return Refusal {413, u"Request body too large (limit %1 MiB)"_s.arg(limits.body >> 20)};
    bodyLeft = declared;
    return std::nullopt;
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
    default:
        return "Bad Request";
    }
}

// Once a request is refused, this much more of it is read and thrown away, so that a client still
// sending its body gets to read the answer; a client that sends more is cut off.
constexpr qint64 DrainBytes = 16 * 1024 * 1024;

} // namespace

// One connection of a TlsListener: its handshake and idle time-outs and its RequestGate. A child
// of the socket, so it goes with it.
class ConnectionGuard : public QObject
{
public:
    ConnectionGuard(QSslSocket *socket, TlsListener *listener)
        : QObject(socket), socket(socket), listener(listener), gate(listener->limits)
    {
        idle.setSingleShot(true);
        idle.callOnTimeout(this, &ConnectionGuard::timedOut);
        idle.start(listener->limits.handshakeMs);
        connect(socket, &QSslSocket::encrypted, this,
                [this] { idle.start(this->listener->limits.idleMs); });
        connect(socket, &QIODevice::bytesWritten, this, [this] { idle.start(); });
        // Connected before the HTTP server connects its own reader: this one runs first.
        connect(socket, &QIODevice::readyRead, this, &ConnectionGuard::readyRead);
    }
    ~ConnectionGuard() override { listener->closed(); }

private:
    void readyRead()
    {
        idle.start();
        if (drainLeft >= 0) {
            drain();
            return;
        }
        if (const auto refusal = gate.feed(socket->peek(socket->bytesAvailable())))
            refuse(*refusal);
    }

    void refuse(const RequestGate::Refusal &refusal)
    {
        // The HTTP server reads nothing more of this connection, and lets go of what it kept.
        disconnect(socket, &QIODevice::readyRead, listener->reader, nullptr);
        if (socket->isTransactionStarted())
            socket->commitTransaction();
        socket->skip(refusal.headBytes);
        const QByteArray body = QJsonDocument(QJsonObject {{u"error"_s, refusal.message}})
                                    .toJson(QJsonDocument::Compact);
        socket->write("HTTP/1.1 " + QByteArray::number(refusal.status) + ' '
                      + reasonPhrase(refusal.status)
                      + "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\n"
                        "Connection: close\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        const qint64 declared = refusal.status == 413 ? gate.declaredBody() : -1;
        drainLeft = declared >= 0 && declared <= DrainBytes ? declared : DrainBytes;
        closeWhenDrained = declared >= 0 && declared <= DrainBytes;
        drain();
    }

    void drain()
    {
        drainLeft -= socket->skip(socket->bytesAvailable());
        if (drainLeft > 0)
            return;
        if (drainLeft < 0 || !closeWhenDrained)
            socket->abort();
        else
            socket->disconnectFromHost();
    }

    void timedOut()
    {
        if (socket->bytesToWrite() > 0 || !socket->isEncrypted())
            socket->abort();
        else
            socket->disconnectFromHost();
    }

    QSslSocket *socket;
    TlsListener *listener;
    RequestGate gate;
    QTimer idle;
    qint64 drainLeft = -1; // ≥ 0 once a request was refused: what may still be thrown away
    bool closeWhenDrained = false;
};

TlsListener::TlsListener(const QSslConfiguration &tls, const ConnectionLimits &limits,
                         QObject *reader, QObject *parent)
    : QTcpServer(parent), tls(tls), limits(limits), reader(reader)
{
}

TlsListener::~TlsListener()
{
    // The sockets' guards report to this object: they go first.
    qDeleteAll(findChildren<QSslSocket *>(Qt::FindDirectChildrenOnly));
}

void TlsListener::incomingConnection(qintptr handle)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    // Closed at once rather than left waiting: a descriptor is freed as soon as it is taken, so
    // the process never runs out of them (which would make the accept loop spin).
    if (open >= limits.maxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++open;
    new ConnectionGuard(socket, this);
    socket->setSslConfiguration(tls);
    // Until the handshake is done the socket is ours; then it goes to the HTTP server, which
    // deletes it once it is disconnected.
    connect(socket, &QSslSocket::encrypted, this, [this, socket] {
        socket->disconnect(this);
        addPendingConnection(socket);
    });
    connect(socket, &QAbstractSocket::disconnected, this, [socket] { socket->deleteLater(); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [socket] { socket->deleteLater(); });
    socket->startServerEncryption();
}
