// Sign-in, registration, session resume and sign-out, end to end: the real Main with the real
// Api over HTTPS against a velto-sandbox of the test's own, driven by clicks and key presses.
#include "api.h"
#include "clientsession.h"
#include "persistentcookiejar.h"
#include "sandboxprocess.h"
#include "seed.h"
#include "startup.h"
#include "totp.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QNetworkCookie>
#include <QQuickItem>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Generous: two cores are shared by everything a test run builds and runs.
constexpr int Patience = 20000;

class TestE2eAuth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void registerVerifySignIn();
    void clientSeesTenTabs();
    void twoFactorSignIn();
    void restartResumesTheSession();
    void signOutEndsTheSession();
    void unreachableService();

private:
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<SandboxProcess> sandbox;
};

void TestE2eAuth::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
}

void TestE2eAuth::init()
{
    // A home of its own per test: the cookie file starts out missing.
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", QFile::encodeName(home->path()));
    QVERIFY(cookieFileText().isNull());

    sandbox = std::make_unique<SandboxProcess>();
    QString error;
    QVERIFY2(sandbox->start(&error), qPrintable(error));
}

void TestE2eAuth::cleanup()
{
    sandbox.reset();
    home.reset();
}

void TestE2eAuth::registerVerifySignIn()
{
    ClientSession client(sandbox->origin());
    QVERIFY(client.isLoaded());
    QTRY_COMPARE_WITH_TIMEOUT(client.page(), QStringLiteral("LoginView"), Patience);

    QVERIFY2(client.click(QStringLiteral("registerLink")), qPrintable(client.lastError));
    QTRY_COMPARE(client.text(QStringLiteral("submitButton")), QStringLiteral("Create account"));
    const QString email = QStringLiteral("priya.nair@example.test");
    QVERIFY2(client.type(QStringLiteral("fullNameField"), QStringLiteral("Priya Nair")),
             qPrintable(client.lastError));
    QVERIFY2(client.click(QStringLiteral("freelancerRadio")), qPrintable(client.lastError));
    QVERIFY2(client.type(QStringLiteral("emailField"), email), qPrintable(client.lastError));
    QVERIFY2(client.type(QStringLiteral("passwordField"), QStringLiteral("correct horse 42")),
             qPrintable(client.lastError));
    QVERIFY2(client.click(QStringLiteral("submitButton")), qPrintable(client.lastError));

    QTRY_COMPARE_WITH_TIMEOUT(client.text(QStringLiteral("noticeLabel")),
                              QStringLiteral("Account created — verify your email, then sign in."),
                              Patience);
    // back in sign-in mode with what was typed still there
    QCOMPARE(client.text(QStringLiteral("submitButton")), QStringLiteral("Sign in"));
    QCOMPARE(client.text(QStringLiteral("emailField")), email);

    // Not verified yet: the service refuses, and says why.
    QVERIFY2(client.click(QStringLiteral("submitButton")), qPrintable(client.lastError));
    QTRY_VERIFY_WITH_TIMEOUT(
        client.text(QStringLiteral("errorLabel")).contains(QLatin1String("Verify your email")),
        Patience);
    QCOMPARE(client.page(), QStringLiteral("LoginView"));

    // The person follows the link of the mail.
    const QString link = sandbox->waitForLink(QStringLiteral("verify-link"), email);
    QVERIFY2(!link.isEmpty(), qPrintable(sandbox->lines().join(QLatin1Char('\n'))));
    QCOMPARE(visit(link), 200);

    QVERIFY2(client.click(QStringLiteral("submitButton")), qPrintable(client.lastError));
    QTRY_COMPARE_WITH_TIMEOUT(client.page(), QStringLiteral("HomeView"), Patience);
    QTRY_COMPARE(client.tabs(),
                 QStringList({"Discover", "Gigs", "Gig Orders", "Contests", "Contracts", "Wallet",
                              "Skills", "Notifications", "More"}));
    QCOMPARE(client.text(QStringLiteral("nameLabel")), QStringLiteral("Priya Nair"));
}

void TestE2eAuth::clientSeesTenTabs()
{
    const DemoAccount account = demoAccount(QStringLiteral("client@velto.test"));
    QVERIFY(!account.email.isEmpty());
    ClientSession client(sandbox->origin());
    QVERIFY2(client.signIn(account.email, account.password), qPrintable(client.lastError));
    QTRY_COMPARE(client.tabs(),
                 QStringList({"Discover", "Gigs", "Gig Orders", "Contests", "Projects", "Teams",
                              "Contracts", "Wallet", "Notifications", "More"}));
    QCOMPARE(client.text(QStringLiteral("nameLabel")), account.fullName);

    // a click through the sidebar shows each tab's view
    QCOMPARE(client.item(QStringLiteral("DiscoverView")) != nullptr, true);
    QVERIFY2(client.click(QStringLiteral("tab_Wallet")), qPrintable(client.lastError));
    QTRY_VERIFY(client.item(QStringLiteral("WalletView")));
    QVERIFY(!client.item(QStringLiteral("DiscoverView")));
    QVERIFY2(client.click(QStringLiteral("tab_Projects")), qPrintable(client.lastError));
    QTRY_VERIFY(client.item(QStringLiteral("ProjectsView")));

    // and so does Ctrl with the tab's digit
    client.key(Qt::Key_8, Qt::ControlModifier);
    QTRY_VERIFY(client.item(QStringLiteral("WalletView")));
    client.key(Qt::Key_0, Qt::ControlModifier);
    QTRY_VERIFY(client.item(QStringLiteral("MoreView")));
}

void TestE2eAuth::twoFactorSignIn()
{
    const DemoAccount account = demoAccount(QStringLiteral("2fa@velto.test"));
    QVERIFY(!account.totpSecret.isEmpty());
    ClientSession client(sandbox->origin());
    QTRY_COMPARE_WITH_TIMEOUT(client.page(), QStringLiteral("LoginView"), Patience);
    QVERIFY2(client.type(QStringLiteral("emailField"), account.email),
             qPrintable(client.lastError));
    QVERIFY2(client.type(QStringLiteral("passwordField"), account.password),
             qPrintable(client.lastError));
    QVERIFY2(client.click(QStringLiteral("submitButton")), qPrintable(client.lastError));

    // asked for the code
    QTRY_VERIFY_WITH_TIMEOUT(
        client.text(QStringLiteral("errorLabel")).contains(QLatin1String("Two-factor code")),
        Patience);
    QCOMPARE(client.page(), QStringLiteral("LoginView"));

    const QString code
        = totpCode(base32Decode(account.totpSecret), QDateTime::currentSecsSinceEpoch());
    QVERIFY2(client.type(QStringLiteral("totpField"), code), qPrintable(client.lastError));
    client.key(Qt::Key_Return); // Enter submits the form
    QTRY_COMPARE_WITH_TIMEOUT(client.page(), QStringLiteral("HomeView"), Patience);
    QCOMPARE(client.text(QStringLiteral("nameLabel")), account.fullName);
    QVERIFY(client.tabs().contains(QStringLiteral("Skills")));
}

void TestE2eAuth::restartResumesTheSession()
{
    const DemoAccount account = demoAccount(QStringLiteral("freelancer@velto.test"));
    {
        ClientSession first(sandbox->origin());
        QVERIFY2(first.signIn(account.email, account.password), qPrintable(first.lastError));
    }
    QVERIFY(cookieFileText().contains(QLatin1String("velto_session=")));

    ClientSession second(sandbox->origin());
    QVERIFY(second.isLoaded());
    QCOMPARE(second.page(), QStringLiteral("bootPage"));
    // straight from the busy indicator into the shell, without the sign-in page
    QTRY_VERIFY_WITH_TIMEOUT(second.page() != QLatin1String("bootPage"), Patience);
    QCOMPARE(second.page(), QStringLiteral("HomeView"));
    QCOMPARE(second.text(QStringLiteral("nameLabel")), account.fullName);
    QCOMPARE(second.tabs().size(), 9);
}

void TestE2eAuth::signOutEndsTheSession()
{
    const DemoAccount account = demoAccount(QStringLiteral("client@velto.test"));
    ClientSession client(sandbox->origin());
    QVERIFY2(client.signIn(account.email, account.password), qPrintable(client.lastError));

    // the session cookie as the file keeps it, and proof that it is live
    const auto cookies = QNetworkCookie::parseCookies(cookieFileText().toUtf8());
    QByteArray session;
    for (const QNetworkCookie &c : cookies) {
        if (c.name() == "velto_session")
            session = c.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    QVERIFY2(!session.isEmpty(), qPrintable(cookieFileText()));
    QCOMPARE(visit(sandbox->origin() + QStringLiteral("/api/auth/me"), session), 200);

    QVERIFY2(client.click(QStringLiteral("signOutButton")), qPrintable(client.lastError));
    // at once: no waiting for the service
    QCOMPARE(client.page(), QStringLiteral("LoginView"));
    const QFileInfo file(PersistentCookieJar::cookieFilePath());
    QVERIFY(file.exists());
    QCOMPARE(file.size(), 0);

    // The service ended the session: the old cookie, replayed, is refused.
    QTRY_COMPARE_WITH_TIMEOUT(visit(sandbox->origin() + QStringLiteral("/api/auth/me"), session),
                              401, Patience);
    // and the file stays empty once the sign-out answer has come
    QTest::qWait(50);
    QCOMPARE(QFileInfo(PersistentCookieJar::cookieFilePath()).size(), 0);
}

void TestE2eAuth::unreachableService()
{
    const QString origin = sandbox->origin();
    sandbox->stop();

    ClientSession client(origin);
    QVERIFY(client.isLoaded());
    QTRY_COMPARE_WITH_TIMEOUT(client.page(), QStringLiteral("LoginView"), Patience);

    const DemoAccount account = demoAccount(QStringLiteral("client@velto.test"));
    QVERIFY2(client.type(QStringLiteral("emailField"), account.email),
             qPrintable(client.lastError));
    QVERIFY2(client.type(QStringLiteral("passwordField"), account.password),
             qPrintable(client.lastError));
    QVERIFY2(client.click(QStringLiteral("submitButton")), qPrintable(client.lastError));
    QTRY_COMPARE_WITH_TIMEOUT(client.text(QStringLiteral("errorLabel")),
                              QStringLiteral("Cannot reach the Velto service"), Patience);
    QCOMPARE(client.text(QStringLiteral("submitButton")), QStringLiteral("Sign in"));
    QCOMPARE(client.page(), QStringLiteral("LoginView"));
}

QTEST_MAIN(TestE2eAuth)
#include "tst_e2e_auth.moc"
