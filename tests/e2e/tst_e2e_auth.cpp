// Sign-in, registration, session resume and sign-out, end to end: the real Main with the real
// Api over HTTPS against a velto-sandbox of the test's own, driven by clicks and key presses.
#include "clientsession.h"
#include "persistentcookiejar.h"
#include "sandboxprocess.h"
#include "totp.h"

#include <QDateTime>
#include <QFileInfo>
#include <QNetworkCookie>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

class TestE2eAuth : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // A home of its own per test: the cookie file starts out missing.
        home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", QFile::encodeName(home->path()));
        sandbox = std::make_unique<SandboxProcess>();
        QString error;
        QVERIFY2(prepareEndToEnd(*sandbox, &error), qPrintable(error));
        QVERIFY(home->isValid() && cookieFileText().isNull());
    }

    void cleanup()
    {
        sandbox.reset();
        home.reset();
    }

    void registerVerifySignIn()
    {
        const QString email = u"priya.nair@example.test"_s;
        ClientSession client(sandbox->origin());
        // Back in sign-in mode with what was typed still there; not verified yet, the service
        // refuses and says why.
        STEPS(client,
              {"@LoginView", "registerLink", "submitButton:Create account",
               "fullNameField=Priya Nair", "freelancerRadio", "emailField=" + email,
               "passwordField=correct horse 42", "submitButton",
               "noticeLabel:Account created — verify your email, then sign in.",
               "submitButton:Sign in", "emailField:" + email, "submitButton",
               "errorLabel~Verify your email"});
        QCOMPARE(client.page(), u"LoginView"_s);

        // The person follows the link of the mail.
        const QString link = sandbox->waitForLink(u"verify-link"_s, email);
        QVERIFY2(!link.isEmpty(), qPrintable(sandbox->lines().join(u'\n')));
        QCOMPARE(visit(link), 200);
        STEPS(client, {"submitButton", "@HomeView", "nameLabel:Priya Nair"});
        QTRY_COMPARE(client.tabs(),
                     QStringList({"Discover", "Gigs", "Gig Orders", "Contests", "Contracts",
                                  "Wallet", "Skills", "Notifications", "More"}));
    }

    // The client's tabs, by click and by Ctrl with the digit; a restart resumes the session
    // without the sign-in page; signing out empties the cookie file at once and ends the session.
    void signInRestartSignOut()
    {
        const DemoAccount account = demoAccount(u"client@velto.test"_s);
        {
            ClientSession first(sandbox->origin());
            QVERIFY2(first.signIn(account.email, account.password), qPrintable(first.lastError));
            QTRY_COMPARE(first.tabs(),
                         QStringList({"Discover", "Gigs", "Gig Orders", "Contests", "Projects",
                                      "Teams", "Contracts", "Wallet", "Notifications", "More"}));
            STEPS(first,
                  {"nameLabel:" + account.fullName, "@DiscoverView", "tab_Wallet", "@WalletView"});
            QVERIFY(!first.item(u"DiscoverView"_s));
            STEPS(first,
                  {"tab_Projects", "@ProjectsView", "^Ctrl+8", "@WalletView", "^Ctrl+0",
                   "@MoreView"});
        }
        QByteArray session; // as the file keeps it
        for (const QNetworkCookie &c : QNetworkCookie::parseCookies(cookieFileText().toUtf8())) {
            if (c.name() == "velto_session")
                session = c.toRawForm(QNetworkCookie::NameAndValueOnly);
        }
        QVERIFY2(!session.isEmpty(), qPrintable(cookieFileText()));
        const QString me = sandbox->origin() + u"/api/auth/me"_s;
        QCOMPARE(visit(me, session), 200);

        ClientSession second(sandbox->origin());
        QCOMPARE(second.page(), u"bootPage"_s);
        QTRY_VERIFY_WITH_TIMEOUT(second.page() != "bootPage"_L1, Patience);
        QCOMPARE(second.page(), u"HomeView"_s);
        STEPS(second, {"nameLabel:" + account.fullName, "signOutButton"});
        QCOMPARE(second.page(), u"LoginView"_s);
        const QFileInfo file(PersistentCookieJar::cookieFilePath());
        QVERIFY(file.exists());
        QCOMPARE(file.size(), 0);
        // The old cookie, replayed, is refused; the file stays empty once the answer has come.
        QTRY_COMPARE_WITH_TIMEOUT(visit(me, session), 401, Patience);
        QTest::qWait(50);
        QCOMPARE(QFileInfo(PersistentCookieJar::cookieFilePath()).size(), 0);
    }

    // The code asked for, then given with Enter; with the service gone, the form says so.
    void twoFactorThenUnreachable()
    {
        const DemoAccount account = demoAccount(u"2fa@velto.test"_s);
        QVERIFY(!account.totpSecret.isEmpty());
        ClientSession client(sandbox->origin());
        STEPS(client,
              {"@LoginView", "emailField=" + account.email, "passwordField=" + account.password,
               "submitButton", "errorLabel~Two-factor code"});
        QCOMPARE(client.page(), u"LoginView"_s);
        const QString code
            = totpCode(base32Decode(account.totpSecret), QDateTime::currentSecsSinceEpoch());
        STEPS(client,
              {"totpField=" + code, "^Return", "@HomeView", "nameLabel:" + account.fullName,
               "tab_Skills"});
        sandbox->stop();
        STEPS(client,
              {"signOutButton", "emailField=" + account.email, "passwordField=" + account.password,
               "submitButton", "errorLabel:Cannot reach the Velto service",
               "submitButton:Sign in"});
        QCOMPARE(client.page(), u"LoginView"_s);
    }

private:
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<SandboxProcess> sandbox;
};

QTEST_MAIN(TestE2eAuth)
#include "tst_e2e_auth.moc"
