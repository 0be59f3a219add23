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
    const DemoAccount freelancer = demoAccount(u"freelancer@velto.test"_s);
    SandboxClient buyer(sandbox.port()), seller(sandbox.port());
    QVERIFY(buyer.login(client).status == 200 && seller.login(freelancer).status == 200);
    const auto count = [](SandboxClient &p, const QString &path, const char *member) {
        return p.get(path).list(QLatin1String(member)).size();
    };

    // "Escrow & order" pressed twice while the service holds its answers: one order.
    const int ordersBefore = count(buyer, u"api/gig-orders"_s, "orders");
    auto c = std::make_unique<ClientSession>(sandbox.origin());
    STEPS(*c, {"#" + client.email, "tab_Gigs", "gigCard_0", "orderButton_0", "@orderDialogSubmit"});
    sandbox.setPaused(true);
    QVERIFY(c->doubleClick(u"orderDialogSubmit"_s));
    sandbox.setPaused(false);
    STEPS(*c, {"toastLabel:Order placed"});
    QCOMPARE(count(buyer, u"api/gig-orders"_s, "orders"), ordersBefore + 1);

    // The same for a withdrawal's "Request".
    const int settlementsBefore = count(seller, u"api/settlements"_s, "settlements");
    STEPS(*c, {"#" + freelancer.email, "tab_More", "withdrawButton", "amountField=1000"});
    sandbox.setPaused(true);
    QVERIFY(c->doubleClick(u"settleDialogSubmit"_s));
    sandbox.setPaused(false);
    STEPS(*c, {"toastLabel:Settlement requested", "settlementAmount_0:₹1000"});
    QCOMPARE(count(seller, u"api/settlements"_s, "settlements"), settlementsBefore + 1);

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
