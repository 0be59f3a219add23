// Project hiring in two windows, from post to paid milestone; then a ZadoZirir screenshot.
#include "clientsession.h"

#include <QJsonArray>
#include <QQuickWindow>

class TestE2eHiring : public QObject
{
    Q_OBJECT

private slots:
    void postProposeAcceptFundDeliverPayAndTrack();
};

void TestE2eHiring::postProposeAcceptFundDeliverPayAndTrack()
{
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    const DemoAccount asha = demoAccount(u"client@velto.test"_s);
    const DemoAccount ravi = demoAccount(u"freelancer@velto.test"_s);
    // Both windows start before either signs in: each keeps its own session in memory.
    ClientSession client(sandbox.origin());
    ClientSession freelancer(sandbox.origin());
    // The freelancer uses the keyboard alone: the e-mail field has it at once.
    STEPS(freelancer,
          {"*emailField", ">" + ravi.email, "^Tab", ">" + ravi.password, "^Return", "@HomeView",
           "*refreshButton", "@projectCard_0"});
    SandboxClient service(sandbox.port());
    QCOMPARE(service.login(ravi).status, 200);

    // The freelancer, on Discover all along, refreshes with F5 and bids the budget.
    const QString title = u"Kiosk app for a tea shop"_s;
    STEPS(client,
          {"#" + asha.email, "tab_Projects", "postButton", "titleField=" + title,
           "descriptionFieldArea=A Qt kiosk app for orders at the counter.", "skillsField=Qt, QML",
           "budgetField=5000", "postDialogSubmit", "toastLabel:Project published"});
    QVERIFY(freelancer.property(u"projectCard_0"_s, "title") != title);
    STEPS(freelancer,
          {"^F5", "projectCard_0:" + title, "^Tab", "*projectCard_0", "^Tab", "*proposeButton_0",
           "^Return", "*coverLetterFieldArea", ">I build Qt kiosks; one week, tested on site.",
           "^Tab", "*bidField", "bidField:5000", "^Return", "toastLabel:Proposal sent"});

    // Two milestones, the first funded from the wallet and delivered.
    STEPS(client,
          {"projectCard_0:" + title, "projectCard_0", "acceptButton_0", "milestone1Amount", "^End",
           "^Backspace", "^Backspace", "^Backspace", "^Backspace", "milestone1Amount=3000",
           "milestone2Title=Installation", "milestone2Amount=2000", "acceptDialogSubmit",
           "toastLabel:Contract created", "tab_Contracts", "contractCard_0:" + title,
           "milestoneMeta_0_0:₹3000 · awaiting_funding", "fundButton_0_0", "toastLabel:Funded"});
    STEPS(freelancer,
          {"tab_Contracts", "deliverButton_0_0",
           "actionTextArea=Installed at the counter and tested.", "actionDialogSubmit",
           "toastLabel:Done"});

    // The client accepts the delivery (who is paid is tst_sandbox_contracts').
    STEPS(client, {"^F5", "acceptButton_0_0", "toastLabel:Accepted — paid"});

    // One JPEG stored at once, as the service's count of the contract's screenshots shows.
    const QJsonArray contracts = service.get(u"api/contracts"_s).list(u"contracts"_s);
    qsizetype row = 0;
    while (row < contracts.size()
           && contracts.at(row)["project_title"_L1] != "Ongoing C++ maintenance (hourly)"_L1)
        ++row;
    const QString shots = u"contracts.%1.screenshots_count"_s.arg(row);
    const qint64 stored = service.get(u"api/contracts"_s).number(shots);
    const QString button = u"zadoZirirButton_%1"_s.arg(row);
    freelancer.window()->resize(1100, 1600); // every contract on screen at once
    STEPS(freelancer,
          {button, "toastLabel:ZadoZirir screenshot uploaded", button + ":⏸ Stop ZadoZirir"});
    QCOMPARE(service.get(u"api/contracts"_s).number(shots), stored + 1);
}

QTEST_MAIN(TestE2eHiring)
#include "tst_e2e_hiring.moc"
