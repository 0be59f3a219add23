#include "testhttpsserver.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTimer>
#include <memory>

TestHttpsServer::TestHttpsServer()
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
            ++handshakes;
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                buffers.remove(socket);
                socket->deleteLater();
            });
            readFrom(socket);
        }
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
        const int length = req.headers.value("content-length").toInt();
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
