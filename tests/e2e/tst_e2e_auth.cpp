// Registration, sign-in, resume, sign-out and two-factor sign-in; then the service goes away.
#include "clientsession.h"
#include "persistentcookiejar.h"
#include "totp.h"

#include <QDateTime>
#include <QFileInfo>

class TestE2eAuth : public QObject
{
    Q_OBJECT

private slots:
    void registerSignInResumeSignOut();
};

void TestE2eAuth::registerSignInResumeSignOut()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const QString email = u"priya.nair@example.test"_s;
    const DemoAccount asha = demoAccount(u"client@velto.test"_s);
    {
        ClientSession first(sandbox.origin());
        // Back in sign-in mode with what was typed kept; not verified yet, the service says so.
        STEPS(first,
              {"@LoginView", "registerLink", "submitButton:Create account",
               "fullNameField=Priya Nair", "freelancerRadio", "emailField=" + email,
               "passwordField=correct horse 42", "submitButton",
               "noticeLabel:Account created — verify your email, then sign in.",
               "submitButton:Sign in", "emailField:" + email, "submitButton",
               "errorLabel~Verify your email"});
        // The person follows the link of the mail; a freelancer has Skills.
        const QString link = sandbox.waitForLink(u"verify-link", email);
        QCOMPARE(SandboxClient(sandbox.port()).get(link).status, 200);
        STEPS(first,
              {"submitButton", "@HomeView", "nameLabel:Priya Nair", "tab_Skills", "@SkillsView"});
        // A client's tabs, by click and by Ctrl with the digit.
        STEPS(first,
              {"#" + asha.email, "nameLabel:" + asha.fullName, "@DiscoverView", "tab_Projects",
               "@ProjectsView", "^Ctrl+8", "@WalletView", "^Ctrl+0", "@MoreView"});
    }
    // A restart resumes the session without the sign-in page; sign-out empties the cookie file.
    ClientSession second(sandbox.origin());
    QCOMPARE(second.page(), u"bootPage"_s);
    QTRY_VERIFY_WITH_TIMEOUT(second.page() != "bootPage"_L1, Patience);
    QCOMPARE(second.page(), u"HomeView"_s);
    STEPS(second, {"nameLabel:" + asha.fullName, "signOutButton", "@LoginView"});
    QCOMPARE(QFileInfo(PersistentCookieJar::cookieFilePath()).size(), 0);

    // The code asked for, then given with Enter; with the service gone, the form says so.
    const DemoAccount twoFactor = demoAccount(u"2fa@velto.test"_s);
    STEPS(second,
          {"emailField=" + twoFactor.email, "passwordField=" + twoFactor.password, "submitButton",
           "errorLabel~Two-factor code"});
    const QString code
        = totpCode(base32Decode(twoFactor.totpSecret), QDateTime::currentSecsSinceEpoch());
    STEPS(second, {"totpField=" + code, "^Return", "@HomeView", "nameLabel:" + twoFactor.fullName});
    sandbox.stop();
    STEPS(second,
          {"signOutButton", "emailField=" + twoFactor.email, "passwordField=" + twoFactor.password,
           "submitButton", "errorLabel~Cannot reach the Velto service", "submitButton:Sign in"});
}

QTEST_MAIN(TestE2eAuth)
#include "tst_e2e_auth.moc"
