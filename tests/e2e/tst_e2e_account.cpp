// Wallet, notifications and More end to end: the real Main and Api against a sandbox of its own.
#include "clientsession.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QFont>
#include <QJsonArray>
#include <QQuickItem>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

constexpr int Patience = 20000; // two cores are shared by everything a test run builds and runs
#define DO(step) QVERIFY2(step, qPrintable(client.lastError))
#define TRY_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, Patience)

class TestE2eAccount : public QObject
{
    Q_OBJECT

private slots:
    void walletNotificationsAndWithdrawal();
};

void TestE2eAccount::walletNotificationsAndWithdrawal()
{
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    SandboxProcess sandbox;
    QString error;
    QVERIFY2(sandbox.start(&error), qPrintable(error));

    // The client orders a gig outside the window: its price leaves the wallet for escrow.
    const DemoAccount buyer = demoAccount(u"client@velto.test"_s);
    ServiceProbe probe(sandbox.origin());
    QVERIFY(probe.signIn(buyer.email, buyer.password));
    const QJsonObject wallet = probe.get(u"api/wallet"_s).value(u"wallet"_s).toObject();
    const QJsonObject gig = probe.get(u"api/gigs"_s).value(u"gigs"_s).toArray().first().toObject();
    const QJsonObject package = gig["packages"].toArray().first().toObject();
    probe.post(u"api/gigs/%1/order"_s.arg(gig["id"].toInteger()),
               {{u"packageTier"_s, package["tier"]}});
    const qint64 price = package["price_paise"].toInteger();

    ClientSession client(sandbox.origin());
    DO(client.signIn(buyer.email, buyer.password));
    DO(client.click(u"tab_Wallet"_s));
    const double after = (wallet["balance_paise"].toInteger() - price) / 100.0;
    TRY_COMPARE(client.text(u"balanceLabel"_s), u"₹"_s + QString::number(after, 'f', 2));
    QCOMPARE(client.text(u"txnAmount_0"_s), u"−₹%1"_s.arg(qRound(price / 100.0)));

    DO(client.click(u"tab_Notifications"_s));
    const auto firstBold = [&] {
        QQuickItem *title = client.waitForItem(u"notificationTitle_0"_s, Patience);
        return title && title->property("font").value<QFont>().bold();
    };
    QVERIFY(firstBold()); // the demo client's newest notification is unread
    DO(client.click(u"markAllReadButton"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!firstBold(), Patience);

    // The freelancer (verified KYC) replaces the bank account and withdraws ₹1,000.
    DO(client.click(u"signOutButton"_s));
    const DemoAccount seller = demoAccount(u"freelancer@velto.test"_s);
    DO(client.signIn(seller.email, seller.password));
    DO(client.click(u"tab_More"_s));
    DO(client.click(u"bankButton"_s));
    DO(client.type(u"holderField"_s, u"Ravi Kumar"_s));
    DO(client.type(u"accountNumberField"_s, u"123456789012"_s));
    DO(client.type(u"ifscField"_s, u"sbin0001234"_s));
    DO(client.click(u"bankDialogSubmit"_s));
    DO(client.waitForToast(u"Bank saved"_s));
    TRY_COMPARE(client.item(u"bankCard"_s)->property("title").toString(), u"Bank ••••9012"_s);

    DO(client.click(u"withdrawButton"_s));
    DO(client.type(u"amountField"_s, u"1000"_s));
    DO(client.click(u"settleDialogSubmit"_s));
    DO(client.waitForToast(u"Settlement requested"_s));
    TRY_COMPARE(client.text(u"settlementAmount_0"_s), u"₹1000"_s);
}

QTEST_MAIN(TestE2eAccount)
#include "tst_e2e_account.moc"
