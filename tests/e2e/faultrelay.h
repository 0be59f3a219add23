#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QSslServer>
#include <QString>

class SandboxProcess;

// A proxy between the client and a sandbox that gives up after the service has committed: HTTPS
// (HTTP/1.1 only) on a port of its own with the development certificate, it forwards each request
// to the sandbox, with the sandbox's Origin in place of its own, and passes the answer back;
// unless the request's method and path are armed, in which case it closes the client's
// connection once the sandbox has answered, without a byte of the answer. The client's network
// layer then re-sends the request on a new connection, and at last reports no answer (status 0).
//
//     FaultRelay relay(sandbox);
//     relay.dropAnswersTo("POST", u"api/gigs/4/order"_s);
//     ClientSession session(relay.origin());
class FaultRelay : public QSslServer
{
    Q_OBJECT
public:
    // The sandbox must be running; the relay follows it through a restart on the same port.
    explicit FaultRelay(const SandboxProcess &sandbox);

    // "https://localhost:<port>": the origin to give the client in place of the sandbox's.
    QString origin() const;

    // Every later request of this method to this path ("api/…", without a query) reaches the
    // sandbox and gets no answer, until passAnswers().
    void dropAnswersTo(const QByteArray &method, const QString &path);
    void passAnswers() { dropping.clear(); }

    // What reached the sandbox through the relay, in order.
    struct Forwarded
    {
        QByteArray method;
        QString path; // without the leading "/" and the query
        QByteArray idempotencyKey; // the header as sent; empty when there was none
        bool dropped = false;
    };
    QList<Forwarded> forwarded;

private:
    void relay(QSslSocket *client);

    const SandboxProcess &sandbox;
    QSet<QByteArray> dropping; // "METHOD path"
};
