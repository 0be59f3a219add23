// What a person can trust when the service is slow, gone or back: a double click pays once, and a
// page that could not load says so and recovers, as does the sign-in page. The sandbox is held
// still (SIGSTOP) to act as a slow service, then stopped and started again on its port. A write
// whose answer is lost on the way is applied once, and the window says its outcome is unknown.
#include "clientsession.h"
#include "faultrelay.h"
#include "sandboxprocess.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eTrust : public QObject
{
    Q_OBJECT

private slots:
    void doubleClicksPayOnceAndFailuresRecover();
    void aWriteWhoseAnswerIsLostIsAppliedOnce();
};

void TestE2eTrust::doubleClicksPayOnceAndFailuresRecover()
{
    QTemporaryDir dir;
    SandboxProcess sandbox;
    sandbox.setDatabase(dir.filePath(u"velto.db"_s)); // outlives a restart
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const DemoAccount client = demoAccount(u"client@velto.test"_s);
    SandboxClient buyer(sandbox.port());
    QCOMPARE(buyer.login(client).status, 200);

    // "Escrow & order" pressed twice while the service holds its answers: one order. Every
    // dialog's submit is the same guarded button; this one stands for them all.
    const int ordersBefore = buyer.get(u"api/gig-orders"_s).list(u"orders"_s).size();
    auto c = std::make_unique<ClientSession>(sandbox.origin());
    STEPS(*c, {"#" + client.email, "tab_Gigs", "gigCard_0", "orderButton_0", "@orderDialogSubmit"});
    sandbox.setPaused(true);
    QVERIFY(c->doubleClick(u"orderDialogSubmit"_s));
    sandbox.setPaused(false);
    STEPS(*c, {"toastLabel:Order placed"});
    QCOMPARE(buyer.get(u"api/gig-orders"_s).list(u"orders"_s).size(), ordersBefore + 1);

    // A withdrawal of exactly the minimum.
    STEPS(*c,
          {"#freelancer@velto.test", "tab_More", "withdrawButton", "amountField=1000",
           "settleDialogSubmit", "toastLabel:Settlement requested", "settlementAmount_0:₹1000"});

    // The service goes: the page says so and keeps what it showed; back, Retry loads it again.
    sandbox.stop();
    STEPS(*c,
          {"^F5", "settlementsFailureText~Cannot reach the Velto service",
           "settlementAmount_0:₹1000"});
    QString error;
    QVERIFY2(sandbox.restart(&error), qPrintable(error));
    STEPS(*c, {"settlementsFailureRetry"});
    QTRY_VERIFY_WITH_TIMEOUT(!c->item(u"settlementsFailure"_s), Patience);

    // Started while the service is away: the sign-in page says so, and the stored sign-in
    // resumes once the service is back.
    c.reset();
    sandbox.stop();
    c = std::make_unique<ClientSession>(sandbox.origin());
    STEPS(*c, {"serviceDownLine~Cannot reach the Velto service"});
    QVERIFY2(sandbox.restart(&error), qPrintable(error));
    STEPS(*c, {"resumeButton", "@HomeView", "nameLabel~"});
}

// A proxy gives up once the service has committed a gig order, then a withdrawal: the network
// layer sends each again on new connections with the same key, and the service applies it once,
// even when the key comes again after a restart. The window says the outcome is unknown, and the
// reloaded page shows what the service holds. The amount is typed with its grouping.
void TestE2eTrust::aWriteWhoseAnswerIsLostIsAppliedOnce()
{
    QTemporaryDir dir;
    SandboxProcess sandbox;
    sandbox.setDatabase(dir.filePath(u"velto.db"_s));
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    FaultRelay relay(sandbox);
    const DemoAccount client = demoAccount(u"client@velto.test"_s);
    SandboxClient buyer(sandbox.port()), probe(sandbox.port());
    QCOMPARE(buyer.login(client).status, 200);
    QCOMPARE(probe.login(demoAccount(u"freelancer@velto.test"_s)).status, 200);
    const auto orders = [&] { return buyer.get(u"api/gig-orders"_s).list(u"orders"_s).size(); };
    const auto settlements = [&] { return probe.get(u"api/settlements"_s).list(u"settlements"_s); };
    const HttpResult gigs = buyer.get(u"api/gigs"_s);
    const qsizetype ordersBefore = orders(), settlementsBefore = settlements().size();
    const qint64 paid = buyer.balance(), earned = probe.balance();
    const QString unknown = u"toastLabel~whether this was done is unknown"_s;

    ClientSession c(relay.origin());
    relay.dropAnswersTo("POST", u"api/gigs/%1/order"_s.arg(gigs.id(u"gigs.0"_s)));
    STEPS(c,
          {"#" + client.email, "tab_Gigs", "gigCard_0", "orderButton_0", "orderDialogSubmit",
           unknown, "orderDialogError~unknown", "orderDialogCancel", "tab_Gig Orders",
           "@orderCard_" + QString::number(ordersBefore)});
    QCOMPARE(orders(), ordersBefore + 1);
    QCOMPARE(buyer.balance(), paid - gigs.number(u"gigs.0.packages.0.price_paise"_s));

    relay.dropAnswersTo("POST", u"api/settlements"_s);
    STEPS(c,
          {"#freelancer@velto.test", "tab_More", "withdrawButton", "amountField=1,500",
           "settleDialogSubmit", unknown, "settleDialogCancel", "settlementAmount_0:₹1500"});

    QByteArrayList keys; // of each time the withdrawal was sent
    for (const FaultRelay::Forwarded &f : std::as_const(relay.forwarded)) {
        if (f.dropped && f.path == "api/settlements"_L1)
            keys.append(f.idempotencyKey);
    }
    QVERIFY2(keys.size() > 1, "the network layer sent it once only");
    QCOMPARE(QSet<QByteArray>(keys.cbegin(), keys.cend()).size(), 1);
    QString error;
    QVERIFY2(sandbox.restart(&error), qPrintable(error));
    probe.headers.insert("Idempotency-Key", keys.first());
    QCOMPARE(probe.post(u"api/settlements"_s, {{u"amount"_s, u"1500"_s}}).status, 201);
    QCOMPARE(settlements().size(), settlementsBefore + 1);
    QCOMPARE(probe.balance(), earned - 1500 * 100);
}

QTEST_MAIN(TestE2eTrust)
#include "tst_e2e_trust.moc"
