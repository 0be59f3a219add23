#include "sandboxclient.h"

#include "server.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrlQuery>

const QString SandboxClient::ClientEmail = QStringLiteral("client@velto.test");
const QString SandboxClient::ClientPassword = QStringLiteral("velto-client-1");
const QString SandboxClient::FreelancerEmail = QStringLiteral("freelancer@velto.test");
const QString SandboxClient::FreelancerPassword = QStringLiteral("velto-freelancer-1");
const QString SandboxClient::TwoFactorEmail = QStringLiteral("2fa@velto.test");
const QString SandboxClient::TwoFactorPassword = QStringLiteral("velto-2fa-user-1");
const QString SandboxClient::TwoFactorSecret = QStringLiteral("JBSWY3DPEHPK3PXP");

QByteArray HttpResult::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

void trustDevelopmentCa()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFile file(QStringLiteral(VELTO_TEST_CA_FILE));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the development CA %s", VELTO_TEST_CA_FILE);
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(QSslCertificate::fromData(file.readAll(), QSsl::Pem));
    QSslConfiguration::setDefaultConfiguration(config);
}

std::unique_ptr<SandboxServer> startTestSandbox(bool seed)
{
    trustDevelopmentCa();
    SandboxOptions options;
    options.port = 0;
    options.dbPath = QStringLiteral(":memory:");
    options.seed = seed;
    options.pbkdf2Iterations = 10;
    options.printToStdout = false;
    auto server = std::make_unique<SandboxServer>(options);
    QString error;
    if (server->start(&error) == 0) {
        qWarning("sandbox did not start: %s", qPrintable(error));
        return nullptr;
    }
    return server;
}

QStringList SandboxClient::notificationKinds()
{
    QStringList kinds;
    for (const QJsonValue &n :
         get(QStringLiteral("api/notifications")).list(QStringLiteral("notifications")))
        kinds << n.toObject().value(QStringLiteral("kind")).toString();
    return kinds;
}

bool TestCast::signIn(SandboxServer &server, const QString &otherClientEmail,
                      const QString &otherFreelancerEmail)
{
    client = std::make_unique<SandboxClient>(server.port());
    freelancer = std::make_unique<SandboxClient>(server.port());
    otherClient = std::make_unique<SandboxClient>(server.port());
    otherFreelancer = std::make_unique<SandboxClient>(server.port());
    if (client->login(SandboxClient::ClientEmail, SandboxClient::ClientPassword).status != 200
        || freelancer->login(SandboxClient::FreelancerEmail, SandboxClient::FreelancerPassword)
                .status
            != 200)
        return false;
    otherClientId = otherClient->signUp(server, otherClientEmail, QStringLiteral("client"))
                        .value(QStringLiteral("id"))
                        .toInteger();
    otherFreelancerId
        = otherFreelancer->signUp(server, otherFreelancerEmail, QStringLiteral("freelancer"))
              .value(QStringLiteral("id"))
              .toInteger();
    return otherClientId > 0 && otherFreelancerId > 0;
}

QJsonObject withMember(QJsonObject object, const char *member, const QJsonValue &value)
{
    if (value.isUndefined())
        object.remove(QLatin1String(member));
    else
        object.insert(QLatin1String(member), value);
    return object;
}

QString postRefusals(const QList<RefusedPost> &cases)
{
    QStringList wrong;
    for (const RefusedPost &c : cases) {
        const HttpResult r = c.who->post(c.path, c.body);
        if (r.status != c.status || r.error().isEmpty())
            wrong << QStringLiteral("%1: %2 \"%3\" (expected %4)")
                         .arg(QLatin1String(c.name), QString::number(r.status), r.error(),
                              QString::number(c.status));
    }
    return wrong.join(QLatin1String("; "));
}

QByteArray databaseFingerprint(SandboxServer &server)
{
    Storage &db = server.storage();
    QByteArray out;
    const QJsonArray tables = db.all(QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                    "'table' AND name NOT IN ('sessions', "
                                                    "'email_tokens') ORDER BY name"));
    for (const QJsonValue &t : tables) {
        const QString name = t.toObject().value(QStringLiteral("name")).toString();
        out += name.toUtf8() + ':';
        // Table names come from sqlite_master, not from input.
        out += QJsonDocument(
                   db.all(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(name)))
                   .toJson(QJsonDocument::Compact);
        out += '\n';
    }
    return out;
}

SandboxClient::SandboxClient(quint16 port)
    : base(QStringLiteral("https://localhost:%1").arg(port)), originHeader(base.toUtf8())
{
    trustDevelopmentCa();
    nam.setCookieJar(new QNetworkCookieJar(&nam));
}

HttpResult SandboxClient::send(const QByteArray &method, const QString &path,
                               const QByteArray &body)
{
    QNetworkRequest request(QUrl(base + QLatin1Char('/') + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (!originHeader.isEmpty())
        request.setRawHeader("Origin", originHeader);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QBuffer *buffer = new QBuffer;
    buffer->setData(body);
    buffer->open(QIODevice::ReadOnly);
    QNetworkReply *reply = nam.sendCustomRequest(request, method, buffer);
    buffer->setParent(reply);

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(60000);
    if (!reply->isFinished())
        loop.exec();

    HttpResult result;
    if (reply->isFinished()) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.raw = reply->readAll();
        result.headers = reply->rawHeaderPairs();
        const QJsonDocument doc = QJsonDocument::fromJson(result.raw);
        if (doc.isObject())
            result.json = doc.object();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return result;
}

HttpResult SandboxClient::get(const QString &path)
{
    return send("GET", path, QByteArray());
}

HttpResult SandboxClient::post(const QString &path, const QJsonObject &body)
{
    return send("POST", path, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

HttpResult SandboxClient::put(const QString &path, const QJsonObject &body)
{
    return send("PUT", path, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

HttpResult SandboxClient::del(const QString &path)
{
    return send("DELETE", path, QByteArray());
}

HttpResult SandboxClient::login(const QString &email, const QString &password,
                                const QString &totpCode)
{
    QJsonObject body {{QStringLiteral("email"), email}, {QStringLiteral("password"), password}};
    if (!totpCode.isEmpty())
        body.insert(QStringLiteral("totpCode"), totpCode);
    return post(QStringLiteral("api/auth/login"), body);
}

QJsonObject SandboxClient::signUp(SandboxServer &server, const QString &email, const QString &role,
                                  const QString &fullName)
{
    const QString password = QStringLiteral("password-of-") + email;
    const HttpResult reg = post(QStringLiteral("api/auth/register"),
                                {{QStringLiteral("email"), email},
                                 {QStringLiteral("password"), password},
                                 {QStringLiteral("fullName"), fullName},
                                 {QStringLiteral("role"), role},
                                 {QStringLiteral("termsAccepted"), true},
                                 {QStringLiteral("privacyAccepted"), true}});
    if (reg.status != 201)
        return QJsonObject();
    const QUrl link(server.lastLink(QStringLiteral("verify-link"), email));
    if (get(link.path().mid(1) + QLatin1Char('?') + link.query()).status != 200)
        return QJsonObject();
    const HttpResult in = login(email, password);
    return in.status == 200 ? in.object(QStringLiteral("user")) : QJsonObject();
}
