// What a person can trust when the service is slow (SIGSTOP), gone, back or loses its answers.
#include "clientsession.h"
#include "faultrelay.h"

#include <QTemporaryDir>

class TestE2eTrust : public QObject
{
    Q_OBJECT

private slots:
    void writesAreAppliedOnceAndFailuresRecover();
};

void TestE2eTrust::writesAreAppliedOnceAndFailuresRecover()
{
    QTemporaryDir dir;
    SandboxProcess sandbox;
    sandbox.setDatabase(dir.filePath(u"velto.db"_s)); // outlives a restart
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    FaultRelay relay(sandbox);
    const DemoAccount client = demoAccount(u"client@velto.test"_s);
    SandboxClient buyer(sandbox.port());
    QCOMPARE(buyer.login(client).status, 200);
    const auto orders = [&] { return buyer.get(u"api/gig-orders"_s).list(u"orders"_s).size(); };
    const HttpResult gigs = buyer.get(u"api/gigs"_s);
    const qsizetype ordersBefore = orders();
    const qint64 paid = buyer.balance();

    // "Escrow & order" pressed twice while the service holds its answers: one order (any submit).
    auto c = std::make_unique<ClientSession>(relay.origin());
    STEPS(*c, {"#" + client.email, "tab_Gigs", "gigCard_0", "orderButton_0", "@orderDialogSubmit"});
    sandbox.setPaused(true);
    QVERIFY(c->doubleClick(u"orderDialogSubmit"_s));
    sandbox.setPaused(false);
    STEPS(*c, {"toastLabel:Order placed"});
    QCOMPARE(orders(), ordersBefore + 1);

    // The relay gives up once the service has committed: the network layer sends the order again
    // on new connections with the same key, and the service applies it once.
    relay.dropAnswersTo("POST", u"api/gigs/%1/order"_s.arg(gigs.id(u"gigs.0"_s)));
    STEPS(*c,
          {"gigCard_0", "orderButton_0", "orderDialogSubmit",
           "toastLabel~whether this was done is unknown", "orderDialogError~unknown",
           "orderDialogCancel", "tab_Gig Orders",
           "@orderCard_" + QString::number(ordersBefore + 1)});
    QCOMPARE(orders(), ordersBefore + 2);
    QCOMPARE(buyer.balance(), paid - 2 * gigs.number(u"gigs.0.packages.0.price_paise"_s));
    QVERIFY2(relay.droppedKeys.size() > 1, "the network layer sent it once only");
    QCOMPARE(QSet<QByteArray>(relay.droppedKeys.cbegin(), relay.droppedKeys.cend()).size(), 1);

    // The service goes: the page says so and keeps what it showed; back, Retry loads it again.
    sandbox.stop();
    STEPS(*c, {"^F5", "loadFailureText~Cannot reach the Velto service", "@orderCard_0"});
    QString error;
    QVERIFY2(sandbox.restart(&error), qPrintable(error));
    STEPS(*c, {"loadFailureRetry"});
    QTRY_VERIFY_WITH_TIMEOUT(!c->item(u"loadFailure"_s), Patience);

    // Started with the service away: the sign-in page says so; once back, the session resumes.
    c.reset();
    sandbox.stop();
    c = std::make_unique<ClientSession>(relay.origin());
    STEPS(*c, {"serviceDownLine~Cannot reach the Velto service"});
    QVERIFY2(sandbox.restart(&error), qPrintable(error));
    STEPS(*c, {"resumeButton", "@HomeView", "nameLabel~"});
}

QTEST_MAIN(TestE2eTrust)
#include "tst_e2e_trust.moc"
