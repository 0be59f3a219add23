#include "api.h"

#include "persistentcookiejar.h"
#include "velto_config.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {
// Marks a reply aborted by the overall limit, so its answer says why.
constexpr char OverLimit[] = "veltoOverLimit";
} // namespace

Api::Api(QObject *parent) : Api(QStringLiteral(VELTO_SERVICE_ORIGIN), parent) { }

Api::Api(const QString &origin, QObject *parent) : QObject(parent)
{
    baseUrl = origin + QLatin1Char('/');
    jar = new PersistentCookieJar(this);
    manager.setCookieJar(jar);
    // The manager adopted the jar; keep Api as its parent so it dies with us, not with manager.
    jar->setParent(this);
}

Api::~Api() = default;

QString Api::origin() const
{
    return baseUrl.chopped(1);
}

QNetworkRequest Api::buildRequest(const QString &path) const
{
    QNetworkRequest req(QUrl(baseUrl + path, QUrl::TolerantMode));
    req.setRawHeader("Origin", origin().toUtf8());
    req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setTransferTimeout(transferTimeoutMs);
    return req;
}

void Api::request(int id, const QString &method, const QString &path, const QString &jsonBody)
{
    QNetworkReply *r = nullptr;
    if (method == QLatin1String("GET"))
        r = manager.get(buildRequest(path));
    else if (method == QLatin1String("POST"))
        r = manager.post(buildRequest(path), jsonBody.toUtf8());
    else if (method == QLatin1String("PUT"))
        r = manager.put(buildRequest(path), jsonBody.toUtf8());
    else if (method == QLatin1String("DELETE"))
        r = manager.deleteResource(buildRequest(path));

    if (!r) {
        emit reply(id, 0, QStringLiteral("Unsupported method"));
        return;
    }
    connect(r, &QNetworkReply::finished, this, [this, r, id] { onReplyFinished(r, id); });
    // The overall limit: the timer dies with the reply, so it never fires for a finished one.
    auto *limit = new QTimer(r);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, r, [r] {
        r->setProperty(OverLimit, true);
        r->abort();
    });
    limit->start(overallLimitMs);
}

void Api::onReplyFinished(QNetworkReply *r, int id)
{
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
    // it is asked to end even though the jar is emptied right after.
    QNetworkReply *r
        = manager.post(buildRequest(QStringLiteral("api/auth/logout")), QByteArray("{}"));
    connect(r, &QNetworkReply::finished, r, &QObject::deleteLater);
    jar->clear();
}
