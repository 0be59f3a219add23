// The one-time sign-in links (signinlinks.h) and the route that issues them; the pages that open
// them are web/signinlinkpages.cpp.

#include "signinlinks.h"

#include "server.h"
#include "sessions.h"
#include "storage.h"
#include "web/page.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace {

QString inSeconds(int seconds)
{
    return QDateTime::currentDateTimeUtc().addSecs(seconds).toString(Qt::ISODate);
}

Reply webLink(Request &req)
{
    // A session exists only once the whole sign-in has passed, the two-factor code included
    // (Auth::login is the only place that makes one), so a link never skips the second factor.
    const QJsonValue wanted = req.body.value(u"next"_s);
    const QString next
        = wanted.isUndefined() || wanted.isNull() ? u"/"_s : req.text(u"next"_s, 1, 100);
    if (!Web::isDestination(next))
        fail(400, req.field(u"next"_s) + u" must be one of the service's own pages"_s);
    return ok({{u"url"_s, SignInLinks::issue(req, next)}});
}

} // namespace

namespace SignInLinks {

QString issue(Request &req, const QString &next)
{
    req.db.change(u"DELETE FROM sign_in_links WHERE expires_at <= ?"_s, {Storage::now()});
    const QString token = Sessions::randomToken();
    req.db.insert(u"INSERT INTO sign_in_links (token_hash, user_id, session_hash, next, stage, "
                  "created_at, expires_at) VALUES (?, ?, ?, ?, 'issued', ?, ?)"_s,
                  {Sessions::hashToken(token), req.userId, Sessions::hashToken(req.sessionToken),
                   next, Storage::now(), inSeconds(ValidSeconds)});
    return req.server.origin() + u"/sign-in-link?token="_s + token;
}

Link find(Storage &db, const QString &secret, const QString &stage)
{
    if (secret.size() != 64)
        return {};
    const QString now = Storage::now();
    const QJsonObject row
        = db.one(u"SELECT l.id, l.user_id, l.next FROM sign_in_links l "
                 "JOIN sessions s ON s.token_hash = l.session_hash AND s.expires_at > ? "
                 "WHERE l.token_hash = ? AND l.stage = ? AND l.expires_at > ?"_s,
                 {now, Sessions::hashToken(secret), stage, now});
    return {row.value(u"id"_s).toInteger(), row.value(u"user_id"_s).toInteger(),
            row.value(u"next"_s).toString()};
}

QString open(Storage &db, const Link &link)
{
    const QString secret = Sessions::randomToken();
    const int opened
        = db.change(u"UPDATE sign_in_links SET token_hash = ?, stage = 'opened', expires_at = ? "
                    "WHERE id = ? AND stage = 'issued'"_s,
                    {Sessions::hashToken(secret), inSeconds(ConfirmSeconds), link.id});
    return opened == 1 ? secret : QString();
}

bool use(Storage &db, const Link &link, const QString &stage)
{
    return db.change(u"UPDATE sign_in_links SET stage = 'used' WHERE id = ? AND stage = ?"_s,
                     {link.id, stage})
        == 1;
}

QByteArray cookie(const QString &secret)
{
    return QByteArray(CookieName) + '=' + secret.toLatin1()
        + "; Max-Age=" + QByteArray::number(secret.isEmpty() ? 0 : ConfirmSeconds)
        + "; Secure; HttpOnly; SameSite=Lax; Path=" + ConfirmPath;
}

} // namespace SignInLinks

void registerSignInLinkRoutes(Router &r)
{
    r.post(u"api/auth/web-link"_s, Access::User, webLink);
}
