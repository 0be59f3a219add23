#include "sandboxtest.h"

class TestSandboxContracts : public SandboxTest
{
    Q_OBJECT

private slots:
    void draftPublishProposeAccept();
    void milestonesFromFundingToPayment();
    void disputesFromFundedOrDelivered();
    void workScreenshotsOfAnActiveHourlyContract();

private:
    QJsonObject project(const char *change = "{}")
    {
        return merged(R"({"title": "  Port a tool to Qt 6  ", "budget": "30000",
            "description": "A description that is comfortably longer than thirty characters.",
            "requiredSkills": [" Qt ", "C++", "Qt"], "projectType": "hourly"})"_json,
                      change);
    }
    HttpResult propose(SandboxClient &who, qint64 project, int rupees = 5000)
    {
        return who.post(u"api/projects/%1/proposals"_s.arg(project),
                        json(uR"({"amount": "%1",
            "coverLetter": "A cover letter comfortably longer than thirty.", "durationDays": 20})"_s
                                 .arg(rupees)));
    }
    HttpResult accept(SandboxClient &who, qint64 proposal, const QString &milestones)
    {
        return who.post(u"api/proposals/%1/accept"_s.arg(proposal),
                        json(u"{\"milestones\": %1}"_s.arg(milestones)));
    }
    // A milestone's or a deliverable's action; each reads its own members of one body.
    HttpResult act(SandboxClient &who, const char *action, qint64 id, const char *url = "")
    {
        QJsonObject body = R"({"summary": "The work is done", "reason": "The scope has changed",
            "feedback": "Please add the tests too"})"_json;
        body.insert(u"artifactUrl"_s, QLatin1String(url));
        const bool decision = qstrcmp(action, "accept") == 0 || qstrcmp(action, "revision") == 0;
        const QString on = decision ? u"deliverables"_s : u"milestones"_s;
        return who.post(u"api/%1/%2/"_s.arg(on).arg(id) + QLatin1String(action), body);
    }
    QString listed(const QJsonObject &contract, const QString &path)
    {
        const QJsonObject row
            = otherClient->get(u"api/contracts"_s).row(u"contracts"_s, contract[u"id"_s]);
        return jsonAt(row, path).toVariant().toString();
    }
    HttpResult screenshot(SandboxClient &who, const QJsonValue &contract, const QString &data)
    {
        return who.post(u"api/work-screenshots"_s,
                        {{u"contractId"_s, contract}, {u"thumbnailData"_s, data}});
    }
};

void TestSandboxContracts::draftPublishProposeAccept()
{
    const qint64 id = client->post(u"api/projects"_s, project()).id(u"project"_s);
    const QString path = u"api/projects/%1"_s.arg(id);
    const QJsonObject draft = client->get(u"api/my/projects"_s).row(u"projects"_s, id);
    QCOMPARE(draft[u"status"_s].toString(), u"draft"_s);
    QCOMPARE(draft[u"required_skills"_s].toArray(), (QJsonArray {u"Qt"_s, u"C++"_s}));
    auto offered
        = [&] { return !freelancer->get(u"api/projects"_s).row(u"projects"_s, id).isEmpty(); };
    QVERIFY(!offered());
    QCOMPARE(propose(*freelancer, id).status, 404);
    for (const char *refused : {R"({"requiredSkills": [1]})", R"({"projectType": "weekly"})"})
        QVERIFY2(client->post(u"api/projects"_s, project(refused)).status == 400, refused);
    QCOMPARE(client->post(path + u"/publish"_s).text(u"project.status"_s), u"open"_s);
    QCOMPARE(client->post(path + u"/publish"_s).status, 200); // again: no change
    QVERIFY(offered());

    const qint64 mine = propose(*freelancer, id, 28000).id(u"proposal"_s);
    QCOMPARE(propose(*freelancer, id).status, 409); // one proposal per freelancer
    QCOMPARE(propose(*otherFreelancer, id, 26000).status, 201);
    QCOMPARE(client->notificationKinds().mid(0, 2), QStringList(2, u"proposal_received"_s));

    for (const char *refused : {
             "[]", R"([{"amount": "1"}, {"amount": "1"}, {"amount": "1"}])", "[1]",
             R"([{"title": "No amount"}])", R"("M")",
             R"([{"amount": "100"}, {"amount": "0"}])", // refused by the money rule
         })
        QVERIFY2(accept(*client, mine, QString::fromLatin1(refused)).status == 400, refused);
    const qint64 wallets = Money::totalInWallets(server->storage());
    const QString milestones = uR"([{"title": "  ", "amount": "10000"},
                                    {"title": "Build", "amount": "18000"}])"_s;
    const HttpResult contract = accept(*client, mine, milestones);
    QCOMPARE(contract.text(u"contract.milestones.0.title"_s), u"Milestone 1"_s); // untitled
    QCOMPARE(contract.text(u"contract.contract_type"_s), u"hourly"_s); // the project's type
    QCOMPARE(contract.number(u"contract.total_paise"_s), 2800000);
    QCOMPARE(Money::totalInWallets(server->storage()), wallets);
    QCOMPARE(freelancer->notificationKinds().value(0), u"contract_created"_s);

    const HttpResult after = client->get(path + u"/proposals"_s);
    QCOMPARE(after.text(u"proposals.0.status"_s), u"accepted"_s);
    QCOMPARE(after.text(u"proposals.1.status"_s), u"declined"_s);
    QVERIFY(!offered());
    QCOMPARE(accept(*client, mine, milestones).status, 409);
    QCOMPARE(propose(*newPerson(u"freelancer"_s), id).status, 409);
    QCOMPARE(client->post(path + u"/publish"_s).status, 409);
}

void TestSandboxContracts::milestonesFromFundingToPayment()
{
    SandboxClient &buyer = *otherClient, &seller = *otherFreelancer;
    topUp(buyer, 5000);
    const QJsonObject contract = makeContract(buyer, seller, u"fixed"_s, {3000, 2000});
    const qint64 first = jsonAt(contract, u"milestones.0.id"_s).toInteger(),
                 second = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    const qint64 buyerStart = buyer.balance(), sellerStart = seller.balance();
    QVERIFY(act(buyer, "funding-intents", first).flag(u"funded"_s));
    QCOMPARE(act(buyer, "funding-intents", first).status, 409); // once
    QCOMPARE(buyer.balance(), buyerStart - 300000);
    QCOMPARE(act(seller, "deliverables", first, "javascript:alert(1)").status, 400); // links only
    const qint64 returned = act(seller, "deliverables", first).id(u"deliverable"_s);
    QCOMPARE(listed(contract, u"milestones.0.status"_s), u"delivered"_s);
    QCOMPARE(act(buyer, "revision", returned).status, 200);
    QCOMPARE(act(buyer, "accept", returned).status, 409);
    const qint64 accepted
        = act(seller, "deliverables", first, "https://example.com/b.zip").id(u"deliverable"_s);
    QCOMPARE(act(buyer, "accept", accepted).status, 200);
    QCOMPARE(act(buyer, "accept", accepted).status, 409); // paid once
    QCOMPARE(listed(contract, u"milestones.0.status"_s), u"paid"_s);
    QCOMPARE(seller.balance(), sellerStart + 300000);
    QCOMPARE(listed(contract, u"status"_s), u"active"_s);
    QCOMPARE(seller.notificationKinds().mid(0, 3),
             (QStringList {u"payment_released"_s, u"revision_requested"_s, u"milestone_funded"_s}));
    QCOMPARE(buyer.notificationKinds().value(0), u"delivery_submitted"_s);

    QCOMPARE(act(buyer, "funding-intents", second).status, 200);
    const qint64 last = act(seller, "deliverables", second).id(u"deliverable"_s);
    QCOMPARE(act(buyer, "accept", last).status, 200);
    QCOMPARE(listed(contract, u"status"_s), u"completed"_s);
    QCOMPARE(seller.balance(), sellerStart + 500000);
    QCOMPARE(buyer.balance(), buyerStart - 500000);
}

void TestSandboxContracts::disputesFromFundedOrDelivered()
{
    SandboxClient &buyer = *otherClient, &seller = *otherFreelancer;
    topUp(buyer, 2200);
    const QJsonObject contract = makeContract(buyer, seller, u"fixed"_s, {1000, 1200});
    const qint64 first = jsonAt(contract, u"milestones.0.id"_s).toInteger(),
                 second = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    QCOMPARE(act(buyer, "disputes", first).status, 409); // nothing to dispute before funding
    QCOMPARE(act(buyer, "funding-intents", first).status, 200);
    const qint64 held = Money::totalHeld(server->storage());
    QCOMPARE(act(seller, "disputes", first).text(u"dispute.reason"_s), u"The scope has changed"_s);
    QCOMPARE(listed(contract, u"milestones.0.status"_s), u"disputed"_s);
    QCOMPARE(Money::totalHeld(server->storage()), held); // the escrow waits for the outcome
    QCOMPARE(buyer.notificationKinds().value(0), u"dispute_opened"_s);
    QCOMPARE(act(seller, "deliverables", first).status, 409);
    QCOMPARE(act(buyer, "disputes", first).status, 409); // once
    // A delivered milestone: its delivery no longer waits for a decision.
    QCOMPARE(act(buyer, "funding-intents", second).status, 200);
    const qint64 delivery = act(seller, "deliverables", second).id(u"deliverable"_s);
    QCOMPARE(act(buyer, "disputes", second).status, 201);
    QCOMPARE(act(buyer, "accept", delivery).status, 409);
}

void TestSandboxContracts::workScreenshotsOfAnActiveHourlyContract()
{
    SandboxClient &buyer = *otherClient, &seller = *otherFreelancer;
    const QJsonObject contract = makeContract(buyer, seller, u"hourly"_s, {5000});
    const qint64 hourly = contract[u"id"_s].toInteger();
    // The view sends the id as text (numbers below); the data URL is stored as sent.
    QCOMPARE(screenshot(seller, QString::number(hourly), jpegDataUrl()).status, 201);
    const QString sql = u"SELECT thumbnail_data FROM work_screenshots ORDER BY id DESC"_s;
    QCOMPARE(server->storage().scalar(sql).toString(), jpegDataUrl());
    QCOMPARE(listed(contract, u"screenshots_count"_s), u"1"_s);
    for (int i = 1; i < 10; ++i)
        QCOMPARE(screenshot(seller, hourly, jpegDataUrl()).status, 201);
    QCOMPARE(screenshot(seller, hourly, jpegDataUrl()).status, 429); // ten in ten minutes
    server->storage().change(u"UPDATE work_screenshots SET created_at = '2000-01-01T00:00:00Z'"_s);
    QCOMPARE(screenshot(seller, hourly, jpegDataUrl()).status, 201);
    QCOMPARE(screenshot(*freelancer, hourly, jpegDataUrl()).status, 404); // not their contract
    const QJsonObject fixed = makeContract(buyer, seller, u"fixed"_s, {1000});
    QCOMPARE(screenshot(seller, fixed[u"id"_s], jpegDataUrl()).status, 409);
    server->storage().change(u"UPDATE contracts SET status = 'completed' WHERE id = ?"_s, {hourly});
    QCOMPARE(screenshot(seller, hourly, jpegDataUrl()).status, 409);
}

QTEST_GUILESS_MAIN(TestSandboxContracts)
#include "tst_sandbox_contracts.moc"
