// Project hiring end to end, in two windows against one velto-sandbox: the client posts and
// publishes a project, the freelancer finds it in Discover and bids, the client accepts with two
// milestones and funds one from the wallet, the freelancer delivers, the client accepts and the
// freelancer is paid; then ZadoZirir records a screenshot on the seeded hourly contract.
#include "clientsession.h"
#include "sandboxprocess.h"
#include "startup.h"

#include <QJsonArray>
#include <QQuickItem>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

constexpr int Patience = 20000;

// A step of a person in a window; on failure the window's own account of what went wrong.
#define STEP(session, action) QVERIFY2((session).action, qPrintable((session).lastError))

class TestE2eHiring : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        prepareApplication();
        qputenv("HOME", QFile::encodeName(home.path()));
        QString error;
        QVERIFY2(sandbox.start(&error), qPrintable(error));
    }

    void postProposeAcceptFundDeliverPayAndTrack();

private:
    // The card title of row `index` of the list the window shows.
    static QString cardTitle(ClientSession &s, const QString &card, int index)
    {
        QQuickItem *it = s.item(card + QLatin1Char('_') + QString::number(index));
        return it ? it->property("title").toString() : QString();
    }

    QTemporaryDir home;
    SandboxProcess sandbox;
};

void TestE2eHiring::postProposeAcceptFundDeliverPayAndTrack()
{
    const DemoAccount asha = demoAccount(QStringLiteral("client@velto.test"));
    const DemoAccount ravi = demoAccount(QStringLiteral("freelancer@velto.test"));
    // Both windows start before either signs in: each keeps its own session in memory.
    ClientSession client(sandbox.origin());
    ClientSession freelancer(sandbox.origin());
    STEP(client, signIn(asha.email, asha.password));
    STEP(freelancer, signIn(ravi.email, ravi.password));
    QTRY_VERIFY_WITH_TIMEOUT(!cardTitle(freelancer, u"projectCard"_s, 0).isEmpty(), Patience);
    ServiceProbe ravisBank(sandbox.origin());
    QVERIFY(ravisBank.signIn(ravi.email, ravi.password));

    // The client posts and publishes.
    const QString title = QStringLiteral("Kiosk app for a tea shop");
    STEP(client, click(u"tab_Projects"_s));
    STEP(client, click(u"postButton"_s));
    STEP(client, type(u"titleField"_s, title));
    STEP(client, type(u"descriptionFieldArea"_s, u"A Qt kiosk app for orders at the counter."_s));
    STEP(client, type(u"skillsField"_s, u"Qt, QML"_s));
    STEP(client, type(u"budgetField"_s, u"5000"_s));
    STEP(client, click(u"postDialogSubmit"_s));
    STEP(client, waitForToast(u"Project published"_s));

    // The freelancer, on Discover all along, refreshes with F5 and bids the budget.
    QVERIFY(cardTitle(freelancer, u"projectCard"_s, 0) != title);
    freelancer.key(Qt::Key_F5);
    QTRY_COMPARE_WITH_TIMEOUT(cardTitle(freelancer, u"projectCard"_s, 0), title, Patience);
    STEP(freelancer, click(u"proposeButton_0"_s));
    STEP(freelancer,
         type(u"coverLetterFieldArea"_s, u"I build Qt kiosks; one week, tested on site."_s));
    QCOMPARE(freelancer.text(u"bidField"_s), u"5000"_s);
    STEP(freelancer, click(u"proposalDialogSubmit"_s));
    STEP(freelancer, waitForToast(u"Proposal sent"_s));

    // The client accepts with two milestones: ₹3000 and ₹2000.
    QTRY_COMPARE_WITH_TIMEOUT(cardTitle(client, u"projectCard"_s, 0), title, Patience);
    STEP(client, click(u"projectCard_0"_s));
    STEP(client, click(u"acceptButton_0"_s));
    STEP(client, click(u"milestone1Amount"_s));
    client.key(Qt::Key_End);
    for (int i = 0; i < 4; ++i)
        client.key(Qt::Key_Backspace);
    STEP(client, type(u"milestone1Amount"_s, u"3000"_s));
    STEP(client, type(u"milestone2Title"_s, u"Installation"_s));
    STEP(client, type(u"milestone2Amount"_s, u"2000"_s));
    STEP(client, click(u"acceptDialogSubmit"_s));
    STEP(client, waitForToast(u"Contract created"_s));

    // The client funds the first milestone from the wallet; the freelancer delivers it.
    STEP(client, click(u"tab_Contracts"_s));
    QTRY_COMPARE_WITH_TIMEOUT(cardTitle(client, u"contractCard"_s, 0), title, Patience);
    QCOMPARE(client.text(u"milestoneMeta_0_0"_s), u"₹3000 · awaiting_funding"_s);
    STEP(client, click(u"fundButton_0_0"_s));
    STEP(client, waitForToast(u"Funded"_s));
    STEP(freelancer, click(u"tab_Contracts"_s));
    STEP(freelancer, click(u"deliverButton_0_0"_s));
    STEP(freelancer, type(u"actionTextArea"_s, u"Installed at the counter and tested."_s));
    STEP(freelancer, click(u"actionDialogSubmit"_s));
    STEP(freelancer, waitForToast(u"Done"_s));

    // The client accepts the delivery, and the freelancer's wallet grows by ₹3000.
    const qint64 before
        = ravisBank.get(u"api/wallet"_s)[u"wallet"_s][u"balance_paise"_s].toInteger();
    client.key(Qt::Key_F5);
    STEP(client, click(u"acceptButton_0_0"_s));
    STEP(client, waitForToast(u"Accepted — paid"_s));
    QCOMPARE(ravisBank.get(u"api/wallet"_s)[u"wallet"_s][u"balance_paise"_s].toInteger(),
             before + 300000);

    // ZadoZirir on the seeded hourly contract: one JPEG stored at once. The service lists how
    // many screenshots each contract has.
    auto hourly = [&ravisBank](int *index) {
        const QJsonArray contracts = ravisBank.get(u"api/contracts"_s)[u"contracts"_s].toArray();
        for (int i = 0; i < contracts.size(); ++i) {
            const QJsonObject c = contracts.at(i).toObject();
            if (c[u"project_title"_s].toString() == u"Ongoing C++ maintenance (hourly)"_s) {
                *index = i;
                return c[u"screenshots_count"_s].toInteger();
            }
        }
        return qint64(-1);
    };
    int row = -1;
    const qint64 shots = hourly(&row);
    QVERIFY(row >= 0);
    STEP(freelancer, scrollTo(u"list"_s, row));
    STEP(freelancer, click(u"zadoZirirButton_%1"_s.arg(row)));
    STEP(freelancer, waitForToast(u"ZadoZirir screenshot uploaded"_s));
    QCOMPARE(hourly(&row), shots + 1);
    QCOMPARE(freelancer.text(u"zadoZirirButton_%1"_s.arg(row)), u"⏸ Stop ZadoZirir"_s);
}

QTEST_MAIN(TestE2eHiring)
#include "tst_e2e_hiring.moc"
