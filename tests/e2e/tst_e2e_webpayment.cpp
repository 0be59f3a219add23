// A milestone larger than the wallet, funded in the browser: "Fund" in the client hands over to
// the service's page (the address the client asks the desktop to open is caught instead of a
// browser starting), a browser of the test's own signs in and pays there over HTTP (its own
// cookies, the form's token, the page's Origin), and "Refresh" in the client shows it funded.
#include "clientsession.h"
#include "sandboxprocess.h"

#include <QDesktopServices>
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
    void fundInTheBrowser();

private:
    QList<QUrl> opened;
};

void TestE2eWebPayment::fundInTheBrowser()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    QDesktopServices::setUrlHandler(u"https"_s, this, "open");
    const auto restore = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"https"_s); });
    const DemoAccount asha = demoAccount(u"client@velto.test"_s);
    ClientSession client(sandbox.origin());
    STEPS(client,
          {"#" + asha.email, "tab_Contracts", "contractCard_0:Point-of-sale app for 40 stores",
           "milestoneMeta_0_0:₹300000 · awaiting_funding", "fundButton_0_0",
           "toastLabel:Complete payment in browser"});
    // The page of the origin the program was built for; this sandbox has a port of its own.
    QCOMPARE(opened, QList {QUrl(u"" VELTO_ORIGIN "/contracts"_s)});

    // The browser has no session: the page sends it to sign in, and back.
    SandboxClient browser(sandbox.port());
    const HttpResult signIn = browser.get(opened.at(0).path().mid(1));
    const HttpResult milestones = browser.signInOnPage(signIn, asha.email, asha.password);
    browser.form(u"contracts"_s,
                 {{u"csrf"_s, milestones.formField(u"csrf"_s)},
                  {u"milestone"_s, milestones.formField(u"milestone"_s)}});

    STEPS(client, {"refreshButton", "milestoneMeta_0_0:₹300000 · funded"});
}

QTEST_MAIN(TestE2eWebPayment)
#include "tst_e2e_webpayment.moc"
