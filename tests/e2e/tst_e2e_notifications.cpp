// A window behind another learns of a proposal; a click on the desktop's notice shows it.
#include "clientsession.h"
#include "notificationservice.h"

#include <QQuickItem>
#include <QQuickWindow>

class TestE2eNotifications : public QObject
{
    Q_OBJECT

private slots:
    void aProposalIsCountedAndShownOnTheDesktop();
};

void TestE2eNotifications::aProposalIsCountedAndShownOnTheDesktop()
{
    NotificationDesktop desktop;
    if (!desktop.error.isEmpty())
        QSKIP(qPrintable(desktop.error));
    desktop.useAsSessionBus();
    SandboxProcess sandbox;
    QCOMPARE(prepareEndToEnd(sandbox), QString());
    ClientSession client(sandbox.origin());
    // The demo client's unread notifications are marked read first: the count starts at none.
    STEPS(client,
          {"#client@velto.test", "tab_Notifications", "markAllReadButton",
           "tab_Notifications:Notifications", "tab_Discover"});
    client.item(u"HomeView"_s)
        ->findChild<QObject *>(u"unreadTimer"_s)
        ->setProperty("interval", 300);

    // Behind another window, the freelancer proposes on the client's newest open project.
    client.leave();
    SandboxClient freelancer(sandbox.port());
    QCOMPARE(freelancer.login(demoAccount(u"freelancer@velto.test"_s)).status, 200);
    const qint64 project = freelancer.get(u"api/projects"_s).id(u"projects.0"_s);
    QCOMPARE(
        freelancer
            .post(u"api/projects/%1/proposals"_s.arg(project),
                  {{u"coverLetter"_s, u"I review checkouts with NVDA and the keyboard alone."_s},
                   {u"amount"_s, u"9000"_s},
                   {u"durationDays"_s, 5}})
            .status,
        201);
    STEPS(client, {"tab_Notifications:Notifications (1)"});
    QTRY_COMPARE(desktop.calls.size(), 1);
    QCOMPARE(desktop.calls.first().summary, u"New proposal"_s);

    // Raised and activated; the offscreen platform cannot raise a window, and says so.
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
    desktop.invoke(desktop.calls.first().id);
    STEPS(client, {"@NotificationsView"});
    QTRY_VERIFY(client.window()->isActive());
}

QTEST_MAIN(TestE2eNotifications)
#include "tst_e2e_notifications.moc"
