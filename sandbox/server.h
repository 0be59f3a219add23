#pragma once

#include "connections.h"
#include "http.h"
#include "signinthrottle.h"
#include "storage.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

class QHttpServerRequest;
class QHttpServerResponder;
class HttpsFrontend;

struct SandboxOptions
{
    quint16 port = 8443; // 0 picks a free port
    QString dbPath = u"velto-sandbox.db"_s; // ":memory:" for a private database
    QString certFile; // empty: <default cert dir>/server.pem
    QString keyFile; // empty: <default cert dir>/server.key
    bool seed = true; // load the demo seed into a new database
    int pbkdf2Iterations = 100000; // lower only in tests
    bool printToStdout = true; // the status lines on standard output
    ConnectionLimits connections; // sizes, time-outs and the number of connections
    std::function<qint64()> clock; // milliseconds for the connections' time limits; tests step it
};

// The velto-sandbox service: an HTTPS server on 127.0.0.1 with the routing table of every area,
// one SQLite database, and the request rules every route shares (size limits, Origin check, JSON
// bodies, sessions, role gates, one transaction per write request).
class SandboxServer : public QObject
{
    Q_OBJECT
public:
    explicit SandboxServer(const SandboxOptions &options, QObject *parent = nullptr);
    ~SandboxServer() override;

    // Opens the database (seeding a new one), loads the certificate and listens. Returns the
    // port, or 0 with *error set.
    quint16 start(QString *error = nullptr);

    quint16 port() const { return listeningPort; }
    // "https://localhost:<port>": the origin the sandbox answers for.
    QString origin() const;
    const SandboxOptions &options() const { return opts; }
    Storage &storage() { return db; }
    const Router &routes() const { return router; }
    int openConnections() const { return listener ? listener->openConnections() : 0; }
    qint64 bodyBytesInFlight() const { return listener ? listener->bodyBytesInFlight() : 0; }
    const TlsListener *connections() const { return listener; }
    SignInThrottle &signInThrottle() { return signIns; }

    // Writes one status line to standard output (flushed) and emits outputLine, with control
    // characters escaped. During a write request the line waits for its commit, and is dropped
    // with a rollback: no link is printed for a registration that was not saved.
    void print(const QString &line);
    // The text with every control character (C0, DEL, C1) written as "\xNN": what is printed can
    // neither drive a terminal nor start a line of its own.
    static QString printable(const QString &text);
    // The last link printed for an e-mail: kind "verify-link", "reset-link",
    // "bank-approval-link" or "kyc-approval-link"; "" when none.
    QString lastLink(const QString &kind, const QString &email) const;

signals:
    void outputLine(const QString &line);

private:
    void dispatch(const QHttpServerRequest &request, QHttpServerResponder &responder);
    Reply handle(const QHttpServerRequest &request);
    bool originAllowed(const QByteArray &origin) const;
    void printDemoAccounts();

    SandboxOptions opts;
    Storage db;
    Router router;
    std::unique_ptr<HttpsFrontend> http;
    TlsListener *listener = nullptr; // owned by http
    quint16 listeningPort = 0;
    QHash<QString, QString> links;
    SignInThrottle signIns;
    bool holdingLines = false;
    QStringList heldLines;
};
