// Wallet and More end to end, a new freelancer's first day among them.
#include "clientsession.h"

#include <QDesktopServices>
#include <QScopeGuard>

class TestE2eAccount : public QObject
{
    Q_OBJECT

public slots:
    // The desktop's default browser, as QDesktopServices reaches it.
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void walletAndWithdrawal();

private:
    QList<QUrl> opened;
};

void TestE2eAccount::walletAndWithdrawal()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());

    // The client orders a gig outside the window: its price leaves the wallet for escrow.
    const DemoAccount buyer = demoAccount(u"client@velto.test"_s);
    SandboxClient probe(sandbox.port());
    QCOMPARE(probe.login(buyer).status, 200);
    const qint64 balance = probe.balance();
    const HttpResult gigs = probe.get(u"api/gigs"_s);
    probe.post(u"api/gigs/%1/order"_s.arg(gigs.id(u"gigs.0"_s)),
               {{u"packageTier"_s, gigs.text(u"gigs.0.packages.0.tier"_s)}});
    const qint64 price = gigs.number(u"gigs.0.packages.0.price_paise"_s);

    ClientSession client(sandbox.origin());
    STEPS(client,
          {"#" + buyer.email, "tab_Wallet",
           "balanceLabel:₹" + QString::number((balance - price) / 100.0, 'f', 2),
           "txnAmount_0:−₹" + QString::number(qRound(price / 100.0))});

    // A new freelancer's bank and identity ("/identity" in the browser), approved by printed links.
    QDesktopServices::setUrlHandler(u"https"_s, this, "open");
    const auto restore = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"https"_s); });
    const QString email = u"meera@velto.test"_s;
    STEPS(client,
          {"signOutButton", "registerLink", "fullNameField=Meera Nair", "emailField=" + email,
           "passwordField=meera-pass-1", "submitButton",
           "noticeLabel:Account created — verify your email, then sign in."});
    QCOMPARE(probe.get(sandbox.waitForLink(u"verify-link", email)).status, 200);
    // Signed in with what the form still holds.
    STEPS(client,
          {"submitButton", "tab_More", "kycLine:freelancer · KYC: not started", "bankButton",
           "holderField=Meera Nair", "accountNumberField=123456789012", "ifscField=sbin0001234",
           "bankDialogSubmit", "toastLabel:Bank saved", "bankCard:Bank ••••9012",
           "identityButton"});
    QCOMPARE(probe.get(sandbox.waitForLink(u"bank-approval-link", email)).status, 200);
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, Patience);

    client.leave();
    SandboxClient browser(sandbox.port());
    const HttpResult confirm = browser.get(opened.at(0).toString());
    const QString csrf
        = browser.form(u"continue-sign-in"_s, {{u"csrf"_s, confirm.formField(u"csrf"_s)}})
              .formField(u"csrf"_s);
    browser.form(u"identity"_s,
                 {{u"csrf"_s, csrf},
                  {u"legalName"_s, u"Meera Nair"_s},
                  {u"dateOfBirth"_s, u"1994-05-17"_s},
                  {u"identityNumber"_s, u"2345 6789 0124"_s}});
    browser.form(u"wallet"_s, {{u"csrf"_s, csrf}, {u"amount"_s, u"1500"_s}});
    client.comeBack();
    STEPS(client,
          {"kycLine:freelancer · KYC: pending", "withdrawButton", "amountField=1000",
           "settleDialogSubmit", "toastLabel:Complete KYC verification before withdrawing"});
    QCOMPARE(probe.get(sandbox.waitForLink(u"kyc-approval-link", email)).status, 200);
    STEPS(client,
          {"settleDialogCancel", "^F5", "kycLine:freelancer · KYC: verified", "withdrawButton",
           "amountField=1000", "settleDialogSubmit", "toastLabel:Settlement requested",
           "settlementAmount_0:₹1000"});
}

QTEST_MAIN(TestE2eAccount)
#include "tst_e2e_account.moc"
