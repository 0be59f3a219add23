// Accounts and sessions: register, verify the e-mail, sign in (with an optional TOTP code), the
// session probe, sign out, and the password-reset links.

#include "http.h"
#include "passwords.h"
#include "server.h"
#include "sessions.h"
#include "storage.h"
#include "totp.h"
#include "users.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

constexpr int MinPasswordLength = 8;
constexpr int MaxPasswordLength = 1024;

QString emailMember(const Request &req)
{
    const QString email = req.text(QStringLiteral("email"), 1, 254).toLower();
    static const QRegularExpression shape(QStringLiteral("^[^@\\s]+@[^@\\s]+$"));
    if (!shape.match(email).hasMatch())
        fail(400, QStringLiteral("Enter a valid email address"));
    return email;
}

// Makes a single-use e-mail token and returns the link that redeems it.
QString issueLink(Request &req, qint64 userId, const QString &purpose, int validHours,
                  const QString &path)
{
    const QString token = Sessions::randomToken();
    req.db.insert(
        QStringLiteral("INSERT INTO email_tokens (token_hash, user_id, purpose, "
                       "created_at, expires_at) VALUES (?, ?, ?, ?, ?)"),
        {Sessions::hashToken(token), userId, purpose, Storage::now(),
         QDateTime::currentDateTimeUtc().addSecs(validHours * 3600).toString(Qt::ISODate)});
    return req.server.origin() + QLatin1Char('/') + path + QStringLiteral("?token=") + token;
}

// The user of a live, unused token of the purpose, or 0.
qint64 redeemable(Request &req, const QString &token, const QString &purpose)
{
    if (token.size() != 64)
        return 0;
    return req.db
        .scalar(QStringLiteral("SELECT user_id FROM email_tokens WHERE token_hash = ? AND "
                               "purpose = ? AND used_at IS NULL AND expires_at > ?"),
                {Sessions::hashToken(token), purpose, Storage::now()})
        .toLongLong();
}

void markUsed(Request &req, const QString &token)
{
    req.db.change(QStringLiteral("UPDATE email_tokens SET used_at = ? WHERE token_hash = ?"),
                  {Storage::now(), Sessions::hashToken(token)});
}

Reply registerAccount(Request &req)
{
    const QString email = emailMember(req);
    const QString password
        = req.untrimmedText(QStringLiteral("password"), MinPasswordLength, MaxPasswordLength);
    const QString fullName = req.optionalText(QStringLiteral("fullName"), 120);
    const QString role = req.text(QStringLiteral("role"), 1, 20);
    if (role != QLatin1String("client") && role != QLatin1String("freelancer"))
        fail(400, QStringLiteral("role must be \"client\" or \"freelancer\""));
    if (!req.flag(QStringLiteral("termsAccepted")))
        fail(400, QStringLiteral("Accept the terms of service to register"));
    if (!req.flag(QStringLiteral("privacyAccepted")))
        fail(400, QStringLiteral("Accept the privacy policy to register"));
    const QString referralCode = req.optionalText(QStringLiteral("referralCode"), 40);

    if (req.db.scalar(QStringLiteral("SELECT COUNT(*) FROM users WHERE email = ?"), {email})
            .toLongLong()
        > 0)
        fail(409, QStringLiteral("An account with this email already exists"));

    const qint64 id = Users::create(req.db, email, password, fullName, role,
                                    req.server.options().pbkdf2Iterations, false);
    if (!referralCode.isEmpty())
        req.db.change(QStringLiteral("UPDATE users SET referred_by = (SELECT id FROM users WHERE "
                                     "referral_code = ? AND id <> ? AND role <> 'house') "
                                     "WHERE id = ?"),
                      {referralCode.toUpper(), id, id});
    const QString link
        = issueLink(req, id, QStringLiteral("verify"), 48, QStringLiteral("api/auth/verify"));
    req.server.print(QStringLiteral("verify-link %1 %2").arg(email, link));
    return created({{QStringLiteral("user"), Users::record(req.db, id)},
                    {QStringLiteral("verificationRequired"), true},
                    {QStringLiteral("message"),
                     QStringLiteral("Account created — verify your email, then sign in.")}});
}

Reply verifyEmail(Request &req)
{
    // A GET that changes state: it is the link a person follows from the (printed) e-mail.
    const QString token = req.query.queryItemValue(QStringLiteral("token"));
    const qint64 userId = redeemable(req, token, QStringLiteral("verify"));
    if (!userId)
        fail(400, QStringLiteral("This verification link is invalid or has expired"));
    Storage::Transaction t(req.db);
    markUsed(req, token);
    req.db.change(QStringLiteral("UPDATE users SET verified = 1 WHERE id = ?"), {userId});
    t.commit();
    return ok(
        {{QStringLiteral("verified"), true},
         {QStringLiteral("email"), Users::record(req.db, userId).value(QStringLiteral("email"))}});
}

Reply login(Request &req)
{
    const QString email = req.text(QStringLiteral("email"), 1, 254).toLower();
    const QString password = req.untrimmedText(QStringLiteral("password"), 0, MaxPasswordLength);
    const QJsonValue codeValue = req.body.value(QStringLiteral("totpCode"));
    if (!codeValue.isUndefined() && !codeValue.isNull() && !codeValue.isString())
        fail(400, QStringLiteral("totpCode must be a string of digits"));
    const QString code = codeValue.toString().trimmed();

    const QJsonObject row = req.db.one(QStringLiteral("SELECT id, password_hash, verified, "
                                                      "totp_secret FROM users WHERE email = ? "
                                                      "AND role <> 'house'"),
                                       {email});
    const QString stored = row.value(QStringLiteral("password_hash")).toString();
    if (row.isEmpty() || stored.isEmpty()) {
        Passwords::burn(password, req.server.options().pbkdf2Iterations);
        fail(401, QStringLiteral("Invalid email or password"));
    }
    if (!Passwords::verify(password, stored))
        fail(401, QStringLiteral("Invalid email or password"));
    if (row.value(QStringLiteral("verified")).toInteger() == 0)
        fail(403,
             QStringLiteral("Verify your email before signing in — follow the link we sent you"));
    const QString secret = row.value(QStringLiteral("totp_secret")).toString();
    if (!secret.isEmpty()) {
        if (code.isEmpty())
            fail(401,
                 QStringLiteral("Two-factor code required: enter the 6-digit code from your "
                                "authenticator app"));
        if (!totpVerify(base32Decode(secret), code, QDateTime::currentSecsSinceEpoch()))
            fail(401, QStringLiteral("Invalid two-factor code"));
    }

    const qint64 userId = row.value(QStringLiteral("id")).toInteger();
    if (!req.sessionToken.isEmpty())
        Sessions::destroy(req.db, req.sessionToken);
    const QString token = Sessions::create(req.db, userId);
    Reply reply = ok({{QStringLiteral("user"), Users::record(req.db, userId)}});
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

Reply me(Request &req)
{
    return ok({{QStringLiteral("user"), req.user}});
}

Reply forgotPassword(Request &req)
{
    // Always 200: the answer must not tell whether an account exists.
    const QJsonValue v = req.body.value(QStringLiteral("email"));
    const QString email = v.isString() ? v.toString().trimmed().toLower() : QString();
    const qint64 userId = email.isEmpty() ? 0 : Users::idForEmail(req.db, email);
    if (userId) {
        const QString link
            = issueLink(req, userId, QStringLiteral("reset"), 1, QStringLiteral("api/auth/reset"));
        req.server.print(QStringLiteral("reset-link %1 %2").arg(email, link));
    }
    return ok({{QStringLiteral("ok"), true},
               {QStringLiteral("message"),
                QStringLiteral("If that account exists, a reset link was emailed.")}});
}

Reply resetInfo(Request &req)
{
    const QString token = req.query.queryItemValue(QStringLiteral("token"));
    if (!redeemable(req, token, QStringLiteral("reset")))
        fail(400, QStringLiteral("This reset link is invalid or has expired"));
    return ok({{QStringLiteral("ok"), true},
               {QStringLiteral("message"),
                QStringLiteral("POST api/auth/reset-password with token and password to set a new "
                               "password")}});
}

Reply resetPassword(Request &req)
{
    const QString token = req.text(QStringLiteral("token"), 1, 200);
    const QString password
        = req.untrimmedText(QStringLiteral("password"), MinPasswordLength, MaxPasswordLength);
    const qint64 userId = redeemable(req, token, QStringLiteral("reset"));
    if (!userId)
        fail(400, QStringLiteral("This reset link is invalid or has expired"));
    markUsed(req, token);
    req.db.change(QStringLiteral("UPDATE users SET password_hash = ?, verified = 1 WHERE id = ?"),
                  {Passwords::hash(password, req.server.options().pbkdf2Iterations), userId});
    Sessions::destroyAllFor(req.db, userId);
    return ok();
}

} // namespace

void registerAuthRoutes(Router &r)
{
    r.post(QStringLiteral("api/auth/register"), Access::Public, registerAccount);
    r.get(QStringLiteral("api/auth/verify"), Access::Public, verifyEmail);
    r.post(QStringLiteral("api/auth/login"), Access::Public, login);
    r.post(QStringLiteral("api/auth/logout"), Access::Public, logout);
    r.get(QStringLiteral("api/auth/me"), Access::User, me);
    r.post(QStringLiteral("api/auth/forgot-password"), Access::Public, forgotPassword);
    r.get(QStringLiteral("api/auth/reset"), Access::Public, resetInfo);
    r.post(QStringLiteral("api/auth/reset-password"), Access::Public, resetPassword);
}
