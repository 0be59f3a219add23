// What a person can trust when the service is slow, gone or back: a double click pays once, and a
// page that could not load says so and recovers, as does the sign-in page. The sandbox is held
// still (SIGSTOP) to act as a slow service, then stopped and started again on its port.
#include "clientsession.h"
#include "sandboxprocess.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eTrust : public QObject
{
    Q_OBJECT

private slots:
    void doubleClicksPayOnceAndFailuresRecover();
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

QTEST_MAIN(TestE2eTrust)
#include "tst_e2e_trust.moc"
