// Hand-offs to the service's pages in the browser: the address the client asks the desktop to
// open is caught instead of a browser starting. The client asks for a one-time sign-in link
// first, so the browser arrives signed in without the password; coming back to the window shows
// what was paid without "Refresh".
#include "clientsession.h"
#include "sandboxprocess.h"

#include <QDesktopServices>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eWebPayment : public QObject
{
    Q_OBJECT

public slots:
    // The desktop's default browser, as QDesktopServices reaches it.
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void init() { QDesktopServices::setUrlHandler(u"https"_s, this, "open"); }
    void cleanup()
    {
        QDesktopServices::unsetUrlHandler(u"https"_s);
        opened.clear();
    }
    void fundInTheBrowser();
    void addMoneyInARealBrowser();

private:
    QList<QUrl> opened;
};

// A milestone larger than the wallet, paid by a browser of the test's own over HTTP (its own
// cookies, the form's token, the page's Origin).
void TestE2eWebPayment::fundInTheBrowser()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const DemoAccount asha = demoAccount(u"client@velto.test"_s);
    ClientSession client(sandbox.origin());
    STEPS(client,
          {"#" + asha.email, "tab_Contracts", "contractCard_0:Point-of-sale app for 40 stores",
           "milestoneMeta_0_0:₹300000 · awaiting_funding", "fundButton_0_0",
           "toastLabel:Complete payment in browser"});
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, Patience);
    QCOMPARE(opened.at(0).adjusted(QUrl::RemoveQuery).toString(),
             sandbox.origin() + u"/sign-in-link"_s);

    client.leave();
    SandboxClient browser(sandbox.port());
    const HttpResult confirm = browser.get(opened.at(0).toString());
    const HttpResult milestones
        = browser.form(u"continue-sign-in"_s, {{u"csrf"_s, confirm.formField(u"csrf"_s)}});
    browser.form(u"contracts"_s,
                 {{u"csrf"_s, milestones.formField(u"csrf"_s)},
                  {u"milestone"_s, milestones.formField(u"milestone"_s)}});
    client.comeBack();
    STEPS(client, {"milestoneMeta_0_0:₹300000 · funded"});
}

// A new client's first money, added on "/wallet" in Chromium (browser_pages.py), shows in the
// Wallet tab once the window is active again.
void TestE2eWebPayment::addMoneyInARealBrowser()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const QString email = u"kiran@velto.test"_s;
    ClientSession client(sandbox.origin());
    STEPS(client,
          {"@LoginView", "registerLink", "fullNameField=Kiran Rao", "clientRadio",
           "emailField=" + email, "passwordField=kiran-pass-1", "submitButton", "@noticeLabel"});
    QCOMPARE(SandboxClient(sandbox.port()).get(sandbox.waitForVerifyLink(email)).status, 200);
    STEPS(client, {"submitButton", "tab_Wallet", "balanceLabel:₹0.00", "addMoneyButton"});
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, Patience);

    client.leave();
    QProcess chromium;
    chromium.start(u"/usr/bin/python3"_s,
                   {u"" VELTO_BROWSER_PAGES ""_s, u"--add-money"_s, opened.at(0).toString(),
                    u"" VELTO_CA_PEM ""_s, u"500"_s});
    QVERIFY(chromium.waitForFinished(150000));
    if (chromium.exitCode() == 77)
        QSKIP(chromium.readAllStandardOutput().trimmed().constData());
    QVERIFY2(chromium.exitCode() == 0, chromium.readAllStandardError().constData());
    client.comeBack();
    STEPS(client, {"balanceLabel:₹500.00"});
}

QTEST_MAIN(TestE2eWebPayment)
#include "tst_e2e_webpayment.moc"
