// A gig from publication to review, the demo freelancer and client taking turns at one window.
#include "clientsession.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QQuickItem>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

#define ACT(step) QVERIFY2(step, qPrintable(c.lastError))
#define TRY(cond) QTRY_VERIFY_WITH_TIMEOUT(cond, 20000) // two cores shared by a whole test run

class TestE2eGigs : public QObject
{
    Q_OBJECT

private slots:
    void publishOrderDeliverReviseAndReview()
    {
        QStandardPaths::setTestModeEnabled(true);
        prepareApplication(); // the service's CA, for the probes too
        SandboxProcess sandbox;
        QString error;
        QVERIFY2(sandbox.start(&error), qPrintable(error));
        const QString client = u"client@velto.test"_s, freelancer = u"freelancer@velto.test"_s;
        ServiceProbe buyer(sandbox.origin()), seller(sandbox.origin());
        QVERIFY(buyer.signIn(client, demoAccount(client).password)
                && seller.signIn(freelancer, demoAccount(freelancer).password));
        auto balance = [](ServiceProbe &p) {
            return p.get(u"api/wallet"_s)["wallet"_L1]["balance_paise"_L1].toInteger();
        };
        ClientSession c(sandbox.origin());
        // Signs out whoever is signed in, signs in and opens the newest order, this journey's.
        auto as = [&c](const QString &email, bool toOrder = true) {
            return (c.page() != "HomeView"_L1 || c.click(u"signOutButton"_s))
                && c.signIn(email, demoAccount(email).password)
                && (!toOrder || (c.click(u"tab_Gig Orders"_s) && c.click(u"orderCard_0"_s)));
        };

        const QString title = u"Qt chart widget in three sizes"_s;
        ACT(as(freelancer, false) && c.click(u"tab_Gigs"_s) && c.click(u"modeButton"_s)
            && c.click(u"newGigButton"_s) && c.type(u"titleField"_s, title));
        ACT(c.type(u"descriptionFieldArea"_s, title + u", with axes, legend and tests."_s)
            && c.type(u"basicField"_s, u"1000"_s) && c.type(u"standardField"_s, u"2500"_s)
            && c.type(u"premiumField"_s, u"5000"_s) && c.click(u"createDialogSubmit"_s));
        TRY(c.item(u"gigCard_0"_s) && c.item(u"gigCard_0"_s)->property("title") == title);

        const qint64 buyerBefore = balance(buyer);
        ACT(as(client, false) && c.click(u"tab_Gigs"_s) && c.click(u"gigCard_0"_s));
        ACT(c.click(u"orderButton_1"_s) && c.click(u"orderDialogSubmit"_s)
            && c.waitForToast(u"Order placed"_s));
        QCOMPARE(balance(buyer), buyerBefore - 250000);
        ACT(c.click(u"tab_Gig Orders"_s) && c.click(u"orderCard_0"_s));
        ACT(c.type(u"messageField"_s, u"Hello from the client"_s) && c.click(u"sendButton"_s));
        TRY(c.text(u"messageBody_0"_s) == u"Hello from the client"_s);

        ACT(as(freelancer) && c.click(u"acceptButton"_s) && c.click(u"deliverButton"_s));
        QCOMPARE(c.text(u"messageBody_0"_s), u"Hello from the client"_s);
        ACT(c.type(u"noteFieldArea"_s, u"First cut attached"_s) && c.click(u"noteDialogSubmit"_s));
        TRY(c.text(u"deliveryNote"_s) == u"Delivery note: First cut attached"_s);

        ACT(as(client) && c.click(u"revisionButton"_s));
        QCOMPARE(c.text(u"messageBody_1"_s), u"Delivered: First cut attached"_s);
        ACT(c.type(u"noteFieldArea"_s, u"Larger legend"_s) && c.click(u"noteDialogSubmit"_s));
        TRY(c.text(u"summaryLine"_s).endsWith("revision"_L1));

        ACT(as(freelancer) && c.click(u"deliverButton"_s));
        ACT(c.type(u"noteFieldArea"_s, u"Legend enlarged"_s) && c.click(u"noteDialogSubmit"_s));
        TRY(c.text(u"summaryLine"_s).endsWith("delivered"_L1));

        const qint64 sellerBefore = balance(seller);
        ACT(as(client) && c.click(u"payButton"_s) && c.waitForToast(u"Payment released"_s));
        QCOMPARE(balance(seller), sellerBefore + 250000);
        ACT(c.click(u"reviewButton"_s) && c.click(u"star_4"_s) && c.click(u"noteDialogSubmit"_s)
            && c.waitForToast(u"Done"_s));
        QCOMPARE(buyer.get(u"api/gig-orders"_s)["orders"_L1][0]["review_score"_L1].toInt(), 4);
    }
};

QTEST_MAIN(TestE2eGigs)
#include "tst_e2e_gigs.moc"
