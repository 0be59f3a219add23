// Hand-offs to the browser (caught, none starts): back in the window, what was paid shows at once.
#include "clientsession.h"

#include <QDesktopServices>
#include <QProcess>

class TestE2eWebPayment : public QObject
{
    Q_OBJECT

public slots:
    // The desktop's default browser, as QDesktopServices reaches it.
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(u"https"_s, this, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"https"_s); }
    void fundAndAddMoneyInTheBrowser();

private:
    QList<QUrl> opened;
};

void TestE2eWebPayment::fundAndAddMoneyInTheBrowser()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    ClientSession client(sandbox.origin());
    STEPS(client,
          {"#client@velto.test", "tab_Contracts", "contractCard_0:Point-of-sale app for 40 stores",
           "milestoneMeta_0_0:₹300000 · awaiting_funding", "fundButton_0_0",
           "toastLabel:Complete payment in browser"});
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, Patience);

    // A milestone larger than the wallet, paid by the test's own browser (cookies, token, Origin).
    client.leave();
    SandboxClient browser(sandbox.port());
    const HttpResult confirm = browser.get(opened.at(0).toString());
    const HttpResult milestones
        = browser.form(u"continue-sign-in"_s, {{u"csrf"_s, confirm.formField(u"csrf"_s)}});
    browser.form(u"contracts"_s,
                 {{u"csrf"_s, milestones.formField(u"csrf"_s)},
                  {u"milestone"_s, milestones.formField(u"milestone"_s)}});
    client.comeBack();
    STEPS(client, {"milestoneMeta_0_0:₹300000 · funded", "tab_Wallet", "addMoneyButton"});
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, Patience);

    // Money added on "/wallet" in Chromium (browser_pages.py).
    const qint64 balance = browser.balance() + 500 * 100;
    client.leave();
    QProcess chromium;
    chromium.start(u"/usr/bin/python3"_s,
                   {u"" VELTO_BROWSER_PAGES ""_s, u"--add-money"_s, opened.at(1).toString(),
                    u"" VELTO_CA_PEM ""_s, u"500"_s});
    QVERIFY(chromium.waitForFinished(150000));
    if (chromium.exitCode() == 77)
        QSKIP(chromium.readAllStandardOutput().trimmed().constData());
    QVERIFY2(chromium.exitCode() == 0, chromium.readAllStandardError().constData());
    client.comeBack();
    STEPS(client,
          {u"balanceLabel:₹%1.%2"_s.arg(balance / 100).arg(balance % 100, 2, 10, QChar(u'0'))});
}

QTEST_MAIN(TestE2eWebPayment)
#include "tst_e2e_webpayment.moc"
