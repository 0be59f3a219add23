// A gig from publication to review, the demo freelancer and client taking turns at one window.
#include "clientsession.h"

class TestE2eGigs : public QObject
{
    Q_OBJECT

private slots:
    void publishOrderDeliverReviseAndReview();
};

void TestE2eGigs::publishOrderDeliverReviseAndReview()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const QString client = u"client@velto.test"_s, freelancer = u"freelancer@velto.test"_s;
    SandboxClient buyer(sandbox.port());
    QCOMPARE(buyer.login(demoAccount(client)).status, 200);
    ClientSession c(sandbox.origin());

    const QString title = u"Qt chart widget in three sizes"_s;
    STEPS(c,
          {"#" + freelancer, "tab_Gigs", "modeButton", "newGigButton", "titleField=" + title,
           "descriptionFieldArea=" + title + ", with axes, legend and tests.", "basicField=1000",
           "standardField=2500", "premiumField=5000", "createDialogSubmit", "gigCard_0:" + title});

    // Each side then opens the newest order, this journey's.
    const qint64 buyerBefore = buyer.balance();
    STEPS(c,
          {"#" + client, "tab_Gigs", "gigCard_0", "orderButton_1", "orderDialogSubmit",
           "toastLabel:Order placed"});
    QCOMPARE(buyer.balance(), buyerBefore - 250000);
    STEPS(c,
          {"tab_Gig Orders", "orderCard_0", "messageField=Hello from the client", "sendButton",
           "messageBody_0:Hello from the client"});
    STEPS(c,
          {"#" + freelancer, "tab_Gig Orders", "orderCard_0", "acceptButton", "deliverButton",
           "messageBody_0:Hello from the client", "noteFieldArea=First cut attached",
           "noteDialogSubmit", "deliveryNote:Delivery note: First cut attached"});
    STEPS(c,
          {"#" + client, "tab_Gig Orders", "orderCard_0", "revisionButton",
           "messageBody_1:Delivered: First cut attached", "noteFieldArea=Larger legend",
           "noteDialogSubmit", "summaryLine~revision"});
    STEPS(c,
          {"#" + freelancer, "tab_Gig Orders", "orderCard_0", "deliverButton",
           "noteFieldArea=Legend enlarged", "noteDialogSubmit", "summaryLine~delivered"});

    STEPS(c,
          {"#" + client, "tab_Gig Orders", "orderCard_0", "payButton",
           "toastLabel:Payment released"});
    STEPS(c, {"reviewButton", "star_4", "noteDialogSubmit", "toastLabel:Done"});
}

QTEST_MAIN(TestE2eGigs)
#include "tst_e2e_gigs.moc"
