#include "passwords.h"
#include "sandboxtest.h"
#include "totp.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

class TestSandboxAuth : public SandboxTest
{
    Q_OBJECT

private slots:
    void totpAndPasswordHashes();
    void registration();
    void failedSignInsAreThrottled();
    void sessionCookieAttributesAndLogout();
    void twoFactorSignIn();
    void passwordResetEndsSessions();
    void signInLink_data();
    void signInLink();
    void signInLinkLeadsToOurPagesOnly();
};

void TestSandboxAuth::totpAndPasswordHashes()
{
    // RFC 6238's vectors; one step of skew either way, not two.
    const QByteArray secret("12345678901234567890");
    QCOMPARE(totpCode(secret, 59), u"287082"_s);
    QCOMPARE(totpCode(secret, 1234567890), u"005924"_s);
    QCOMPARE(base32Decode(u"GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ"_s), secret);
    QVERIFY(base32Decode(u"JBSW!"_s).isEmpty());
    QVERIFY(totpVerify(secret, totpCode(secret, 1000030), 1000000));
    QVERIFY(totpVerify(secret, totpCode(secret, 999970), 1000000));
    QVERIFY(!totpVerify(secret, totpCode(secret, 1000080), 1000000));
    const QString a = Passwords::hash(u"secret-pass"_s, 10);
    QVERIFY(a != Passwords::hash(u"secret-pass"_s, 10));
    QVERIFY(!Passwords::verify(u"secret-pasS"_s, a));
    QVERIFY(!Passwords::verify(u"secret-pass"_s, u"garbage"_s));
}

void TestSandboxAuth::registration()
{
    // The e-mail in any case, the password as typed, the link once.
    SandboxClient c(server->port());
    c.post(u"api/auth/register"_s, R"({"email": " New.Person@Example.test ",
        "password": " spaced password ", "fullName": "New Person", "role": "client",
        "termsAccepted": true, "privacyAccepted": true})"_json);
    const QString email = u"new.person@example.test"_s;
    const QString verify = server->lastLink(u"verify-link"_s, email);
    QCOMPARE(c.get(verify).status, 200);
    QCOMPARE(c.get(verify).status, 400); // single use
    QCOMPARE(c.login(email, u"spaced password"_s).status, 401);
    QCOMPARE(c.login(u"NEW.person@example.test"_s, u" spaced password "_s).status, 200);
    QVERIFY(!c.get(u"api/auth/me"_s).at(u"user"_s).toObject().contains(u"password_hash"_s));

    const QJsonObject good = R"({"role": "freelancer", "email": "fresh@example.test",
        "password": "long-enough", "termsAccepted": true, "privacyAccepted": true})"_json;
    for (const auto &[change, status] : {
             std::pair {R"({"email": "CLIENT@velto.test"})", 409}, // taken, in another case
             {R"({"password": "1234567"})", 400},
             {R"({"role": "house"})", 400},
             {R"({"termsAccepted": false})", 400},
             {R"({"privacyAccepted": false})", 400},
         })
        QVERIFY2(anonymous->post(u"api/auth/register"_s, merged(good, change)).status == status,
                 change);
    QVERIFY(server->lastLink(u"verify-link"_s, u"fresh@example.test"_s).isEmpty());
    const HttpResult a = freelancer->get(u"api/affiliate"_s);
    QJsonObject referred = good;
    referred.insert(u"referralCode"_s, a.text(u"code"_s));
    QCOMPARE(anonymous->post(u"api/auth/register"_s, referred).status, 201);
    QCOMPARE(freelancer->get(u"api/affiliate"_s).list(u"referrals"_s).size(),
             a.list(u"referrals"_s).size() + 1);
}

void TestSandboxAuth::failedSignInsAreThrottled()
{
    // The same answer for an account that does not exist: nothing tells which ones do.
    const HttpResult wrong = anonymous->login(u"client@velto.test"_s, u"wrong-password"_s);
    QVERIFY(wrong.status == 401 && wrong.header("Set-Cookie").isEmpty());
    QCOMPARE(anonymous->login(u"ghost@velto.test"_s, u"wrong-password"_s).error(), wrong.error());
    QCOMPARE(anonymous->login(u"house@velto.internal"_s, QString()).status, 401); // takes fees
    // Failures on the page and through the API count together; then the right password too fails.
    SandboxClient browser(server->port());
    const HttpResult form = browser.get(u"contracts"_s);
    const QString email = newPerson(u"client"_s)->email, right = u"password-of-"_s + email;
    for (int i = 1; i < SignInThrottle::MaxFailures; ++i)
        QCOMPARE(browser.signInOnPage(form, email, u"wrong-password"_s).status, 401);
    QCOMPARE(anonymous->login(email, u"wrong-password"_s).status, 401);
    QCOMPARE(browser.signInOnPage(form, email, right).status, 429);
    const HttpResult locked = anonymous->login(email.toUpper(), right);
    QVERIFY(locked.status == 429 && locked.header("Retry-After").toInt() > 0
            && locked.header("Set-Cookie").isEmpty());

    // The rules on their own clock: per account and source, then per source across accounts.
    SignInThrottle t;
    const QString a = u"a"_s, here = u"10.0.0.1"_s, there = u"10.0.0.2"_s;
    for (qint64 at : {100, 200, 300, 400, 500})
        t.failed(a, here, at);
    QCOMPARE(t.retryAfter(a, here, 600), 100 + SignInThrottle::WindowMs - 600);
    QCOMPARE(t.retryAfter(a, there, 600), 0); // the owner still signs in from elsewhere
    QCOMPARE(t.retryAfter(a, here, 100 + SignInThrottle::WindowMs), 0);
    t.succeeded(a, here, 600);
    QCOMPARE(t.retryAfter(a, here, 600), 0);
    for (int i = 5; i < SignInThrottle::MaxSourceFailures; ++i) // a few guesses at many accounts
        t.failed(u"b%1"_s.arg(i), here, 700);
    QVERIFY(t.retryAfter(u"c"_s, here, 700) > 0 && t.retryAfter(u"c"_s, there, 700) == 0);

    // Many sources at one account: then spaced out all together, but not where the owner signed in.
    const QString d = u"d"_s, home = u"10.0.1.1"_s, elsewhere = u"10.0.3.1"_s;
    t.succeeded(d, home, 1000);
    const qint64 last = 2000 + SignInThrottle::MaxAccountFailures - 1;
    for (qint64 at = 2000; at <= last; ++at) {
        QCOMPARE(t.retryAfter(d, u"10.0.2.%1"_s.arg(at), at), 0);
        t.failed(d, u"10.0.2.%1"_s.arg(at), at);
    }
    QCOMPARE(t.retryAfter(d, elsewhere, last + 1), SignInThrottle::AccountSpacingMs - 1);
    QCOMPARE(t.retryAfter(d, elsewhere, last + SignInThrottle::AccountSpacingMs), 0);
    QCOMPARE(t.retryAfter(d, home, last + 1), 0);
    QCOMPARE(t.retryAfter(u"c"_s, elsewhere, last + 1), 0);
}

void TestSandboxAuth::sessionCookieAttributesAndLogout()
{
    SandboxClient c(server->port()), other(server->port()), replay(server->port());
    const DemoAccount ravi = demoAccount(u"freelancer@velto.test"_s);
    const QByteArray setCookie = c.login(ravi).header("Set-Cookie");
    for (const char *attribute :
         {"; Secure", "; HttpOnly", "; SameSite=Lax", "; Path=/", "; Max-Age=2592000"})
        QVERIFY2(setCookie.contains(attribute), attribute);
    QNetworkCookie old = QNetworkCookie::parseCookies(setCookie).value(0);
    QCOMPARE(old.value().size(), 64); // 256 bits as hex
    // Signing out ends that session on the server, and only that one.
    QCOMPARE(other.login(ravi).status, 200);
    QCOMPARE(c.post(u"api/auth/logout"_s).status, 200);
    old.setDomain(u"localhost"_s);
    replay.network().cookieJar()->setCookiesFromUrl({old}, QUrl(c.origin()));
    QCOMPARE(replay.get(u"api/auth/me"_s).status, 401);
    QCOMPARE(other.get(u"api/auth/me"_s).status, 200);
}

void TestSandboxAuth::twoFactorSignIn()
{
    SandboxClient c(server->port());
    const DemoAccount a = demoAccount(u"2fa@velto.test"_s);
    const HttpResult r = c.login(a);
    QVERIFY(r.status == 401 && r.error().contains(u"code"_s));
    const QByteArray secret = base32Decode(a.totpSecret);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QString good = totpCode(secret, now), later = totpCode(secret, now + 3600);
    const QString bad = later == good ? u"abcdef"_s : later;
    QCOMPARE(c.login(a.email, a.password, bad).status, 401);
    QCOMPARE(c.login(a.email, u"wrong-password"_s, good).status, 401);
    const QJsonObject numeric {
        {u"email"_s, a.email}, {u"password"_s, a.password}, {u"totpCode"_s, 123456}};
    QCOMPARE(c.post(u"api/auth/login"_s, numeric).status, 400); // text, for leading zeros
    // On the sign-in page: the API's session, and back to the page that asked for it.
    const HttpResult in = c.signInOnPage(c.get(u"contracts"_s), a.email, a.password, good);
    QVERIFY(in.status == 200 && in.raw.contains("<h1>Milestones awaiting funding</h1>"));
    // A code signs in once: seen over a shoulder, it is of no more use.
    QCOMPARE(c.login(a.email, a.password, good).status, 401);
}

void TestSandboxAuth::passwordResetEndsSessions()
{
    const auto c = newPerson(u"freelancer"_s);
    const QString email = c->email;
    const QJsonObject forgot {{u"email"_s, email}};
    auto reset = [&](const QString &token, const QString &password) {
        const QJsonObject body {{u"token"_s, token}, {u"password"_s, password}};
        return anonymous->post(u"api/auth/reset-password"_s, body).status;
    };
    QCOMPARE(anonymous->post(u"api/auth/forgot-password"_s, forgot).status, 200);
    const QString older
        = QUrlQuery(QUrl(server->lastLink(u"reset-link"_s, email))).queryItemValue(u"token"_s);
    anonymous->post(u"api/auth/forgot-password"_s, forgot);
    // The mailed link opens a page whose form carries the token on in its body only.
    SandboxClient browser(server->port());
    const HttpResult form = browser.get(server->lastLink(u"reset-link"_s, email));
    QVERIFY(form.status == 200 && !form.raw.contains("token="));
    const QString token = form.formField(u"token"_s);
    QCOMPARE(reset(token, u"short"_s), 400);
    for (const auto &[repeat, status] :
         {std::pair {u"a-new-passwort"_s, 400}, {u"a-new-password"_s, 200}}) {
        const QList<QPair<QString, QString>> fields {{u"csrf"_s, form.formField(u"csrf"_s)},
                                                     {u"token"_s, token},
                                                     {u"password"_s, u"a-new-password"_s},
                                                     {u"repeat"_s, repeat}};
        QCOMPARE(browser.form(u"reset-password"_s, fields).status, status);
    }
    QCOMPARE(reset(token, u"another-password"_s), 400); // single use
    QCOMPARE(reset(older, u"another-password"_s), 400); // the account's other links go with it
    QCOMPARE(c->get(u"api/auth/me"_s).status, 401);
    SandboxClient later(server->port());
    QCOMPARE(later.login(email, u"password-of-"_s + email).status, 401);
    QCOMPARE(later.login(email, u"a-new-password"_s).status, 200);
}

void TestSandboxAuth::signInLink_data()
{
    QTest::addColumn<int>("browser"); // 0 a new one, 1 signed in as the app's person, 2 as another
    QTest::addColumn<bool>("twoFactor"); // the app is the two-factor account's
    QTest::addColumn<QString>("spoil"); // what befalls the link before it is opened
    QTest::newRow("a new browser") << 0 << false << QString();
    QTest::newRow("signed in as that person") << 1 << false << QString();
    QTest::newRow("signed in as another") << 2 << false << QString();
    QTest::newRow("a two-factor account") << 0 << true << QString();
    QTest::newRow("expired") << 0 << false << u"expired"_s;
    QTest::newRow("the app signed out") << 0 << false << u"signed out"_s;
}

void TestSandboxAuth::signInLink()
{
    QFETCH(int, browser);
    QFETCH(bool, twoFactor);
    QFETCH(QString, spoil);
    QSignalSpy printed(server.get(), &SandboxServer::outputLine);
    std::unique_ptr<SandboxClient> app = newPerson(u"client"_s);
    const QString password = u"password-of-"_s + app->email;
    if (twoFactor) {
        const DemoAccount a = demoAccount(u"2fa@velto.test"_s);
        app = std::make_unique<SandboxClient>(server->port());
        const qint64 next = QDateTime::currentSecsSinceEpoch() + 30; // twoFactorSignIn took now's
        QCOMPARE(app->login(a.email, a.password, totpCode(base32Decode(a.totpSecret), next)).status,
                 200);
    }
    const QString name = app->get(u"api/auth/me"_s).text(u"user.full_name"_s);
    const QString url
        = app->post(u"api/auth/web-link"_s, {{u"next"_s, u"/contracts"_s}}).text(u"url"_s);
    const QString token = QUrlQuery(QUrl(url)).queryItemValue(u"token"_s);
    QVERIFY(url.startsWith(app->origin() + u"/sign-in-link?token="_s) && token.size() == 64);
    if (spoil == "expired"_L1)
        server->storage().change(u"UPDATE sign_in_links SET expires_at = ?"_s,
                                 {Storage::secondsAgo(1)});
    else if (!spoil.isEmpty())
        app->post(u"api/auth/logout"_s);

    SandboxClient b(server->port());
    if (browser)
        browser == 1 ? b.login(app->email, password) : b.login(demoAccount(u"client@velto.test"_s));
    auto me = [&b] { return b.get(u"api/auth/me"_s).number(u"user.id"_s); };
    b.network().setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    const HttpResult opened = b.get(url);
    QCOMPARE(me(), b.id); // the address alone signs nobody in
    QCOMPARE(opened.status, spoil.isEmpty() ? 303 : 400);
    if (!spoil.isEmpty())
        return;
    QCOMPARE(opened.header("Location"), browser == 1 ? "/contracts" : "/continue-sign-in");
    if (browser != 1) { // asked first, on a page without the token in its address
        QVERIFY(opened.header("Set-Cookie").contains("; Secure; HttpOnly; SameSite=Lax;"));
        const HttpResult page = b.get(u"continue-sign-in"_s);
        QVERIFY(page.raw.contains((u"<button>Continue as "_s + name).toUtf8()));
        QCOMPARE(page.raw.contains("Continuing signs it out and switches to"), browser == 2);
        QCOMPARE(b.form(u"continue-sign-in"_s, {}).status, 403); // the page's form only
        const HttpResult pressed
            = b.form(u"continue-sign-in"_s, {{u"csrf"_s, page.formField(u"csrf"_s)}});
        QCOMPARE(pressed.header("Location"), "/contracts");
    }
    QCOMPARE(me(), app->id);
    QCOMPARE(SandboxClient(server->port()).get(url).status, 400); // once only
    for (const QVariantList &line : printed)
        QVERIFY(!line.value(0).toString().contains(token));
}

void TestSandboxAuth::signInLinkLeadsToOurPagesOnly()
{
    for (const char *next : {"https://evil.example/", "//evil.example/", "/api/auth/me", " "}) {
        const QJsonObject body {{u"next"_s, QLatin1String(next)}};
        QVERIFY2(client->post(u"api/auth/web-link"_s, body).status == 400, next);
    }
}

QTEST_GUILESS_MAIN(TestSandboxAuth)
#include "tst_sandbox_auth.moc"
