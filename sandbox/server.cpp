#include "server.h"

#include "idempotency.h"
#include "seed.h"
#include "sessions.h"
#include "users.h"
#include "web/forms.h"
#include "web/page.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <cstdio>

using namespace Qt::StringLiterals;

#ifndef VELTO_DEFAULT_CERT_DIR
#define VELTO_DEFAULT_CERT_DIR "certs"
#endif

// QAbstractHttpServer with every request handed to one function; routing is ours.
class HttpsFrontend : public QAbstractHttpServer
{
public:
    std::function<void(const QHttpServerRequest &, QHttpServerResponder &)> onRequest;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        onRequest(request, responder);
        return true;
    }
    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override { }
};

namespace {

Reply errorReply(int status, const QString &message)
{
    return Reply {status, QJsonObject {{u"error"_s, message}}, {}};
}

QString methodName(const QHttpServerRequest &request)
{
    switch (request.method()) {
    case QHttpServerRequest::Method::Get:
        return u"GET"_s;
    case QHttpServerRequest::Method::Post:
        return u"POST"_s;
    case QHttpServerRequest::Method::Put:
        return u"PUT"_s;
    case QHttpServerRequest::Method::Delete:
        return u"DELETE"_s;
    default:
        return QString();
    }
}

} // namespace

SandboxServer::SandboxServer(const SandboxOptions &options, QObject *parent)
    : QObject(parent), opts(options), http(std::make_unique<HttpsFrontend>())
{
    if (opts.certFile.isEmpty())
        opts.certFile = QString::fromUtf8(VELTO_DEFAULT_CERT_DIR "/server.pem");
    if (opts.keyFile.isEmpty())
        opts.keyFile = QString::fromUtf8(VELTO_DEFAULT_CERT_DIR "/server.key");
    if (opts.pbkdf2Iterations < 1)
        opts.pbkdf2Iterations = 1;

    registerAuthRoutes(router);
    registerAccountRoutes(router);
    registerWalletRoutes(router);
    registerNotificationRoutes(router);
    registerProjectRoutes(router);
    registerContestRoutes(router);
    registerTeamRoutes(router);
    registerGigRoutes(router);
    registerGigOrderRoutes(router);
    registerContractRoutes(router);
    registerAssessmentRoutes(router);
    registerIdentityRoutes(router);
    registerSignInLinkRoutes(router);
    registerAccountPages(router);
    registerPaymentPages(router);
    registerIdentityPages(router);
    registerSignInLinkPages(router);

    http->onRequest = [this](const QHttpServerRequest &request, QHttpServerResponder &responder) {
        dispatch(request, responder);
    };
}

SandboxServer::~SandboxServer() = default;

quint16 SandboxServer::start(QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return quint16(0);
    };
    QString dbError;
    // The demo data goes in with the schema, in one transaction: a first start cut short (killed,
    // say) leaves no schema either, and the next start is a first start again.
    std::function<void(Storage &)> firstStart;
    if (opts.seed) {
        firstStart = [this](Storage &s) {
            try {
                seedDemo(s, opts.pbkdf2Iterations);
            } catch (const HttpError &e) {
                throw StorageError {u"seeding failed: "_s + e.message};
            } catch (const StorageError &e) {
                throw StorageError {u"seeding failed: "_s + e.message};
            }
        };
    }
    if (!db.open(opts.dbPath, &dbError, firstStart))
        return refuse(u"cannot open database %1: %2"_s.arg(opts.dbPath, dbError));

    QFile certFile(opts.certFile);
    QFile keyFile(opts.keyFile);
    if (!certFile.open(QIODevice::ReadOnly))
        return refuse(u"cannot read certificate "_s + opts.certFile);
    if (!keyFile.open(QIODevice::ReadOnly))
        return refuse(u"cannot read key "_s + opts.keyFile);
    const QSslCertificate cert(certFile.readAll(), QSsl::Pem);
    const QSslKey key(keyFile.readAll(), QSsl::Rsa, QSsl::Pem);
    if (cert.isNull() || key.isNull())
        return refuse(u"certificate or key is not valid PEM"_s);
    QSslConfiguration tls;
    tls.setLocalCertificate(cert);
    tls.setPrivateKey(key);

    // Our own listener rather than QAbstractHttpServer::listen(): it holds each connection to
    // the size and time limits before the HTTP server reads from it.
    auto *ours = new TlsListener(tls, opts.connections, Web::securityHeaders(), opts.clock);
    if (!ours->listen(QHostAddress::LocalHost, opts.port)) {
        delete ours;
        return refuse(u"cannot listen on 127.0.0.1:%1"_s.arg(opts.port));
    }
    listener = ours;
    http->bind(listener);
    listeningPort = listener->serverPort();
    print(u"velto-sandbox listening on "_s + origin());
    printDemoAccounts();
    return listeningPort;
}

QString SandboxServer::origin() const
{
    return u"https://localhost:%1"_s.arg(listeningPort);
}

QString SandboxServer::printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            out += u"\\x%1"_s.arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            out += c;
    }
    return out;
}

void SandboxServer::print(const QString &text)
{
    if (holdingLines) {
        heldLines.append(text);
        return;
    }
    const QString line = printable(text);
    if (opts.printToStdout) {
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    }
    const QString kind = line.section(u' ', 0, 0);
    if (kind.endsWith("-link"_L1))
        links.insert(kind + u' ' + line.section(u' ', 1, 1).toLower(), line.section(u' ', 2, 2));
    emit outputLine(line);
}

QString SandboxServer::lastLink(const QString &kind, const QString &email) const
{
    return links.value(kind + u' ' + email.toLower());
}

void SandboxServer::printDemoAccounts()
{
    for (const DemoAccount &a : demoAccounts()) {
        if (Users::idForEmail(db, a.email) == 0)
            continue;
        QString line = u"demo %1 %2 password %3"_s.arg(a.role, a.email, a.password);
        if (!a.totpSecret.isEmpty())
            line += u" totp-secret %1"_s.arg(a.totpSecret);
        print(line);
    }
}

bool SandboxServer::originAllowed(const QByteArray &origin) const
{
    const QByteArray port = QByteArray::number(listeningPort);
    return origin == "https://localhost:" + port || origin == "https://127.0.0.1:" + port;
}

void SandboxServer::dispatch(const QHttpServerRequest &request, QHttpServerResponder &responder)
{
    Reply reply = handle(request);
    // A refusal before any page had its say (no such page, a foreign Origin, a thrown error) is
    // shown as a page too; after a form, with the way back to it.
    if (reply.documentType.isEmpty() && Web::isPage(Router::pathSegments(request.url())))
        reply = Web::refusal(
            reply,
            request.method() == QHttpServerRequest::Method::Post ? request.url().path() : u"/"_s);
    const bool json = reply.documentType.isEmpty();
    const QByteArray body
        = json ? QJsonDocument(reply.body).toJson(QJsonDocument::Compact) : reply.document;
    responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
    responder.writeHeader("Content-Type",
                          json ? QByteArray("application/json") : reply.documentType);
    responder.writeHeader("Cache-Control", "no-store");
    for (const auto &h : Web::securityHeaders())
        responder.writeHeader(h.first, h.second);
    for (const auto &h : reply.headers)
        responder.writeHeader(h.first, h.second);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeBody(body);
}

Reply SandboxServer::handle(const QHttpServerRequest &request)
{
    const QString method = methodName(request);
    const bool writes = method == "POST"_L1 || method == "PUT"_L1 || method == "DELETE"_L1;

    // The listener refuses by Content-Length before the body is read; this is the last word.
    if (request.body().size() > opts.connections.body)
        return errorReply(413, opts.connections.bodyTooLarge());
    if (writes) {
        const QByteArray origin = request.value("origin");
        if (!origin.isEmpty() && !originAllowed(origin))
            return errorReply(403, u"Cross-origin request refused"_s);
    }

    const QStringList segments = Router::pathSegments(request.url());

    const Router::Route *route = nullptr;
    Request req(*this, db);
    req.method = method;
    req.query = QUrlQuery(request.url());
    req.source = request.remoteAddress().toString();
    switch (method.isEmpty() ? Router::Match::WrongMethod
                             : router.find(method, segments, &route, &req.args)) {
    case Router::Match::NoPath:
        return errorReply(404, u"Not found"_s);
    case Router::Match::WrongMethod:
        return errorReply(405, u"Method not allowed"_s);
    case Router::Match::Found:
        break;
    }
    req.pattern = route->segments.join(u'/');

    if (writes && Web::isPage(segments)) {
        req.body = Web::formFields(request.body());
    } else if (writes && !request.body().trimmed().isEmpty()) {
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(request.body(), &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return errorReply(400, u"Malformed JSON body"_s);
        if (!doc.isObject())
            return errorReply(400, u"The body must be a JSON object"_s);
        // JSON lets "\ud800" through; SQLite would store it as bytes no UTF-8 reader accepts.
        if (hasUnpairedSurrogate(doc.object()))
            return errorReply(400, u"Text with half of a UTF-16 surrogate pair is refused"_s);
        req.body = doc.object();
    }

    try {
        req.cookieHeader = request.value("cookie");
        req.sessionToken = Sessions::tokenFromCookieHeader(req.cookieHeader);
        if (!req.sessionToken.isEmpty()) {
            req.userId = Sessions::userFor(db, req.sessionToken);
            if (req.userId) {
                req.user = Users::record(db, req.userId);
                req.role = req.user.value(u"role"_s).toString();
            }
        }
        if (route->access != Access::Public && req.userId == 0)
            return errorReply(401, u"Sign in first"_s);
        if (route->access == Access::Client && !req.isClient())
            return errorReply(403, u"Only clients can do this"_s);
        if (route->access == Access::Freelancer && !req.isFreelancer())
            return errorReply(403, u"Only freelancers can do this"_s);

        if (!writes)
            return route->handler(req);
        // Before sign-in nothing a write does moves money: its key is not kept.
        IdempotentWrite once(db, route->access == Access::Public ? 0 : req.userId,
                             request.value("idempotency-key"), method,
                             request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority),
                             request.body());
        Reply reply;
        {
            // One transaction per write request: a refusal leaves nothing behind.
            const auto release = qScopeGuard([this] {
                holdingLines = false;
                heldLines.clear();
            });
            Storage::Transaction transaction(db);
            if (std::optional<Reply> answered = once.answered())
                return *answered;
            holdingLines = true;
            try {
                reply = route->handler(req);
            } catch (const HttpError &e) {
                reply = errorReply(e.status, e.message);
            }
            if (reply.status < 400) {
                once.remember(reply);
                transaction.commit();
                holdingLines = false;
                for (const QString &line : std::exchange(heldLines, {}))
                    print(line);
                return reply;
            }
        }
        once.remember(reply);
        return reply;
    } catch (const HttpError &e) {
        return errorReply(e.status, e.message);
    } catch (const NotCommittedError &e) {
        std::fprintf(stderr, "velto-sandbox: not committed: %s\n",
                     qPrintable(printable(e.message)));
        Reply busy = errorReply(503, u"The service is busy and nothing was saved; try again"_s);
        busy.headers.append({QByteArray("Retry-After"), QByteArray("1")});
        return busy;
    } catch (const StorageError &e) {
        std::fprintf(stderr, "velto-sandbox: storage error: %s\n",
                     qPrintable(printable(e.message)));
        return errorReply(500, u"Internal error"_s);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "velto-sandbox: error: %s\n", e.what());
        return errorReply(500, u"Internal error"_s);
    }
}
