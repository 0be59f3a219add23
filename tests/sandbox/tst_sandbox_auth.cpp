// Accounts and sessions of velto-sandbox: TOTP and password hashes, registration and e-mail
// verification, sign-in with and without two-factor codes and its throttle, the session cookie,
// sign-out and the password reset.

#include "passwords.h"
#include "sandboxtest.h"
#include "server.h"
#include "signinthrottle.h"
#include "totp.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QtTest>

class TestSandboxAuth : public SandboxTest
{
    Q_OBJECT

private slots:
    void totpMatchesRfc6238Vectors();
    void passwordHashesAreSaltedAndVerify();
    void registrationVerificationAndSignIn();
    void registrationRefusals();
    void failedSignInsAreThrottled();
    void sessionCookieAttributesAndLogout();
    void twoFactorSignIn();
    void passwordResetEndsSessions();

private:
    QString linkPath(const QString &kind, const QString &email)
    {
        const QUrl link(server->lastLink(kind, email));
        return link.isEmpty() ? QString() : link.path().mid(1) + u'?' + link.query();
    }
};

void TestSandboxAuth::totpMatchesRfc6238Vectors()
{
    const QByteArray secret("12345678901234567890");
    QCOMPARE(totpCode(secret, 59), u"287082"_s);
    QCOMPARE(totpCode(secret, 1111111109), u"081804"_s);
    QCOMPARE(totpCode(secret, 1234567890), u"005924"_s);
    QCOMPARE(base32Decode(u"GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ"_s), secret);
    QCOMPARE(base32Decode(u"jbswy3dpehpk3pxp"_s), QByteArray::fromHex("48656c6c6f21deadbeef"));
    QVERIFY(base32Decode(u"JBSW!"_s).isEmpty());
    // One step of skew either way, not two.
    QVERIFY(totpVerify(secret, totpCode(secret, 1000030), 1000000));
    QVERIFY(totpVerify(secret, totpCode(secret, 999970), 1000000));
    QVERIFY(!totpVerify(secret, totpCode(secret, 1000080), 1000000));
}

void TestSandboxAuth::passwordHashesAreSaltedAndVerify()
{
    const QString a = Passwords::hash(u"secret-pass"_s, 10);
    QVERIFY(a.startsWith(u"pbkdf2-sha256$10$"_s));
    QVERIFY(a != Passwords::hash(u"secret-pass"_s, 10));
    QVERIFY(Passwords::verify(u"secret-pass"_s, a));
    QVERIFY(!Passwords::verify(u"secret-pasS"_s, a));
    QVERIFY(!Passwords::verify(u"secret-pass"_s, u"garbage"_s));
    QCOMPARE(SandboxOptions().pbkdf2Iterations, 100000);
}

void TestSandboxAuth::registrationVerificationAndSignIn()
{
    SandboxClient c(server->port());
    const HttpResult reg = c.post(u"api/auth/register"_s, R"({"email": " New.Person@Example.test ",
        "password": " spaced password ", "fullName": "  New Person ", "role": "client",
        "termsAccepted": true, "privacyAccepted": true})"_json);
    QCOMPARE(reg.status, 201);
    const QString email = u"new.person@example.test"_s;
    QCOMPARE(reg.text(u"user.email"_s), email);
    QCOMPARE(reg.text(u"user.full_name"_s), u"New Person"_s);
    QCOMPARE(c.login(email, u" spaced password "_s).status, 403); // not verified yet
    const QString verify = linkPath(u"verify-link"_s, email);
    QCOMPARE(c.get(verify).status, 200);
    QCOMPARE(c.get(verify).status, 400); // single use
    QCOMPARE(c.get(u"api/auth/verify?token=nonsense"_s).status, 400);
    // The password is taken as typed, the e-mail in any case.
    QCOMPARE(c.login(email, u"spaced password"_s).status, 401);
    QCOMPARE(c.login(u"NEW.person@example.test"_s, u" spaced password "_s).status, 200);
    const HttpResult me = c.get(u"api/auth/me"_s);
    QCOMPARE(me.text(u"user.role"_s), u"client"_s);
    QCOMPARE(me.text(u"user.email"_s), email);
    QVERIFY(me.at(u"user"_s).toObject().contains(u"kyc_status"_s));
    QVERIFY(!me.at(u"user"_s).toObject().contains(u"password_hash"_s));
}

void TestSandboxAuth::registrationRefusals()
{
    const struct
    {
        const char *change;
        int status;
    } cases[] = {
        {R"({"email": "CLIENT@velto.test"})", 409}, // taken, in another case
        {R"({"email": "nobody.example.test"})", 400},
        {R"({"email": "@example.test"})", 400},
        {R"({"password": "1234567"})", 400},
        {R"({"role": "admin"})", 400},
        {R"({"role": "house"})", 400},
        {R"({"termsAccepted": false})", 400},
        {R"({"privacyAccepted": false})", 400},
    };
    for (const auto &c : cases) {
        const HttpResult r = anonymous->post(u"api/auth/register"_s,
                                             merged(R"({"role": "freelancer",
            "email": "fresh@example.test", "password": "long-enough", "termsAccepted": true,
            "privacyAccepted": true})"_json,
                                                    c.change));
        QVERIFY2(r.status == c.status && !r.error().isEmpty(), c.change);
    }
    QVERIFY(server->lastLink(u"verify-link"_s, u"fresh@example.test"_s).isEmpty());
}

void TestSandboxAuth::failedSignInsAreThrottled()
{
    const auto p = newPerson(u"client"_s);
    const QString email = p->get(u"api/auth/me"_s).text(u"user.email"_s);
    const HttpResult wrong = anonymous->login(email, u"wrong-password"_s);
    QCOMPARE(wrong.status, 401);
    QVERIFY(wrong.header("Set-Cookie").isEmpty());
    // The same answer for an account that does not exist: nothing tells which ones do.
    QCOMPARE(anonymous->login(u"ghost@velto.test"_s, u"wrong-password"_s).error(), wrong.error());
    QCOMPARE(anonymous->login(u"house@velto.internal"_s, QString()).status, 401); // takes fees
    for (int i = 1; i < SignInThrottle::MaxFailures; ++i)
        QCOMPARE(anonymous->login(email, u"wrong-password"_s).status, 401);
    // Five failures: the right password too is refused for the rest of the quarter hour.
    const HttpResult refused = anonymous->login(email, u"password-of-"_s + email);
    QCOMPARE(refused.status, 429);
    QVERIFY(refused.header("Retry-After").toInt() > 0);
    QVERIFY(refused.header("Set-Cookie").isEmpty());
    SandboxClient other(server->port()); // another account is not touched
    QCOMPARE(other.login(Demo::ClientEmail, Demo::ClientPassword).status, 200);

    SignInThrottle t; // the window, on its own clock
    for (qint64 at : {100, 200, 300, 400, 500})
        t.failed(u"a"_s, at);
    QCOMPARE(t.retryAfter(u"a"_s, 600), 100 + SignInThrottle::WindowSeconds - 600);
    QCOMPARE(t.retryAfter(u"a"_s, 100 + SignInThrottle::WindowSeconds), 0);
    t.succeeded(u"a"_s);
    QCOMPARE(t.retryAfter(u"a"_s, 600), 0);
}

void TestSandboxAuth::sessionCookieAttributesAndLogout()
{
    SandboxClient c(server->port()), other(server->port()), replay(server->port());
    const QByteArray setCookie
        = c.login(Demo::FreelancerEmail, Demo::FreelancerPassword).header("Set-Cookie");
    for (const char *attribute :
         {"; Secure", "; HttpOnly", "; SameSite=Lax", "; Path=/", "; Max-Age=2592000"})
        QVERIFY2(setCookie.contains(attribute), attribute);
    const QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(setCookie);
    QCOMPARE(cookies.size(), 1);
    QCOMPARE(cookies.first().value().size(), 64); // 256 bits as hex

    // Two sign-ins give two tokens; signing out ends one session, on the server.
    QCOMPARE(other.login(Demo::FreelancerEmail, Demo::FreelancerPassword).status, 200);
    const QUrl url(c.origin());
    QVERIFY(other.network().cookieJar()->cookiesForUrl(url).first().value()
            != cookies.first().value());
    QCOMPARE(c.post(u"api/auth/logout"_s).status, 200);
    QCOMPARE(c.get(u"api/auth/me"_s).status, 401);
    QNetworkCookie old = cookies.first();
    old.setDomain(u"localhost"_s);
    replay.network().cookieJar()->setCookiesFromUrl({old}, url);
    QCOMPARE(replay.get(u"api/auth/me"_s).status, 401);
    QCOMPARE(other.get(u"api/auth/me"_s).status, 200);
    QCOMPARE(anonymous->post(u"api/auth/logout"_s).status, 200); // without a session too
}

void TestSandboxAuth::twoFactorSignIn()
{
    SandboxClient c(server->port());
    const HttpResult r = c.login(Demo::TwoFactorEmail, Demo::TwoFactorPassword);
    QCOMPARE(r.status, 401);
    QVERIFY(r.error().contains(u"code"_s));
    const QByteArray secret = base32Decode(Demo::TwoFactorSecret);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QString good = totpCode(secret, now);
    const QString bad
        = good == totpCode(secret, now + 3600) ? u"abcdef"_s : totpCode(secret, now + 3600);
    QCOMPARE(c.login(Demo::TwoFactorEmail, Demo::TwoFactorPassword, bad).status, 401);
    QCOMPARE(c.login(Demo::TwoFactorEmail, u"wrong-password"_s, good).status, 401);
    QJsonObject numeric = R"({"totpCode": 123456})"_json; // codes are text: leading zeros
    numeric.insert(u"email"_s, Demo::TwoFactorEmail);
    numeric.insert(u"password"_s, Demo::TwoFactorPassword);
    QCOMPARE(c.post(u"api/auth/login"_s, numeric).status, 400);
    QCOMPARE(c.login(Demo::TwoFactorEmail, Demo::TwoFactorPassword, good).status, 200);
    QVERIFY(c.get(u"api/auth/me"_s).flag(u"user.two_factor_enabled"_s));
    // A code signs in once: seen over a shoulder, it is of no more use.
    SandboxClient replay(server->port());
    QCOMPARE(replay.login(Demo::TwoFactorEmail, Demo::TwoFactorPassword, good).status, 401);
}

void TestSandboxAuth::passwordResetEndsSessions()
{
    const auto c = newPerson(u"freelancer"_s);
    const QString email = c->get(u"api/auth/me"_s).text(u"user.email"_s);
    auto forgot = [&](const QString &address) {
        return anonymous->post(u"api/auth/forgot-password"_s, {{u"email"_s, address}}).status;
    };
    auto token = [&] {
        return QUrlQuery(QUrl(server->lastLink(u"reset-link"_s, email))).queryItemValue(u"token"_s);
    };
    auto reset = [&](const QString &token, const QString &password) {
        return anonymous
            ->post(u"api/auth/reset-password"_s, {{u"token"_s, token}, {u"password"_s, password}})
            .status;
    };
    QCOMPARE(forgot(u"nobody@x.test"_s), 200); // the same answer whether the account exists
    QVERIFY(server->lastLink(u"reset-link"_s, u"nobody@x.test"_s).isEmpty());
    QCOMPARE(anonymous->post(u"api/auth/forgot-password"_s, R"({"email": 7})"_json).status, 200);
    QCOMPARE(forgot(u" "_s + email.toUpper()), 200);
    const QString older = token();
    QCOMPARE(forgot(email), 200);
    QCOMPARE(anonymous->get(linkPath(u"reset-link"_s, email)).status, 200);
    QCOMPARE(reset(token(), u"short"_s), 400);
    QCOMPARE(reset(token(), u"a-new-password"_s), 200);
    QCOMPARE(reset(token(), u"another-password"_s), 400); // single use
    QCOMPARE(reset(older, u"another-password"_s), 400); // the account's other links go with it
    QCOMPARE(c->get(u"api/auth/me"_s).status, 401);
    SandboxClient later(server->port());
    QCOMPARE(later.login(email, u"password-of-"_s + email).status, 401);
    QCOMPARE(later.login(email, u"a-new-password"_s).status, 200);
}

QTEST_GUILESS_MAIN(TestSandboxAuth)
#include "tst_sandbox_auth.moc"
