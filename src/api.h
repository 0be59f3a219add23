#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

class PersistentCookieJar;
class QNetworkRequest;

// The documents' only door to the service: one HTTPS request per call, answered by exactly one
// reply(id, status, body). Session cookies live in a PersistentCookieJar.
class Api : public QObject
{
    Q_OBJECT
public:
    // Targets the origin the program was built for.
    explicit Api(QObject *parent = nullptr);
    // Targets another https origin ("https://host[:port]", no trailing slash); used by tests.
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

signals:
    void reply(int id, int status, const QString &body);

private:
    struct Held
    {
        int id;
        QString method;
        QString path;
        QByteArray body;
        QElapsedTimer since; // the overall limit counts from the call, not from the sending
    };

    QNetworkRequest buildRequest(const QString &path) const;
    void send(const Held &request);
    void releaseHeld();
    void onReplyFinished(QNetworkReply *reply, int id);

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
