// Wallet, notifications and More end to end: the real Main and Api against a sandbox of its own.
#include "clientsession.h"
#include "sandboxprocess.h"

#include <QFont>
#include <QJsonArray>
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
    QString error;
    QVERIFY2(prepareEndToEnd(sandbox, &error), qPrintable(error));

    // The client orders a gig outside the window: its price leaves the wallet for escrow.
    const DemoAccount buyer = demoAccount(u"client@velto.test"_s);
    ServiceProbe probe(sandbox.origin());
    QVERIFY(probe.signIn(buyer.email, buyer.password));
    const qint64 balance = probe.balance();
    const QJsonObject gig = probe.get(u"api/gigs"_s)["gigs"_L1][0].toObject();
    const QJsonObject package = gig["packages"_L1][0].toObject();
    probe.post(u"api/gigs/%1/order"_s.arg(gig["id"_L1].toInteger()),
               {{u"packageTier"_s, package["tier"_L1]}});
    const qint64 price = package["price_paise"_L1].toInteger();

    ClientSession client(sandbox.origin());
    QVERIFY2(client.signIn(buyer.email, buyer.password), qPrintable(client.lastError));
    STEPS(client,
          {"tab_Wallet", "balanceLabel:₹" + QString::number((balance - price) / 100.0, 'f', 2),
           "txnAmount_0:−₹" + QString::number(qRound(price / 100.0))});

    // The demo client's newest notification is unread until all are marked read.
    const auto firstBold
        = [&] { return client.property(u"notificationTitle_0"_s, "font").value<QFont>().bold(); };
    STEPS(client, {"tab_Notifications"});
    QVERIFY(client.waitForItem(u"notificationTitle_0"_s, Patience) && firstBold());
    STEPS(client, {"markAllReadButton"});
    QTRY_VERIFY_WITH_TIMEOUT(!firstBold(), Patience);

    // The freelancer (verified KYC) replaces the bank account and, once it is approved, withdraws
    // ₹1,000.
    const DemoAccount seller = demoAccount(u"freelancer@velto.test"_s);
    STEPS(client, {"signOutButton"});
    QVERIFY2(client.signIn(seller.email, seller.password), qPrintable(client.lastError));
    STEPS(client,
          {"tab_More", "bankButton", "holderField=Ravi Kumar", "accountNumberField=123456789012",
           "ifscField=sbin0001234", "bankDialogSubmit", "toastLabel:Bank saved",
           "bankCard:Bank ••••9012"});
    // A changed account waits for the operator, who follows the link the sandbox printed.
    QCOMPARE(visit(sandbox.waitForLink(u"bank-approval-link"_s, seller.email)), 200);
    STEPS(client,
          {"withdrawButton", "amountField=1000", "settleDialogSubmit",
           "toastLabel:Settlement requested", "settlementAmount_0:₹1000"});
}

QTEST_MAIN(TestE2eAccount)
#include "tst_e2e_account.moc"
