// Contracts of velto-sandbox: milestones from funding to payment, disputes, work screenshots.

#include "sandboxtest.h"

class TestSandboxContracts : public SandboxTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void milestonesFromFundingToPayment();
    void disputesFromFundedOrDelivered();
    void workScreenshotsOfAnActiveHourlyContract();

private:
    // "funding-intents", "deliverables" or "disputes" on a milestone, "accept" or "revision" on a
    // deliverable; each reads its own members of one body.
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
            = buyer->get(u"api/contracts"_s).row(u"contracts"_s, contract[u"id"_s]);
        return jsonAt(row, path).toVariant().toString();
    }
    HttpResult screenshot(SandboxClient &who, const QJsonValue &contract, const QString &data)
    {
        return who.post(u"api/work-screenshots"_s,
                        {{u"contractId"_s, contract}, {u"thumbnailData"_s, data}});
    }

    SandboxClient *buyer = nullptr, *seller = nullptr;
};

void TestSandboxContracts::initTestCase()
{
    QVERIFY(startSandbox());
    buyer = otherClient.get();
    seller = otherFreelancer.get();
    topUp(*buyer, 200000);
}

void TestSandboxContracts::milestonesFromFundingToPayment()
{
    const QJsonObject contract = makeContract(*buyer, *seller, u"fixed"_s, {3000, 2000});
    const qint64 first = jsonAt(contract, u"milestones.0.id"_s).toInteger(),
                 second = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    const qint64 buyerStart = buyer->balance(), sellerStart = seller->balance();
    QVERIFY(act(*buyer, "funding-intents", first).flag(u"funded"_s));
    QCOMPARE(act(*buyer, "funding-intents", first).status, 409); // once
    QCOMPARE(buyer->balance(), buyerStart - 300000);
    QCOMPARE(act(*seller, "deliverables", first, "javascript:alert(1)").status, 400); // links only
    const qint64 returned = act(*seller, "deliverables", first).id(u"deliverable"_s);
    QCOMPARE(listed(contract, u"milestones.0.status"_s), u"delivered"_s);
    QCOMPARE(act(*buyer, "revision", returned).status, 200);
    QCOMPARE(act(*buyer, "accept", returned).status, 409);
    const qint64 accepted
        = act(*seller, "deliverables", first, "https://example.com/b.zip").id(u"deliverable"_s);
    QCOMPARE(act(*buyer, "accept", accepted).status, 200);
    QCOMPARE(act(*buyer, "accept", accepted).status, 409); // paid once
    QCOMPARE(listed(contract, u"milestones.0.status"_s), u"paid"_s);
    QCOMPARE(seller->balance(), sellerStart + 300000);
    QCOMPARE(listed(contract, u"status"_s), u"active"_s);
    QCOMPARE(seller->notificationKinds().mid(0, 3),
             (QStringList {u"payment_released"_s, u"revision_requested"_s, u"milestone_funded"_s}));
    QCOMPARE(buyer->notificationKinds().value(0), u"delivery_submitted"_s);

    QCOMPARE(act(*buyer, "funding-intents", second).status, 200);
    const qint64 last = act(*seller, "deliverables", second).id(u"deliverable"_s);
    QCOMPARE(act(*buyer, "accept", last).status, 200);
    QCOMPARE(listed(contract, u"status"_s), u"completed"_s);
    QCOMPARE(seller->balance(), sellerStart + 500000);
    QCOMPARE(buyer->balance(), buyerStart - 500000);
}

void TestSandboxContracts::disputesFromFundedOrDelivered()
{
    const QJsonObject contract = makeContract(*buyer, *seller, u"fixed"_s, {1000, 1200});
    const qint64 first = jsonAt(contract, u"milestones.0.id"_s).toInteger(),
                 second = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    QCOMPARE(act(*buyer, "disputes", first).status, 409); // nothing to dispute before funding
    QCOMPARE(act(*buyer, "funding-intents", first).status, 200);
    const qint64 held = Money::totalHeld(server->storage());
    QCOMPARE(act(*seller, "disputes", first).text(u"dispute.reason"_s), u"The scope has changed"_s);
    QCOMPARE(listed(contract, u"milestones.0.status"_s), u"disputed"_s);
    QCOMPARE(Money::totalHeld(server->storage()), held); // the escrow waits for the outcome
    QCOMPARE(buyer->notificationKinds().value(0), u"dispute_opened"_s);
    QCOMPARE(act(*seller, "deliverables", first).status, 409);
    QCOMPARE(act(*buyer, "disputes", first).status, 409); // once
    // A delivered milestone: its delivery no longer waits for a decision.
    QCOMPARE(act(*buyer, "funding-intents", second).status, 200);
    const qint64 delivery = act(*seller, "deliverables", second).id(u"deliverable"_s);
    QCOMPARE(act(*buyer, "disputes", second).status, 201);
    QCOMPARE(act(*buyer, "accept", delivery).status, 409);
}

void TestSandboxContracts::workScreenshotsOfAnActiveHourlyContract()
{
    const QJsonObject contract = makeContract(*buyer, *seller, u"hourly"_s, {5000});
    const qint64 hourly = contract[u"id"_s].toInteger();
    // The view sends the id as text (numbers below); the data URL is stored as sent.
    QCOMPARE(screenshot(*seller, QString::number(hourly), jpegDataUrl()).status, 201);
    const QString sql = u"SELECT thumbnail_data FROM work_screenshots ORDER BY id DESC"_s;
    QCOMPARE(server->storage().scalar(sql).toString(), jpegDataUrl());
    QCOMPARE(listed(contract, u"screenshots_count"_s), u"1"_s);
    for (int i = 1; i < 10; ++i)
        QCOMPARE(screenshot(*seller, hourly, jpegDataUrl()).status, 201);
    QCOMPARE(screenshot(*seller, hourly, jpegDataUrl()).status, 429); // ten in ten minutes
    server->storage().change(u"UPDATE work_screenshots SET created_at = '2000-01-01T00:00:00Z'"_s);
    QCOMPARE(screenshot(*seller, hourly, jpegDataUrl()).status, 201);
    QCOMPARE(screenshot(*freelancer, hourly, jpegDataUrl()).status, 404); // not their contract
    const QJsonObject fixed = makeContract(*buyer, *seller, u"fixed"_s, {1000});
    QCOMPARE(screenshot(*seller, fixed[u"id"_s], jpegDataUrl()).status, 409);
    server->storage().change(u"UPDATE contracts SET status = 'completed' WHERE id = ?"_s, {hourly});
    QCOMPARE(screenshot(*seller, hourly, jpegDataUrl()).status, 409);
}

QTEST_GUILESS_MAIN(TestSandboxContracts)
#include "tst_sandbox_contracts.moc"
