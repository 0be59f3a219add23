// Wallet, notifications and More end to end: the real Main and Api against a sandbox of its own.
#include "clientsession.h"
#include "sandboxprocess.h"

#include <QFont>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eAccount : public QObject
{
    Q_OBJECT

private slots:
    void walletNotificationsAndWithdrawal();
};

void TestE2eAccount::walletNotificationsAndWithdrawal()
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

    // The demo client's newest notification is unread until all are marked read.
    const auto firstBold
        = [&] { return client.property(u"notificationTitle_0"_s, "font").value<QFont>().bold(); };
    STEPS(client, {"tab_Notifications"});
    QVERIFY(client.waitForItem(u"notificationTitle_0"_s, Patience) && firstBold());
    STEPS(client, {"markAllReadButton"});
    QTRY_VERIFY_WITH_TIMEOUT(!firstBold(), Patience);

    // The freelancer replaces the bank account (a withdrawal is tst_e2e_trust's).
    STEPS(client,
          {"#freelancer@velto.test", "tab_More", "bankButton", "holderField=Ravi Kumar",
           "accountNumberField=123456789012", "ifscField=sbin0001234", "bankDialogSubmit",
           "toastLabel:Bank saved", "bankCard:Bank ••••9012"});
}

QTEST_MAIN(TestE2eAccount)
#include "tst_e2e_account.moc"
