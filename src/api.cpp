#include "api.h"

#include "persistentcookiejar.h"
#include "velto_config.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {
// Mark a reply aborted by the overall limit, or at a redirect out of the origin, so that its
// answer says why.
constexpr char OverLimit[] = "veltoOverLimit";
constexpr char ForeignRedirect[] = "veltoForeignRedirect";
// How long requests wait at most for the connection opened at construction: one that takes
// longer (a far or stalled service) costs them no more than opening their own.
constexpr int ConnectingLimitMs = 2000;

// 128 random bits in hex: no two writes of any client may share one.
QByteArray newIdempotencyKey()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex();
}
} // namespace

Api::Api(QObject *parent) : Api(QStringLiteral(VELTO_SERVICE_ORIGIN), parent) { }

Api::Api(const QString &origin, QObject *parent) : QObject(parent)
{
    baseUrl = origin + QLatin1Char('/');
    jar = new PersistentCookieJar(this);
    manager.setCookieJar(jar);
    // The manager adopted the jar; keep Api as its parent so it dies with us, not with manager.
    jar->setParent(this);

    // The first page waits for the answer to the first request, so the TLS handshake is started
    // now and runs on the network thread while the documents load. Nothing is sent on the
    // connection until a request is. It trusts exactly what every request trusts (the default
    // configuration, which holds the embedded CA) and offers the protocols a request offers, so
    // that it is the connection the requests use. Until it is ready (or has failed) every reply
    // the manager finishes is its own, as requests are held.
    connect(&manager, &QNetworkAccessManager::finished, this, [this](QNetworkReply *r) {
        if (!connecting)
            return;
        r->deleteLater();
        releaseHeld();
    });
    connectingLimit.setSingleShot(true);
    connectingLimit.callOnTimeout(this, &Api::releaseHeld);
    connectingLimit.start(ConnectingLimitMs);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setAllowedNextProtocols(
        {QSslConfiguration::ALPNProtocolHTTP2, QSslConfiguration::NextProtocolHttp1_1});
    const QUrl url(origin);
    manager.connectToHostEncrypted(url.host(), quint16(url.port(443)), tls);
}

Api::~Api() = default;

QString Api::origin() const
{
    return baseUrl.chopped(1);
}

bool Api::sameOrigin(const QUrl &url) const
{
    const QUrl service(baseUrl);
    return url.scheme() == service.scheme() && url.host() == service.host()
        && url.port(443) == service.port(443);
}

QNetworkRequest Api::buildRequest(const QString &path, const QByteArray &key) const
{
    QNetworkRequest req(QUrl(baseUrl + path, QUrl::TolerantMode));
    req.setRawHeader("Origin", origin().toUtf8());
    req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // Each redirect is put to followWithinOrigin().
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::UserVerifiedRedirectPolicy);
    // The network layer's own re-sends re-use this request, and so carry the same key.
    if (!key.isEmpty())
        req.setRawHeader("Idempotency-Key", key);
    req.setTransferTimeout(transferTimeoutMs);
    return req;
}

void Api::request(int id, const QString &method, const QString &path, const QString &jsonBody)
{
    static const QStringList methods {QStringLiteral("GET"), QStringLiteral("POST"),
                                      QStringLiteral("PUT"), QStringLiteral("DELETE")};
    if (!methods.contains(method)) {
        emit reply(id, 0, QStringLiteral("Unsupported method"));
        return;
    }
    const QByteArray key = method == QLatin1String("GET") ? QByteArray() : newIdempotencyKey();
    Held request {id, method, path, jsonBody.toUtf8(), key, {}};
    request.since.start();
    if (connecting)
        held.append(request);
    else
        send(request);
}

void Api::releaseHeld()
{
    if (!connecting)
        return;
    connecting = false;
    connectingLimit.stop();
    const QList<Held> waiting = std::exchange(held, {});
    for (const Held &request : waiting)
        send(request);
}

void Api::send(const Held &request)
{
    const int id = request.id;
    const QNetworkRequest req = buildRequest(request.path, request.key);
    QNetworkReply *r = nullptr;
    if (request.method == QLatin1String("GET"))
        r = manager.get(req);
    else if (request.method == QLatin1String("POST"))
        r = manager.post(req, request.body);
    else if (request.method == QLatin1String("PUT"))
        r = manager.put(req, request.body);
    else if (request.method == QLatin1String("DELETE"))
        r = manager.deleteResource(req);

    if (!r) {
        emit reply(id, 0, QStringLiteral("Unsupported method"));
        return;
    }
    connect(r, &QNetworkReply::finished, this, [this, r, id] { onReplyFinished(r, id); });
    followWithinOrigin(r);
    // The overall limit: the timer dies with the reply, so it never fires for a finished one.
    auto *limit = new QTimer(r);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, r, [r] {
        r->setProperty(OverLimit, true);
        r->abort();
    });
    limit->start(std::max<qint64>(0, overallLimitMs - request.since.elapsed()));
}

void Api::onReplyFinished(QNetworkReply *r, int id)
{
    // A redirect elsewhere is no answer, whatever the status and body that sent it there said.
    if (r->property(ForeignRedirect).toBool()) {
        emit reply(id, 0, ForeignRedirectText);
        r->deleteLater();
        return;
    }
    // A reply cut off by the overall limit is no answer, even when its headers had arrived.
    const bool overLimit = r->property(OverLimit).toBool();
    const int status
        = overLimit ? 0 : r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An aborted reply (time-out) is already closed; it has nothing to read.
    QString body = r->isOpen() ? QString::fromUtf8(r->readAll()) : QString();
    if (overLimit)
        body = QStringLiteral("The service took longer than %1 s to answer")
                   .arg(overallLimitMs / 1000.0);
    else if (r->error() != QNetworkReply::NoError && body.isEmpty())
        body = r->errorString();
    emit reply(id, status, body);
    r->deleteLater();
}

void Api::logout()
{
    // The cookies are attached when post() is called, so the service still sees the session
    // it is asked to end even though the jar is emptied right after; held requests go first,
    // with the cookies they were made with.
    releaseHeld();
    QNetworkReply *r = manager.post(
        buildRequest(QStringLiteral("api/auth/logout"), newIdempotencyKey()), QByteArray("{}"));
    connect(r, &QNetworkReply::finished, r, &QObject::deleteLater);
    followWithinOrigin(r);
    jar->clear();
}

void Api::followWithinOrigin(QNetworkReply *r)
{
    // Asked before the request goes anywhere: a redirect to another origin ends it here, so the
    // session cookie and the body never leave for an address that is not the service's.
    connect(r, &QNetworkReply::redirected, this, [this, r](const QUrl &to) {
        if (sameOrigin(r->url().resolved(to))) {
            emit r->redirectAllowed();
            return;
        }
        r->setProperty(ForeignRedirect, true);
        r->abort();
    });
}
