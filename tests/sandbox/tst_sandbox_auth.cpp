// Accounts and sessions of velto-sandbox: registration, e-mail verification, sign-in with and
// without two-factor codes, the session cookie, sign-out, password reset, and the request rules
// every route shares (Origin check, body limit, malformed bodies, unknown routes).

#include "passwords.h"
#include "sandboxclient.h"
#include "server.h"
#include "totp.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QtTest>

class TestSandboxAuth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void totpMatchesRfc6238Vectors();
    void passwordHashesAreSaltedAndVerify();

    void registrationVerificationAndSignIn();
    void registrationRefusals_data();
    void registrationRefusals();
    void wrongPasswordsAndUnknownAccounts();
    void sessionCookieAttributesAndLogout();
    void twoFactorSignIn();
    void forgotPasswordAndReset();

    void foreignOriginRefused();
    void malformedRequests_data();
    void malformedRequests();
    void oversizedBodyRefused();
    void injectionTextStoredVerbatim();

private:
    std::unique_ptr<SandboxServer> server;
    quint16 port = 0;
};

void TestSandboxAuth::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    port = server->port();
}

void TestSandboxAuth::totpMatchesRfc6238Vectors()
{
    const QByteArray secret("12345678901234567890");
    QCOMPARE(totpCode(secret, 59), QStringLiteral("287082"));
    QCOMPARE(totpCode(secret, 1111111109), QStringLiteral("081804"));
    QCOMPARE(totpCode(secret, 1234567890), QStringLiteral("005924"));
    QCOMPARE(base32Decode(QStringLiteral("GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ")), secret);
    QCOMPARE(base32Decode(QStringLiteral("jbswy3dpehpk3pxp")),
             QByteArray::fromHex("48656c6c6f21deadbeef"));
    QVERIFY(base32Decode(QStringLiteral("JBSW!")).isEmpty());
    // One step of skew either way, not two.
    QVERIFY(totpVerify(secret, totpCode(secret, 1000030), 1000000));
    QVERIFY(totpVerify(secret, totpCode(secret, 999970), 1000000));
    QVERIFY(!totpVerify(secret, totpCode(secret, 1000080), 1000000));
}

void TestSandboxAuth::passwordHashesAreSaltedAndVerify()
{
    const QString a = Passwords::hash(QStringLiteral("secret-pass"), 10);
    const QString b = Passwords::hash(QStringLiteral("secret-pass"), 10);
    QVERIFY(a.startsWith(QStringLiteral("pbkdf2-sha256$10$")));
    QVERIFY(a != b);
    QVERIFY(Passwords::verify(QStringLiteral("secret-pass"), a));
    QVERIFY(!Passwords::verify(QStringLiteral("secret-pasS"), a));
    QVERIFY(!Passwords::verify(QStringLiteral("secret-pass"), QStringLiteral("garbage")));
    QCOMPARE(Passwords::DefaultIterations, 100000);
    QCOMPARE(SandboxOptions().pbkdf2Iterations, 100000);
}

void TestSandboxAuth::registrationVerificationAndSignIn()
{
    SandboxClient c(port);
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 401);

    const QJsonObject body {{"email", "  New.Person@Example.test "},
                            {"password", " spaced password "},
                            {"fullName", "  New Person "},
                            {"role", "client"},
                            {"termsAccepted", true},
                            {"privacyAccepted", true}};
    const HttpResult reg = c.post(QStringLiteral("api/auth/register"), body);
    QCOMPARE(reg.status, 201);
    QCOMPARE(reg.header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(reg.object("user").value("email").toString(),
             QStringLiteral("new.person@example.test"));
    QCOMPARE(reg.object("user").value("full_name").toString(), QStringLiteral("New Person"));

    // Not verified yet: refused with a reason.
    HttpResult in
        = c.login(QStringLiteral("new.person@example.test"), QStringLiteral(" spaced password "));
    QCOMPARE(in.status, 403);
    QVERIFY(!in.error().isEmpty());

    const QString link = server->lastLink(QStringLiteral("verify-link"),
                                          QStringLiteral("new.person@example.test"));
    QVERIFY(link.startsWith(c.origin() + QStringLiteral("/api/auth/verify?token=")));
    const QUrl url(link);
    const QString path = url.path().mid(1) + QLatin1Char('?') + url.query();
    QCOMPARE(c.get(path).status, 200);
    QCOMPARE(c.get(path).status, 400); // single use
    QCOMPARE(c.get(QStringLiteral("api/auth/verify?token=nonsense")).status, 400);

    // The password is taken as typed: the trimmed one does not work.
    QCOMPARE(c.login(QStringLiteral("new.person@example.test"), QStringLiteral("spaced password"))
                 .status,
             401);
    in = c.login(QStringLiteral("NEW.person@example.test"), QStringLiteral(" spaced password "));
    QCOMPARE(in.status, 200);
    const HttpResult me = c.get(QStringLiteral("api/auth/me"));
    QCOMPARE(me.status, 200);
    const QJsonObject user = me.object("user");
    QVERIFY(user.value("id").toInteger() > 0);
    QCOMPARE(user.value("role").toString(), QStringLiteral("client"));
    QCOMPARE(user.value("full_name").toString(), QStringLiteral("New Person"));
    QCOMPARE(user.value("email").toString(), QStringLiteral("new.person@example.test"));
    QVERIFY(user.contains("kyc_status"));
    QVERIFY(!user.contains("password_hash"));
}

void TestSandboxAuth::registrationRefusals_data()
{
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<int>("status");
    const QJsonObject good {{"email", "fresh@example.test"}, {"password", "long-enough"},
                            {"fullName", "Fresh"},           {"role", "freelancer"},
                            {"termsAccepted", true},         {"privacyAccepted", true}};
    auto with = [&](const char *member, const QJsonValue &value) {
        return withMember(good, member, value);
    };
    QTest::newRow("taken email, other case")
        << with("email", QStringLiteral("CLIENT@velto.test")) << 409;
    QTest::newRow("no @") << with("email", QStringLiteral("nobody.example.test")) << 400;
    QTest::newRow("leading @") << with("email", QStringLiteral("@example.test")) << 400;
    QTest::newRow("email number") << with("email", 42) << 400;
    QTest::newRow("email missing") << with("email", QJsonValue::Undefined) << 400;
    QTest::newRow("short password") << with("password", QStringLiteral("1234567")) << 400;
    QTest::newRow("password missing") << with("password", QJsonValue::Undefined) << 400;
    QTest::newRow("role admin") << with("role", QStringLiteral("admin")) << 400;
    QTest::newRow("role house") << with("role", QStringLiteral("house")) << 400;
    QTest::newRow("terms false") << with("termsAccepted", false) << 400;
    QTest::newRow("terms text") << with("termsAccepted", QStringLiteral("true")) << 400;
    QTest::newRow("privacy missing") << with("privacyAccepted", QJsonValue::Undefined) << 400;
    QTest::newRow("name list") << with("fullName", QJsonArray {1}) << 400;
}

void TestSandboxAuth::registrationRefusals()
{
    QFETCH(QJsonObject, body);
    QFETCH(int, status);
    SandboxClient c(port);
    const HttpResult r = c.post(QStringLiteral("api/auth/register"), body);
    QCOMPARE(r.status, status);
    QVERIFY(!r.error().isEmpty());
    QVERIFY(server->lastLink(QStringLiteral("verify-link"), QStringLiteral("fresh@example.test"))
                .isEmpty());
}

void TestSandboxAuth::wrongPasswordsAndUnknownAccounts()
{
    SandboxClient c(port);
    const HttpResult wrong = c.login(SandboxClient::ClientEmail, QStringLiteral("velto-client-2"));
    const HttpResult unknown
        = c.login(QStringLiteral("ghost@velto.test"), SandboxClient::ClientPassword);
    QCOMPARE(wrong.status, 401);
    QCOMPARE(unknown.status, 401);
    QCOMPARE(wrong.error(), unknown.error());
    QVERIFY(wrong.header("Set-Cookie").isEmpty());
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 401);
    QCOMPARE(c.post(QStringLiteral("api/auth/login"), {{"email", "x@y.z"}}).status, 400);
    QCOMPARE(c.post(QStringLiteral("api/auth/login"), {{"email", "x@y.z"}, {"password", 12345678}})
                 .status,
             400);
    // The house account that receives fees cannot sign in.
    QCOMPARE(c.login(QStringLiteral("house@velto.internal"), QString()).status, 401);
}

void TestSandboxAuth::sessionCookieAttributesAndLogout()
{
    SandboxClient c(port);
    const HttpResult in
        = c.login(SandboxClient::FreelancerEmail, SandboxClient::FreelancerPassword);
    QCOMPARE(in.status, 200);
    QCOMPARE(in.object("user").value("role").toString(), QStringLiteral("freelancer"));
    const QByteArray setCookie = in.header("Set-Cookie");
    QVERIFY(setCookie.contains("; Secure"));
    QVERIFY(setCookie.contains("; HttpOnly"));
    QVERIFY(setCookie.contains("; SameSite=Lax"));
    QVERIFY(setCookie.contains("; Path=/"));
    const QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(setCookie);
    QCOMPARE(cookies.size(), 1);
    QCOMPARE(cookies.first().value().size(), 64); // 256 bits as hex

    // Two sign-ins give two different tokens.
    SandboxClient other(port);
    QCOMPARE(other.login(SandboxClient::FreelancerEmail, SandboxClient::FreelancerPassword).status,
             200);
    const QUrl url(c.origin());
    QVERIFY(other.network().cookieJar()->cookiesForUrl(url).first().value()
            != cookies.first().value());

    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 200);
    QCOMPARE(c.post(QStringLiteral("api/auth/logout")).status, 200);
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 401);

    // Replaying the old cookie from another jar: the session is gone on the server.
    SandboxClient replay(port);
    QNetworkCookie old = cookies.first();
    old.setDomain(QStringLiteral("localhost"));
    replay.network().cookieJar()->setCookiesFromUrl({old}, url);
    QCOMPARE(replay.get(QStringLiteral("api/auth/me")).status, 401);
    // The other session is untouched.
    QCOMPARE(other.get(QStringLiteral("api/auth/me")).status, 200);
    // Signing out without a session still answers 200.
    QCOMPARE(SandboxClient(port).post(QStringLiteral("api/auth/logout")).status, 200);
}

void TestSandboxAuth::twoFactorSignIn()
{
    SandboxClient c(port);
    HttpResult r = c.login(SandboxClient::TwoFactorEmail, SandboxClient::TwoFactorPassword);
    QCOMPARE(r.status, 401);
    QVERIFY(r.error().contains(QStringLiteral("code")));
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 401);

    const QByteArray secret = base32Decode(SandboxClient::TwoFactorSecret);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QString good = totpCode(secret, now);
    QString bad = totpCode(secret, now + 3600);
    if (bad == good)
        bad = QStringLiteral("000000") == good ? QStringLiteral("111111")
                                               : QStringLiteral("000000");
    r = c.login(SandboxClient::TwoFactorEmail, SandboxClient::TwoFactorPassword, bad);
    QCOMPARE(r.status, 401);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(c.login(SandboxClient::TwoFactorEmail, SandboxClient::TwoFactorPassword,
                     QStringLiteral("abcdef"))
                 .status,
             401);
    QCOMPARE(c.post(QStringLiteral("api/auth/login"),
                    {{"email", SandboxClient::TwoFactorEmail},
                     {"password", SandboxClient::TwoFactorPassword},
                     {"totpCode", 123456}})
                 .status,
             400);
    // A right code with a wrong password is still refused.
    QCOMPARE(c.login(SandboxClient::TwoFactorEmail, QStringLiteral("wrong-password"), good).status,
             401);

    r = c.login(SandboxClient::TwoFactorEmail, SandboxClient::TwoFactorPassword,
                totpCode(secret, QDateTime::currentSecsSinceEpoch()));
    QCOMPARE(r.status, 200);
    const HttpResult me = c.get(QStringLiteral("api/auth/me"));
    QCOMPARE(me.status, 200);
    QCOMPARE(me.object("user").value("email").toString(), SandboxClient::TwoFactorEmail);
    QCOMPARE(me.object("user").value("two_factor_enabled").toBool(), true);
}

void TestSandboxAuth::forgotPasswordAndReset()
{
    SandboxClient c(port);
    const QJsonObject user
        = c.signUp(*server, QStringLiteral("forgetful@example.test"), QStringLiteral("freelancer"));
    QVERIFY(!user.isEmpty());
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 200);

    SandboxClient anon(port);
    QCOMPARE(
        anon.post(QStringLiteral("api/auth/forgot-password"), {{"email", "nobody@x.test"}}).status,
        200);
    QVERIFY(
        server->lastLink(QStringLiteral("reset-link"), QStringLiteral("nobody@x.test")).isEmpty());
    QCOMPARE(anon.post(QStringLiteral("api/auth/forgot-password"), {{"email", 7}}).status, 200);
    QCOMPARE(anon.post(QStringLiteral("api/auth/forgot-password"),
                       {{"email", " Forgetful@example.test "}})
                 .status,
             200);
    const QUrl link(
        server->lastLink(QStringLiteral("reset-link"), QStringLiteral("forgetful@example.test")));
    QVERIFY(link.isValid() && !link.isEmpty());
    const QString token = QUrlQuery(link).queryItemValue(QStringLiteral("token"));
    QCOMPARE(anon.get(link.path().mid(1) + QLatin1Char('?') + link.query()).status, 200);

    QCOMPARE(anon.post(QStringLiteral("api/auth/reset-password"),
                       {{"token", token}, {"password", "short"}})
                 .status,
             400);
    QCOMPARE(anon.post(QStringLiteral("api/auth/reset-password"),
                       {{"token", token}, {"password", "a-new-password"}})
                 .status,
             200);
    QCOMPARE(anon.post(QStringLiteral("api/auth/reset-password"),
                       {{"token", token}, {"password", "another-password"}})
                 .status,
             400);
    // The reset ends existing sessions; the new password works, the old one does not.
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 401);
    QCOMPARE(anon.login(QStringLiteral("forgetful@example.test"),
                        QStringLiteral("password-of-forgetful@example.test"))
                 .status,
             401);
    QCOMPARE(anon.login(QStringLiteral("forgetful@example.test"), QStringLiteral("a-new-password"))
                 .status,
             200);
}

void TestSandboxAuth::foreignOriginRefused()
{
    SandboxClient c(port);
    c.setOrigin("https://evil.example");
    HttpResult r = c.login(SandboxClient::ClientEmail, SandboxClient::ClientPassword);
    QCOMPARE(r.status, 403);
    QVERIFY(!r.error().isEmpty());
    QVERIFY(r.header("Set-Cookie").isEmpty());
    c.setOrigin("https://localhost:1"); // same host, other port
    QCOMPARE(c.login(SandboxClient::ClientEmail, SandboxClient::ClientPassword).status, 403);
    c.setOrigin("http://localhost:" + QByteArray::number(port)); // other scheme
    QCOMPARE(c.login(SandboxClient::ClientEmail, SandboxClient::ClientPassword).status, 403);
    c.setOrigin("https://127.0.0.1:" + QByteArray::number(port));
    QCOMPARE(c.login(SandboxClient::ClientEmail, SandboxClient::ClientPassword).status, 200);
    // A signed-in session does not get past a foreign Origin either.
    c.setOrigin("https://evil.example");
    QCOMPARE(c.post(QStringLiteral("api/auth/logout")).status, 403);
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 200); // GET is not checked
    c.setOrigin(QByteArray()); // no Origin at all (curl): allowed
    QCOMPARE(c.post(QStringLiteral("api/auth/logout")).status, 200);
}

void TestSandboxAuth::malformedRequests_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("truncated JSON")
        << QByteArray("POST") << "api/auth/login" << QByteArray("{\"email\":") << 400;
    QTest::newRow("not JSON") << QByteArray("POST") << "api/auth/login" << QByteArray("hello")
                              << 400;
    QTest::newRow("array body") << QByteArray("POST") << "api/auth/login" << QByteArray("[1,2]")
                                << 400;
    QTest::newRow("string body") << QByteArray("POST") << "api/auth/register" << QByteArray("\"x\"")
                                 << 400;
    QTest::newRow("empty body") << QByteArray("POST") << "api/auth/login" << QByteArray() << 400;
    QTest::newRow("unknown route")
        << QByteArray("GET") << "api/nothing/here" << QByteArray() << 404;
    QTest::newRow("root") << QByteArray("GET") << "" << QByteArray() << 404;
    QTest::newRow("trailing slash") << QByteArray("GET") << "api/auth/me/" << QByteArray() << 404;
    QTest::newRow("wrong method") << QByteArray("DELETE") << "api/auth/me" << QByteArray() << 405;
    QTest::newRow("PATCH") << QByteArray("PATCH") << "api/auth/login" << QByteArray("{}") << 405;
    QTest::newRow("GET on a POST route")
        << QByteArray("GET") << "api/auth/login" << QByteArray() << 405;
}

void TestSandboxAuth::malformedRequests()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    SandboxClient c(port);
    const HttpResult r = c.send(method, path, body);
    QCOMPARE(r.status, status);
    QCOMPARE(r.header("Content-Type"), QByteArray("application/json"));
    QVERIFY(!r.error().isEmpty());
}

void TestSandboxAuth::oversizedBodyRefused()
{
    SandboxClient c(port);
    QByteArray big = "{\"email\":\"" + QByteArray(8 * 1024 * 1024, 'a') + "\"}";
    HttpResult r = c.send("POST", QStringLiteral("api/auth/forgot-password"), big);
    QCOMPARE(r.status, 413);
    QVERIFY(!r.error().isEmpty());
    // Just under the limit is read (and answered like any forgot-password request).
    big = "{\"email\":\"" + QByteArray(8 * 1024 * 1024 - 20, 'a') + "\"}";
    r = c.send("POST", QStringLiteral("api/auth/forgot-password"), big);
    QCOMPARE(r.status, 200);
    // The server still answers afterwards.
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).status, 401);
}

void TestSandboxAuth::injectionTextStoredVerbatim()
{
    SandboxClient c(port);
    const QString name = QStringLiteral("Robert'); DROP TABLE users;-- \"x\" \\ %_");
    const QJsonObject user
        = c.signUp(*server, QStringLiteral("bobby@example.test"), QStringLiteral("client"), name);
    QCOMPARE(user.value("full_name").toString(), name);
    QCOMPARE(c.get(QStringLiteral("api/auth/me")).object("user").value("full_name").toString(),
             name);
    SandboxClient d(port);
    QCOMPARE(d.login(QStringLiteral("' OR '1'='1"), QStringLiteral("' OR '1'='1")).status, 401);
    QCOMPARE(d.login(SandboxClient::ClientEmail, SandboxClient::ClientPassword).status, 200);
}

QTEST_GUILESS_MAIN(TestSandboxAuth)
#include "tst_sandbox_auth.moc"
