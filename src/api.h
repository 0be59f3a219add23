#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

class PersistentCookieJar;
class QNetworkRequest;
class QUrl;

// The documents' only door to the service: one HTTPS request per call, answered by exactly one
// reply(id, status, body). Session cookies live in a PersistentCookieJar. Every POST, PUT and
// DELETE carries an Idempotency-Key of its own, fresh for each call: the network layer re-sends a
// write whose connection closed before any answer, and the service then knows the re-send for the
// write it may already have carried out.
class Api : public QObject
{
    Q_OBJECT
    // Where the requests go ("https://host[:port]"): the pages handed to the browser are this
    // service's, and only a link into it is opened.
    Q_PROPERTY(QString origin READ origin CONSTANT)
public:
    // Targets the origin the program was built for.
    explicit Api(QObject *parent = nullptr);
    // Targets another https origin ("https://host[:port]", no trailing slash); used by tests.
    // Requests follow a redirect within this origin only: any other ends the request with
    // status 0 and ForeignRedirectText, before anything (a cookie, a body) is sent there.
    explicit Api(const QString &origin, QObject *parent = nullptr);
    ~Api() override;

    Q_INVOKABLE void request(int id, const QString &method, const QString &path,
                             const QString &jsonBody);
    Q_INVOKABLE void logout();
    Q_INVOKABLE QString captureScreenThumbnail();
    Q_INVOKABLE int screenCount() const;

    // A request whose transfer makes no progress for this long ends with status 0, and so does
    // one that has not finished after the overall limit, however slowly data still trickles in.
    static constexpr int DefaultTransferTimeoutMs = 30000;
    static constexpr int DefaultOverallLimitMs = 120000;
    void setTransferTimeout(int ms) { transferTimeoutMs = ms; }
    void setOverallLimit(int ms) { overallLimitMs = ms; }

    QString origin() const;
    static inline const QString ForeignRedirectText
        = QStringLiteral("The service sent the request elsewhere");

signals:
    void reply(int id, int status, const QString &body);

private:
    struct Held
    {
        int id;
        QString method;
        QString path;
        QByteArray body;
        QByteArray key; // Idempotency-Key of a write; empty for a GET
        QElapsedTimer since; // the overall limit counts from the call, not from the sending
    };

    QNetworkRequest buildRequest(const QString &path, const QByteArray &key) const;
    void send(const Held &request);
    void releaseHeld();
    void onReplyFinished(QNetworkReply *reply, int id);
    bool sameOrigin(const QUrl &url) const;
    void followWithinOrigin(QNetworkReply *reply);

    QNetworkAccessManager manager;
    PersistentCookieJar *jar = nullptr;
    QString baseUrl;
    int transferTimeoutMs = DefaultTransferTimeoutMs;
    int overallLimitMs = DefaultOverallLimitMs;
    // Requests made while the connection opened at construction is still being set up wait for
    // it: Qt opens a second connection for a request that comes before it is ready.
    bool connecting = true;
    QList<Held> held;
    QTimer connectingLimit;
};
