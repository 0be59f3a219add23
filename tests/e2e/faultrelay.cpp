#include "faultrelay.h"

#include "sandboxprocess.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The length of the first whole message in the buffer (its head and a Content-Length body), or
// -1 while it has not all come. Neither the client nor the sandbox sends a chunked body.
qsizetype messageLength(const QByteArray &buffer)
{
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return -1;
    qsizetype length = 0;
    for (const QByteArray &line : buffer.left(headEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    }
    return buffer.size() >= headEnd + 4 + length ? headEnd + 4 + length : -1;
}

QSslConfiguration http11Only(QSslConfiguration tls)
{
    tls.setAllowedNextProtocols({QSslConfiguration::NextProtocolHttp1_1});
    return tls;
}

} // namespace

FaultRelay::FaultRelay(const SandboxProcess &sandbox) : sandbox(sandbox)
{
    QFile key(QStringLiteral(VELTO_CERT_DIR "/server.key"));
    key.open(QIODevice::ReadOnly);
    QSslConfiguration tls = http11Only(QSslConfiguration::defaultConfiguration());
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
    dropping.insert(method + ' ' + path.toUtf8());
}

void FaultRelay::relay(QSslSocket *client)
{
    // One connection to the sandbox per connection of the client; it dies with the client's.
    auto *service = new QSslSocket(client);
    service->setSslConfiguration(http11Only(QSslConfiguration::defaultConfiguration()));
    service->connectToHostEncrypted(u"localhost"_s, sandbox.port());
    struct Buffers
    {
        QByteArray fromClient, fromService;
        QList<bool> drops; // of the requests on their way, in order
    };
    auto link = std::make_shared<Buffers>();

    const auto forward = [this, client, service, link] {
        link->fromClient += client->readAll();
        for (qsizetype n; (n = messageLength(link->fromClient)) > 0;) {
            const QByteArray message = link->fromClient.left(n);
            link->fromClient.remove(0, n);
            const qsizetype headEnd = message.indexOf("\r\n\r\n");
            const QList<QByteArray> lines = message.left(headEnd).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).split(' ');
            Forwarded f;
            f.method = requestLine.value(0);
            f.path = QString::fromUtf8(requestLine.value(1).mid(1)).section(u'?', 0, 0);
            f.dropped = dropping.contains(f.method + ' ' + f.path.toUtf8());
            QByteArray head;
            for (const QByteArray &line : lines) {
                const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
                if (name == "idempotency-key")
                    f.idempotencyKey = line.mid(line.indexOf(':') + 1).trimmed();
                if (name == "origin")
                    head += "Origin: " + sandbox.origin().toUtf8() + "\r\n";
                else if (name == "host")
                    head += "Host: localhost:" + QByteArray::number(sandbox.port()) + "\r\n";
                else
                    head += line + '\n';
            }
            forwarded.append(f);
            link->drops.append(f.dropped);
            service->write(head + "\r\n" + message.mid(headEnd + 4));
        }
    };
    connect(client, &QSslSocket::readyRead, this, forward);
    connect(service, &QSslSocket::readyRead, this, [client, service, link] {
        link->fromService += service->readAll();
        for (qsizetype n; (n = messageLength(link->fromService)) > 0 && !link->drops.isEmpty();) {
            const QByteArray answer = link->fromService.left(n);
            link->fromService.remove(0, n);
            if (link->drops.takeFirst()) {
                // The service has committed; the client is told nothing.
                client->disconnectFromHost();
                return;
            }
            client->write(answer);
        }
    });
    connect(service, &QSslSocket::disconnected, client, &QSslSocket::disconnectFromHost);
    connect(client, &QSslSocket::disconnected, client, &QObject::deleteLater);
    forward();
}
