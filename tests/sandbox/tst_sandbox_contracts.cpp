// Contracts on velto-sandbox: the list the contracts view reads, the milestone workflow (fund from
// the wallet, deliver, revision, accept and pay, contract completion), funding that needs the web
// (`razorpay`), disputes, work screenshots of an active hourly contract, the authorization matrix
// and bad input.

#include "marketfixtures.h"
#include "money.h"
#include "server.h"
#include "storage.h"

#include <QJsonArray>
#include <QtTest>

class TestSandboxContracts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void listCarriesWhatTheViewReads();
    void milestoneWorkflowPaysTheFreelancer();
    void fundingBeyondTheWalletAnswersRazorpay();
    void disputesFromFundedOrDelivered();
    void workScreenshotsOfAnActiveHourlyContract();
    void workScreenshotRefusals_data();
    void workScreenshotRefusals();
    void authorizationMatrix();
    void badInput();

private:
    QString milestoneStatus(qint64 contractId, int index);

    std::unique_ptr<SandboxServer> server;
    Person client, freelancer, otherClient, otherFreelancer;
    QJsonObject hourly;
};

void TestSandboxContracts::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    client = newPerson(*server, QStringLiteral("client"));
    freelancer = newPerson(*server, QStringLiteral("freelancer"));
    otherClient = newPerson(*server, QStringLiteral("client"));
    otherFreelancer = newPerson(*server, QStringLiteral("freelancer"));
    topUp(*server, client.id, 200000);
    topUp(*server, otherClient.id, 200000);
    hourly = makeContract(*client, *freelancer, QStringLiteral("hourly"), {5000});
    QVERIFY(!hourly.isEmpty());
}

QString TestSandboxContracts::milestoneStatus(qint64 contractId, int index)
{
    return contractOf(*client, contractId)
        .value(QStringLiteral("milestones"))
        .toArray()
        .at(index)
        .toObject()
        .value(QStringLiteral("status"))
        .toString();
}

void TestSandboxContracts::listCarriesWhatTheViewReads()
{
    // The demo client's seeded contracts: a fixed one with a milestone in every state, an active
    // and a completed hourly one, and a milestone beyond the client's wallet.
    Person demo = demoPerson(*server, SandboxClient::ClientEmail, SandboxClient::ClientPassword);
    const HttpResult r = demo->get(QStringLiteral("api/contracts"));
    QCOMPARE(r.status, 200);
    QSet<QString> states, contractStates;
    bool hourlyActive = false, beyondWallet = false;
    const qint64 wallet = Money::balance(server->storage(), demo.id);
    int submitted = 0;
    for (const QJsonValue &v : r.list(QStringLiteral("contracts"))) {
        const QJsonObject c = v.toObject();
        QVERIFY(c.value(QStringLiteral("id")).isDouble());
        QVERIFY(!c.value(QStringLiteral("project_title")).toString().isEmpty());
        QVERIFY(!c.value(QStringLiteral("status")).toString().isEmpty());
        QVERIFY(QStringList({"fixed", "hourly"})
                    .contains(c.value(QStringLiteral("contract_type")).toString()));
        QVERIFY(c.value(QStringLiteral("total_paise")).toInteger() > 0);
        contractStates.insert(c.value(QStringLiteral("status")).toString());
        hourlyActive = hourlyActive
            || (c.value(QStringLiteral("contract_type")).toString() == QLatin1String("hourly")
                && c.value(QStringLiteral("status")).toString() == QLatin1String("active"));
        for (const QJsonValue &m : c.value(QStringLiteral("milestones")).toArray()) {
            const QJsonObject o = m.toObject();
            QVERIFY(o.value(QStringLiteral("id")).isDouble());
            QVERIFY(!o.value(QStringLiteral("title")).toString().isEmpty());
            QVERIFY(o.value(QStringLiteral("amount_paise")).toInteger() > 0);
            states.insert(o.value(QStringLiteral("status")).toString());
            beyondWallet = beyondWallet
                || (o.value(QStringLiteral("status")).toString()
                        == QLatin1String("awaiting_funding")
                    && o.value(QStringLiteral("amount_paise")).toInteger() > wallet);
        }
        for (const QJsonValue &d : c.value(QStringLiteral("deliverables")).toArray()) {
            const QJsonObject o = d.toObject();
            QVERIFY(o.value(QStringLiteral("id")).isDouble());
            QVERIFY(o.value(QStringLiteral("summary")).isString());
            submitted += o.value(QStringLiteral("status")).toString() == QLatin1String("submitted");
        }
    }
    QVERIFY(hourlyActive);
    QVERIFY(beyondWallet);
    QVERIFY(contractStates.contains(QStringLiteral("completed")));
    QVERIFY(submitted >= 1);
    for (const char *s : {"awaiting_funding", "funded", "delivered", "paid", "disputed"})
        QVERIFY2(states.contains(QLatin1String(s)), s);

    // Each side sees its own contracts only.
    const qint64 id = hourly.value(QStringLiteral("id")).toInteger();
    QVERIFY(!contractOf(*freelancer, id).isEmpty());
    QVERIFY(contractOf(*otherClient, id).isEmpty());
    QVERIFY(contractOf(*otherFreelancer, id).isEmpty());
    QVERIFY(contractOf(*demo, id).isEmpty());
}

void TestSandboxContracts::milestoneWorkflowPaysTheFreelancer()
{
    const QJsonObject contract
        = makeContract(*client, *freelancer, QStringLiteral("fixed"), {3000, 2000});
    const qint64 contractId = contract.value(QStringLiteral("id")).toInteger();
    const qint64 first = milestoneId(contract, 0);
    const qint64 second = milestoneId(contract, 1);
    QCOMPARE(milestoneStatus(contractId, 0), QStringLiteral("awaiting_funding"));
    const qint64 clientStart = balance(*server, client.id);
    const qint64 freelancerStart = balance(*server, freelancer.id);

    const HttpResult funded
        = client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(first));
    QCOMPARE(funded.status, 200);
    QVERIFY(!funded.json.value(QStringLiteral("razorpay")).toBool());
    QCOMPARE(milestoneStatus(contractId, 0), QStringLiteral("funded"));
    QCOMPARE(balance(*server, client.id), clientStart - 300000);
    QVERIFY(Money::isHeld(server->storage(), Money::Escrow::Milestone, first));
    // Funding twice is refused and takes nothing more.
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(first)).status,
             409);
    QCOMPARE(balance(*server, client.id), clientStart - 300000);

    const HttpResult delivered
        = freelancer->post(QStringLiteral("api/milestones/%1/deliverables").arg(first),
                           {{QStringLiteral("summary"), QStringLiteral("First milestone done")},
                            {QStringLiteral("artifactUrl"), QStringLiteral("")}});
    QCOMPARE(delivered.status, 201);
    const qint64 deliverable
        = delivered.object(QStringLiteral("deliverable")).value(QStringLiteral("id")).toInteger();
    QCOMPARE(
        delivered.object(QStringLiteral("deliverable")).value(QStringLiteral("status")).toString(),
        QStringLiteral("submitted"));
    QCOMPARE(milestoneStatus(contractId, 0), QStringLiteral("delivered"));

    // A revision sends the milestone back to funded; the escrow stays.
    QCOMPARE(client
                 ->post(QStringLiteral("api/deliverables/%1/revision").arg(deliverable),
                        {{QStringLiteral("feedback"), QStringLiteral("Please add the tests")}})
                 .status,
             200);
    QCOMPARE(milestoneStatus(contractId, 0), QStringLiteral("funded"));
    QVERIFY(Money::isHeld(server->storage(), Money::Escrow::Milestone, first));
    // The returned delivery can no longer be accepted.
    QCOMPARE(client->post(QStringLiteral("api/deliverables/%1/accept").arg(deliverable)).status,
             409);

    const HttpResult again = freelancer->post(
        QStringLiteral("api/milestones/%1/deliverables").arg(first),
        {{QStringLiteral("summary"), QStringLiteral("Now with the tests")},
         {QStringLiteral("artifactUrl"), QStringLiteral("https://example.com/build.zip")}});
    QCOMPARE(again.status, 201);
    const qint64 second_delivery
        = again.object(QStringLiteral("deliverable")).value(QStringLiteral("id")).toInteger();
    QCOMPARE(client->post(QStringLiteral("api/deliverables/%1/accept").arg(second_delivery)).status,
             200);
    QCOMPARE(milestoneStatus(contractId, 0), QStringLiteral("paid"));
    QCOMPARE(balance(*server, freelancer.id), freelancerStart + 300000);
    QVERIFY(!Money::isHeld(server->storage(), Money::Escrow::Milestone, first));
    QCOMPARE(client->post(QStringLiteral("api/deliverables/%1/accept").arg(second_delivery)).status,
             409);
    QCOMPARE(balance(*server, freelancer.id), freelancerStart + 300000);
    QCOMPARE(contractOf(*client, contractId).value(QStringLiteral("status")).toString(),
             QStringLiteral("active"));

    // Paying the last milestone completes the contract.
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(second)).status,
             200);
    const HttpResult last
        = freelancer->post(QStringLiteral("api/milestones/%1/deliverables").arg(second),
                           {{QStringLiteral("summary"), QStringLiteral("Second milestone done")},
                            {QStringLiteral("artifactUrl"), QStringLiteral("")}});
    QCOMPARE(client
                 ->post(QStringLiteral("api/deliverables/%1/accept")
                            .arg(last.object(QStringLiteral("deliverable"))
                                     .value(QStringLiteral("id"))
                                     .toInteger()))
                 .status,
             200);
    QCOMPARE(contractOf(*client, contractId).value(QStringLiteral("status")).toString(),
             QStringLiteral("completed"));
    QCOMPARE(balance(*server, freelancer.id), freelancerStart + 500000);
    QCOMPARE(balance(*server, client.id), clientStart - 500000);

    // Notifications on the events each side expects.
    QVERIFY(freelancer->notificationKinds().contains(QStringLiteral("milestone_funded")));
    QVERIFY(freelancer->notificationKinds().contains(QStringLiteral("payment_released")));
    QVERIFY(client->notificationKinds().contains(QStringLiteral("delivery_submitted")));
}

void TestSandboxContracts::fundingBeyondTheWalletAnswersRazorpay()
{
    Person poor = newPerson(*server, QStringLiteral("client"));
    topUp(*server, poor.id, 100);
    const QJsonObject contract = makeContract(*poor, *freelancer, QStringLiteral("fixed"), {2500});
    const qint64 milestone = milestoneId(contract, 0);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r
        = poor->post(QStringLiteral("api/milestones/%1/funding-intents").arg(milestone));
    QCOMPARE(r.status, 200);
    QVERIFY(r.json.value(QStringLiteral("razorpay")).isObject());
    QVERIFY(r.json.value(QStringLiteral("razorpay"))
                .toObject()
                .value(QStringLiteral("order_id"))
                .isString());
    QCOMPARE(r.json.value(QStringLiteral("razorpay"))
                 .toObject()
                 .value(QStringLiteral("amount_paise"))
                 .toInteger(),
             250000);
    QCOMPARE(databaseFingerprint(*server), before);
    QCOMPARE(contractOf(*poor, contract.value(QStringLiteral("id")).toInteger())
                 .value(QStringLiteral("milestones"))
                 .toArray()
                 .at(0)
                 .toObject()
                 .value(QStringLiteral("status"))
                 .toString(),
             QStringLiteral("awaiting_funding"));
    QCOMPARE(balance(*server, poor.id), 10000);
}

void TestSandboxContracts::disputesFromFundedOrDelivered()
{
    const QJsonObject contract
        = makeContract(*client, *freelancer, QStringLiteral("fixed"), {1000, 1200});
    const qint64 contractId = contract.value(QStringLiteral("id")).toInteger();
    const qint64 first = milestoneId(contract, 0);
    const qint64 second = milestoneId(contract, 1);
    const QJsonObject body {{QStringLiteral("reason"), QStringLiteral("The scope has changed")},
                            {QStringLiteral("evidence"), QStringLiteral("The scope has changed")}};

    // Not before funding.
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/disputes").arg(first), body).status,
             409);
    // The freelancer disputes a funded milestone.
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(first)).status,
             200);
    const qint64 held = Money::totalHeld(server->storage());
    const HttpResult opened
        = freelancer->post(QStringLiteral("api/milestones/%1/disputes").arg(first), body);
    QCOMPARE(opened.status, 201);
    QCOMPARE(opened.object(QStringLiteral("dispute")).value(QStringLiteral("reason")).toString(),
             QStringLiteral("The scope has changed"));
    QCOMPARE(milestoneStatus(contractId, 0), QStringLiteral("disputed"));
    QCOMPARE(Money::totalHeld(server->storage()), held); // escrow kept
    // A disputed milestone takes no delivery and no second dispute.
    QCOMPARE(freelancer
                 ->post(QStringLiteral("api/milestones/%1/deliverables").arg(first),
                        {{QStringLiteral("summary"), QStringLiteral("Delivered anyway")}})
                 .status,
             409);
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/disputes").arg(first), body).status,
             409);

    // The client disputes a delivered milestone; its delivery is no longer pending.
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(second)).status,
             200);
    const HttpResult d
        = freelancer->post(QStringLiteral("api/milestones/%1/deliverables").arg(second),
                           {{QStringLiteral("summary"), QStringLiteral("Second one done")},
                            {QStringLiteral("artifactUrl"), QStringLiteral("")}});
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/disputes").arg(second), body).status,
             201);
    QCOMPARE(milestoneStatus(contractId, 1), QStringLiteral("disputed"));
    QCOMPARE(client
                 ->post(QStringLiteral("api/deliverables/%1/accept")
                            .arg(d.object(QStringLiteral("deliverable"))
                                     .value(QStringLiteral("id"))
                                     .toInteger()))
                 .status,
             409);
}

void TestSandboxContracts::workScreenshotsOfAnActiveHourlyContract()
{
    const qint64 contractId = hourly.value(QStringLiteral("id")).toInteger();
    const qint64 before = rowCount(*server, QStringLiteral("work_screenshots"));
    // The view sends the id as text; a number works too.
    const HttpResult r
        = freelancer->post(QStringLiteral("api/work-screenshots"),
                           {{QStringLiteral("contractId"), QString::number(contractId)},
                            {QStringLiteral("thumbnailData"), jpegDataUrl()}});
    QCOMPARE(r.status, 201);
    QCOMPARE(freelancer
                 ->post(QStringLiteral("api/work-screenshots"),
                        {{QStringLiteral("contractId"), contractId},
                         {QStringLiteral("thumbnailData"), jpegDataUrl()}})
                 .status,
             201);
    QCOMPARE(rowCount(*server, QStringLiteral("work_screenshots")), before + 2);
    const QString stored
        = server->storage()
              .scalar(
                  QStringLiteral("SELECT thumbnail_data FROM work_screenshots "
                                 "WHERE id = ?"),
                  {r.object(QStringLiteral("screenshot")).value(QStringLiteral("id")).toInteger()})
              .toString();
    QCOMPARE(stored, jpegDataUrl());

    // Not for a fixed contract, nor for one that is no longer active.
    const QJsonObject fixed = makeContract(*client, *freelancer, QStringLiteral("fixed"), {1000});
    const HttpResult onFixed = freelancer->post(
        QStringLiteral("api/work-screenshots"),
        {{QStringLiteral("contractId"), fixed.value(QStringLiteral("id")).toInteger()},
         {QStringLiteral("thumbnailData"), jpegDataUrl()}});
    QCOMPARE(onFixed.status, 409);
    QVERIFY(!onFixed.error().isEmpty());
    const QJsonObject ended = makeContract(*client, *freelancer, QStringLiteral("hourly"), {1000});
    {
        Storage::Transaction t(server->storage());
        server->storage().change(
            QStringLiteral("UPDATE contracts SET status = 'completed' WHERE id = ?"),
            {ended.value(QStringLiteral("id")).toInteger()});
        t.commit();
    }
    QCOMPARE(
        freelancer
            ->post(QStringLiteral("api/work-screenshots"),
                   {{QStringLiteral("contractId"), ended.value(QStringLiteral("id")).toInteger()},
                    {QStringLiteral("thumbnailData"), jpegDataUrl()}})
            .status,
        409);
}

void TestSandboxContracts::workScreenshotRefusals_data()
{
    QTest::addColumn<QJsonValue>("data");
    const QString payload = jpegDataUrl().mid(int(qstrlen("data:image/jpeg;base64,")));
    const QString png = QString::fromLatin1(QByteArray::fromHex("89504e470d0a1a0a0000").toBase64());
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("empty") << QJsonValue(QString());
    QTest::newRow("a number") << QJsonValue(7);
    QTest::newRow("png data url") << QJsonValue(QStringLiteral("data:image/png;base64,") + png);
    QTest::newRow("jpeg prefix, png bytes")
        << QJsonValue(QStringLiteral("data:image/jpeg;base64,") + png);
    QTest::newRow("no prefix") << QJsonValue(payload);
    QTest::newRow("prefix only") << QJsonValue(QStringLiteral("data:image/jpeg;base64,"));
    QTest::newRow("not base64") << QJsonValue(QStringLiteral("data:image/jpeg;base64,/9j/4AAQ*!!"));
    QTest::newRow("line breaks") << QJsonValue(QStringLiteral("data:image/jpeg;base64,")
                                               + payload.left(8) + QLatin1Char('\n')
                                               + payload.mid(8));
    QTest::newRow("upper-case prefix")
        << QJsonValue(QStringLiteral("DATA:IMAGE/JPEG;BASE64,") + payload);
    QTest::newRow("sql") << QJsonValue(
        QStringLiteral("data:image/jpeg;base64,'); DROP TABLE work_screenshots;--"));
}

void TestSandboxContracts::workScreenshotRefusals()
{
    QFETCH(QJsonValue, data);
    QJsonObject body {
        {QStringLiteral("contractId"), hourly.value(QStringLiteral("id")).toInteger()}};
    if (!data.isUndefined())
        body.insert(QStringLiteral("thumbnailData"), data);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = freelancer->post(QStringLiteral("api/work-screenshots"), body);
    QCOMPARE(r.status, 400);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxContracts::authorizationMatrix()
{
    const QJsonObject contract
        = makeContract(*client, *freelancer, QStringLiteral("fixed"), {1000, 1000});
    const qint64 awaiting = milestoneId(contract, 0);
    const qint64 funded = milestoneId(contract, 1);
    QCOMPARE(client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(funded)).status,
             200);
    // A delivery waiting for a decision, on a contract of its own.
    const QJsonObject other = makeContract(*client, *freelancer, QStringLiteral("fixed"), {1000});
    const qint64 deliveredMilestone = milestoneId(other, 0);
    QCOMPARE(
        client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(deliveredMilestone))
            .status,
        200);
    const qint64 deliverable
        = freelancer
              ->post(QStringLiteral("api/milestones/%1/deliverables").arg(deliveredMilestone),
                     {{QStringLiteral("summary"), QStringLiteral("Work for review")},
                      {QStringLiteral("artifactUrl"), QStringLiteral("")}})
              .object(QStringLiteral("deliverable"))
              .value(QStringLiteral("id"))
              .toInteger();
    QVERIFY(deliverable);

    const QJsonObject summary {{QStringLiteral("summary"), QStringLiteral("Summary long enough")},
                               {QStringLiteral("artifactUrl"), QStringLiteral("")}};
    const QJsonObject dispute {{QStringLiteral("reason"), QStringLiteral("Reason long enough")},
                               {QStringLiteral("evidence"), QStringLiteral("Reason long enough")}};
    const QJsonObject feedback {
        {QStringLiteral("feedback"), QStringLiteral("Feedback long enough")}};
    const QJsonObject shot {
        {QStringLiteral("contractId"), hourly.value(QStringLiteral("id")).toInteger()},
        {QStringLiteral("thumbnailData"), jpegDataUrl()}};
    SandboxClient anonymous(server->port());
    const QString fund = QStringLiteral("api/milestones/%1/funding-intents").arg(awaiting);
    const QString deliver = QStringLiteral("api/milestones/%1/deliverables").arg(funded);
    const QString disputes = QStringLiteral("api/milestones/%1/disputes").arg(funded);
    const QString accept = QStringLiteral("api/deliverables/%1/accept").arg(deliverable);
    const QString revision = QStringLiteral("api/deliverables/%1/revision").arg(deliverable);
    const QList<RefusedPost> cases = {
        {"freelancer funds", freelancer.http.get(), fund, {}, 403},
        {"other client funds", otherClient.http.get(), fund, {}, 404},
        {"nobody funds", &anonymous, fund, {}, 401},
        {"client delivers", client.http.get(), deliver, summary, 403},
        {"other freelancer delivers", otherFreelancer.http.get(), deliver, summary, 404},
        {"other client disputes", otherClient.http.get(), disputes, dispute, 404},
        {"other freelancer disputes", otherFreelancer.http.get(), disputes, dispute, 404},
        {"freelancer accepts", freelancer.http.get(), accept, {}, 403},
        {"other client accepts", otherClient.http.get(), accept, {}, 404},
        {"freelancer returns", freelancer.http.get(), revision, feedback, 403},
        {"other client returns", otherClient.http.get(), revision, feedback, 404},
        {"client uploads screenshot", client.http.get(), QStringLiteral("api/work-screenshots"),
         shot, 403},
        {"other freelancer uploads screenshot", otherFreelancer.http.get(),
         QStringLiteral("api/work-screenshots"), shot, 404},
        {"nobody uploads screenshot", &anonymous, QStringLiteral("api/work-screenshots"), shot,
         401},
    };
    const QByteArray before = databaseFingerprint(*server);
    const QString wrong = postRefusals(cases);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QCOMPARE(databaseFingerprint(*server), before);
    QCOMPARE(anonymous.get(QStringLiteral("api/contracts")).status, 401);
}

void TestSandboxContracts::badInput()
{
    const QJsonObject contract
        = makeContract(*client, *freelancer, QStringLiteral("fixed"), {1000});
    const qint64 milestone = milestoneId(contract, 0);
    QCOMPARE(
        client->post(QStringLiteral("api/milestones/%1/funding-intents").arg(milestone)).status,
        200);
    const QString deliver = QStringLiteral("api/milestones/%1/deliverables").arg(milestone);
    struct Case
    {
        const char *name;
        SandboxClient *who;
        QString path;
        QByteArray body;
        int status;
    };
    const QList<Case> cases = {
        {"summary of 9", freelancer.http.get(), deliver,
         R"({"summary":"  123456789 ","artifactUrl":""})", 400},
        {"summary missing", freelancer.http.get(), deliver, R"({"artifactUrl":""})", 400},
        {"summary a list", freelancer.http.get(), deliver, R"({"summary":["a"]})", 400},
        {"artifact not a link", freelancer.http.get(), deliver,
         R"({"summary":"Summary long enough","artifactUrl":"javascript:alert"})", 400},
        {"dispute reason of 9", client.http.get(),
         QStringLiteral("api/milestones/%1/disputes").arg(milestone),
         R"({"reason":"123456789","evidence":""})", 400},
        {"malformed json", freelancer.http.get(), deliver, R"({"summary":)", 400},
        {"non-numeric milestone", freelancer.http.get(),
         QStringLiteral("api/milestones/abc/deliverables"), R"({"summary":"Summary long enough"})",
         404},
        {"unknown milestone", client.http.get(),
         QStringLiteral("api/milestones/99999999/funding-intents"), "{}", 404},
        {"non-numeric deliverable", client.http.get(), QStringLiteral("api/deliverables/1x/accept"),
         "{}", 404},
        {"negative deliverable", client.http.get(), QStringLiteral("api/deliverables/-4/revision"),
         R"({"feedback":"Feedback long enough"})", 404},
        {"contractId text", freelancer.http.get(), QStringLiteral("api/work-screenshots"),
         R"({"contractId":"1 OR 1=1","thumbnailData":""})", 400},
        {"contractId missing", freelancer.http.get(), QStringLiteral("api/work-screenshots"),
         R"({"thumbnailData":""})", 400},
    };
    const QByteArray before = databaseFingerprint(*server);
    for (const Case &c : cases) {
        const HttpResult r = c.who->send("POST", c.path, c.body);
        QVERIFY2(r.status == c.status,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name)).arg(r.status)));
        QVERIFY2(!r.error().isEmpty(), c.name);
    }
    QCOMPARE(databaseFingerprint(*server), before);

    // Text fields keep what was typed, quotes and all.
    const QString evil = QStringLiteral("Robert'); DROP TABLE milestones; --");
    const HttpResult ok = freelancer->post(
        deliver,
        {{QStringLiteral("summary"), evil}, {QStringLiteral("artifactUrl"), QStringLiteral("")}});
    QCOMPARE(ok.status, 201);
    const QJsonArray deliverables
        = contractOf(*client, contract.value(QStringLiteral("id")).toInteger())
              .value(QStringLiteral("deliverables"))
              .toArray();
    QCOMPARE(deliverables.last().toObject().value(QStringLiteral("summary")).toString(), evil);
    QVERIFY(rowCount(*server, QStringLiteral("milestones")) > 0);
}

QTEST_GUILESS_MAIN(TestSandboxContracts)
#include "tst_sandbox_contracts.moc"
