#include "faultrelay.h"

#include "sandboxprocess.h"

#include <QFile>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <memory>

namespace {

// The value of a header in a request's head, "" when it has none.
QByteArray header(const QByteArray &head, const QString &name)
{
    const QRegularExpression line(u"\\n%1:\\s*(\\S*)"_s.arg(name),
                                  QRegularExpression::CaseInsensitiveOption);
    return line.match(QString::fromLatin1(head)).captured(1).toLatin1();
}

} // namespace

FaultRelay::FaultRelay(const SandboxProcess &sandbox) : sandbox(sandbox)
{
    QFile key(QStringLiteral(VELTO_CERT_DIR "/server.key"));
    key.open(QIODevice::ReadOnly);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setAllowedNextProtocols({QSslConfiguration::NextProtocolHttp1_1});
    tls.setLocalCertificateChain(
        QSslCertificate::fromPath(QStringLiteral(VELTO_CERT_DIR "/server.pem")));
    tls.setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
    setSslConfiguration(tls);
    if (!listen(QHostAddress::LocalHost, 0))
        qFatal("the fault relay cannot listen on loopback: %s", qPrintable(errorString()));
    connect(this, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *client = nextPendingConnection())
            relay(static_cast<QSslSocket *>(client));
    });
}

QString FaultRelay::origin() const
{
    return u"https://localhost:%1"_s.arg(serverPort());
}

void FaultRelay::dropAnswersTo(const QByteArray &method, const QString &path)
{
    dropping.insert(method + " /" + path.toUtf8());
}

void FaultRelay::relay(QSslSocket *client)
{
    // One connection to the sandbox per connection of the client; it dies with the client's.
    auto *service = new QSslSocket(client);
    service->connectToHostEncrypted(u"localhost"_s, sandbox.port());
    auto buffer = std::make_shared<QByteArray>();
    auto drop = std::make_shared<bool>(false);
    // Whole requests (no chunked bodies come), one at a time: the next answer is the request's.
    const auto forward = [this, client, service, buffer, drop] {
        *buffer += client->readAll();
        for (qsizetype end; (end = buffer->indexOf("\r\n\r\n")) >= 0;) {
            QByteArray head = buffer->left(end);
            const qsizetype length = end + 4 + header(head, u"content-length"_s).toLongLong();
            if (buffer->size() < length)
                return;
            const QByteArrayList request = head.left(head.indexOf('\r')).split(' ');
            *drop = dropping.contains(request.value(0) + ' ' + request.value(1).split('?').at(0));
            if (*drop)
                droppedKeys.append(header(head, u"idempotency-key"_s));
            head.replace("localhost:" + QByteArray::number(serverPort()),
                         "localhost:" + QByteArray::number(sandbox.port()));
            service->write(head + buffer->mid(end, length - end));
            buffer->remove(0, length);
        }
    };
    connect(client, &QSslSocket::readyRead, this, forward);
    connect(service, &QSslSocket::readyRead, client, [client, service, drop] {
        if (*drop) // the service has committed; the client is told nothing
            client->disconnectFromHost();
        else
            client->write(service->readAll());
    });
    // A sandbox that is gone closes the client's connection too (status 0).
    connect(service, &QSslSocket::errorOccurred, client, &QSslSocket::disconnectFromHost);
    connect(service, &QSslSocket::disconnected, client, &QSslSocket::disconnectFromHost);
    connect(client, &QSslSocket::disconnected, client, &QObject::deleteLater);
    forward();
}
