// Accounts and sessions: register, verify the e-mail, sign in (with an optional TOTP code), the
// session probe, sign out, and the password-reset links. The mailed links open web pages, which
// run the same functions (auth.h).

#include "auth.h"

#include "http.h"
#include "links.h"
#include "passwords.h"
#include "server.h"
#include "sessions.h"
#include "signinthrottle.h"
#include "storage.h"
#include "totp.h"
#include "users.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace {

constexpr int MinPasswordLength = 8;
constexpr int MaxPasswordLength = 1024;

using Links::issueLink;
using Links::markUsed;
using Links::redeemable;

Reply registerAccount(Request &req)
{
    const QString email = req.email(u"email"_s);
    const QString password = req.untrimmedText(u"password"_s, MinPasswordLength, MaxPasswordLength);
    const QString fullName = req.optionalText(u"fullName"_s, 120);
    const QString role = req.text(u"role"_s, 1, 20);
    if (role != "client"_L1 && role != "freelancer"_L1)
        fail(400, req.field(u"role"_s) + u" must be \"client\" or \"freelancer\""_s);
    if (!req.flag(u"termsAccepted"_s))
        fail(400, u"Accept the terms of service to register"_s);
    if (!req.flag(u"privacyAccepted"_s))
        fail(400, u"Accept the privacy policy to register"_s);
    const QString referralCode = req.optionalText(u"referralCode"_s, 40);

    if (req.db.exists(u"SELECT 1 FROM users WHERE email = ?"_s, {email}))
        fail(409, u"An account with this email already exists"_s);

    const qint64 id = Users::create(req.db, email, password, fullName, role,
                                    req.server.options().pbkdf2Iterations, false);
    if (!referralCode.isEmpty())
        req.db.change(u"UPDATE users SET referred_by = (SELECT id FROM users WHERE "
                      "referral_code = ? AND id <> ? AND role <> 'house') "
                      "WHERE id = ?"_s,
                      {referralCode.toUpper(), id, id});
    const QString link = issueLink(req, id, u"verify"_s, 48, u"verify-email"_s);
    req.server.print(u"verify-link %1 %2"_s.arg(email, link));
    return created({{u"user"_s, Users::record(req.db, id)},
                    {u"verificationRequired"_s, true},
                    {u"message"_s, u"Account created — verify your email, then sign in."_s}});
}

} // namespace

namespace Auth {

QString verifyEmail(Request &req)
{
    // A GET that changes state: it is the link a person follows from the (printed) e-mail.
    const QString token = req.query.queryItemValue(u"token"_s);
    const qint64 userId = redeemable(req, token, u"verify"_s);
    if (!userId)
        fail(400, u"This verification link is invalid or has expired"_s);
    Storage::Transaction t(req.db);
    markUsed(req, token);
    req.db.change(u"UPDATE users SET verified = 1 WHERE id = ?"_s, {userId});
    t.commit();
    return Users::record(req.db, userId).value(u"email"_s).toString();
}

Reply login(Request &req)
{
    const QString email = req.text(u"email"_s, 1, 254).toLower();
    const QString password = req.untrimmedText(u"password"_s, 0, MaxPasswordLength);
    const QJsonValue codeValue = req.body.value(u"totpCode"_s);
    if (!codeValue.isUndefined() && !codeValue.isNull() && !codeValue.isString())
        fail(400, req.field(u"totpCode"_s) + u" must be digits"_s);
    const QString code = codeValue.toString().trimmed();

    SignInThrottle &throttle = req.server.signInThrottle();
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch(), now = nowMs / 1000;
    if (const qint64 waitMs = throttle.retryAfter(email, req.source, nowMs)) {
        const qint64 wait = (waitMs + 999) / 1000;
        const QString why = wait < 60
            ? u"Too many failed sign-ins; try again in %1 seconds"_s.arg(wait)
            : u"Too many failed sign-ins; try again in %1 minutes"_s.arg((wait + 59) / 60);
        Reply refused {429, {{u"error"_s, why}}, {}};
        refused.headers.append({"Retry-After", QByteArray::number(wait)});
        return refused;
    }
    auto failure = [&](const QString &why) {
        throttle.failed(email, req.source, nowMs);
        return HttpError {401, why};
    };

    const QJsonObject row = req.db.one(u"SELECT id, password_hash, verified, "
                                       "totp_secret FROM users WHERE email = ? "
                                       "AND role <> 'house'"_s,
                                       {email});
    const QString stored = row.value(u"password_hash"_s).toString();
    if (row.isEmpty() || stored.isEmpty()) {
        Passwords::burn(password, req.server.options().pbkdf2Iterations);
        throw failure(u"Invalid email or password"_s);
    }
    if (!Passwords::verify(password, stored))
        throw failure(u"Invalid email or password"_s);
    if (row.value(u"verified"_s).toInteger() == 0)
        fail(403, u"Verify your email before signing in — follow the link we sent you"_s);
    const qint64 userId = row.value(u"id"_s).toInteger();
    const QString secret = row.value(u"totp_secret"_s).toString();
    if (!secret.isEmpty()) {
        if (code.isEmpty())
            fail(401,
                 u"Two-factor code required: enter the 6-digit code from your "
                 "authenticator app"_s);
        const auto step = totpStep(base32Decode(secret), code, now);
        if (!step)
            throw failure(u"Invalid two-factor code"_s);
        // A code seen once (over a shoulder, in a log) does not sign in again.
        const qint64 lastStep
            = req.db.scalar(u"SELECT last_step FROM totp_used_steps WHERE user_id = ?"_s, {userId})
                  .toLongLong();
        if (*step <= lastStep)
            throw failure(u"This two-factor code was used already; wait for the next one"_s);
        req.db.exec(u"INSERT INTO totp_used_steps (user_id, last_step) VALUES (?, ?) "
                    "ON CONFLICT(user_id) DO UPDATE SET last_step = excluded.last_step"_s,
                    {userId, *step});
    }
    throttle.succeeded(email, req.source, nowMs);

    if (!req.sessionToken.isEmpty())
        Sessions::destroy(req.db, req.sessionToken);
    const QString token = Sessions::create(req.db, userId);
    Reply reply = ok({{u"user"_s, Users::record(req.db, userId)}});
    reply.headers.append({"Set-Cookie", Sessions::setCookieValue(token)});
    return reply;
}

Reply logout(Request &req)
{
    if (!req.sessionToken.isEmpty())
        Sessions::destroy(req.db, req.sessionToken);
    Reply reply = ok();
    reply.headers.append({"Set-Cookie", Sessions::clearCookieValue()});
    return reply;
}

} // namespace Auth

namespace {

Reply me(Request &req)
{
    return ok({{u"user"_s, req.user}});
}

Reply forgotPassword(Request &req)
{
    // Always 200: the answer must not tell whether an account exists.
    const QJsonValue v = req.body.value(u"email"_s);
    const QString email = v.isString() ? v.toString().trimmed().toLower() : QString();
    const qint64 userId = email.isEmpty() ? 0 : Users::idForEmail(req.db, email);
    if (userId) {
        const QString link = issueLink(req, userId, u"reset"_s, 1, u"reset-password"_s);
        req.server.print(u"reset-link %1 %2"_s.arg(email, link));
    }
    return ok(
        {{u"ok"_s, true}, {u"message"_s, u"If that account exists, a reset link was emailed."_s}});
}

} // namespace

namespace Auth {

bool resetLinkLive(Request &req, const QString &token)
{
    return redeemable(req, token, u"reset"_s) != 0;
}

Reply resetPassword(Request &req)
{
    const QString token = req.text(u"token"_s, 1, 200);
    const QString password = req.untrimmedText(u"password"_s, MinPasswordLength, MaxPasswordLength);
    const qint64 userId = redeemable(req, token, u"reset"_s);
    if (!userId)
        fail(400, u"This reset link is invalid or has expired"_s);
    // Every reset link of the account ends here, not only this one: another one left in a
    // mailbox would undo the new password.
    Links::voidAll(req, userId, u"reset"_s);
    req.db.change(u"UPDATE users SET password_hash = ?, verified = 1 WHERE id = ?"_s,
                  {Passwords::hash(password, req.server.options().pbkdf2Iterations), userId});
    Sessions::destroyAllFor(req.db, userId);
    return ok();
}

} // namespace Auth

void registerAuthRoutes(Router &r)
{
    r.post(u"api/auth/register"_s, Access::Public, registerAccount);
    r.post(u"api/auth/login"_s, Access::Public, Auth::login);
    r.post(u"api/auth/logout"_s, Access::Public, Auth::logout);
    r.get(u"api/auth/me"_s, Access::User, me);
    r.post(u"api/auth/forgot-password"_s, Access::Public, forgotPassword);
    r.post(u"api/auth/reset-password"_s, Access::Public, Auth::resetPassword);
}
