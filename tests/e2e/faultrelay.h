#pragma once

#include <QByteArrayList>
#include <QSet>
#include <QSslServer>

class SandboxProcess;

// An HTTPS proxy before a sandbox (also restarted) that, for armed requests, closes the client's
// connection once the sandbox has answered (committed), without a byte of the answer.
class FaultRelay : public QSslServer
{
    Q_OBJECT
public:
    explicit FaultRelay(const SandboxProcess &sandbox);

    // "https://localhost:<port>": the origin to give the client in place of the sandbox's.
    QString origin() const;
    // Drops the answers of every later request of this method to this path ("api/…", no query).
    void dropAnswersTo(const QByteArray &method, const QString &path);

    // The Idempotency-Key header of each request whose answer was dropped, in order.
    QByteArrayList droppedKeys;

private:
    void relay(QSslSocket *client);

    const SandboxProcess &sandbox;
    QSet<QByteArray> dropping; // "METHOD /path"
};
