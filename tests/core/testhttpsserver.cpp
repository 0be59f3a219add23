#include "testhttpsserver.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>
#include <memory>

TestHttpsServer::TestHttpsServer(bool tls, QObject *parent) : QTcpServer(parent), tls(tls)
{
    handler = [](const Request &) { return Response {}; };
}

bool TestHttpsServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QString TestHttpsServer::origin() const
{
    return QStringLiteral("%1://localhost:%2").arg(tls ? "https" : "http").arg(serverPort());
}

void TestHttpsServer::incomingConnection(qintptr descriptor)
{
    QTcpSocket *socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (auto *ssl = qobject_cast<QSslSocket *>(socket)) {
        QFile cert(QStringLiteral(VELTO_CERT_DIR "/server.pem"));
        QFile key(QStringLiteral(VELTO_CERT_DIR "/server.key"));
        cert.open(QIODevice::ReadOnly);
        key.open(QIODevice::ReadOnly);
        ssl->setLocalCertificate(QSslCertificate(&cert, QSsl::Pem));
        ssl->setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
        connect(ssl, &QSslSocket::encrypted, this, [this] { ++handshakes; });
        ssl->startServerEncryption();
    }
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        buffers.remove(socket);
        socket->deleteLater();
    });
}

void TestHttpsServer::readFrom(QTcpSocket *socket)
{
    QByteArray &buf = buffers[socket];
    buf += socket->readAll();
    for (;;) {
        const int headerEnd = buf.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buf.left(headerEnd).split('\n');
        Request req;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        req.method = requestLine.value(0);
        req.target = requestLine.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                req.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
        }
        const int length = req.header("content-length").toInt();
        if (buf.size() < headerEnd + 4 + length)
            return;
        req.body = buf.mid(headerEnd + 4, length);
        buf.remove(0, headerEnd + 4 + length);
        requests.append(req);

        const Response response = handler(req);
        if (response.never)
            continue;
        if (response.delayMs > 0) {
            QTimer::singleShot(response.delayMs, socket,
                               [this, socket, response] { answer(socket, response); });
        } else {
            answer(socket, response);
        }
    }
}

void TestHttpsServer::answer(QTcpSocket *socket, const Response &response)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto &h : response.headers)
        out += h.first + ": " + h.second + "\r\n";
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += "Connection: keep-alive\r\n\r\n";
    if (response.trickleMs <= 0) {
        socket->write(out + response.body);
        return;
    }
    socket->write(out);
    auto *drip = new QTimer(socket);
    auto sent = std::make_shared<int>(0);
    connect(drip, &QTimer::timeout, socket, [socket, drip, sent, body = response.body] {
        if (*sent >= body.size())
            return drip->stop();
        socket->write(body.mid((*sent)++, 1));
    });
    drip->start(response.trickleMs);
}
