// Contracts of velto-sandbox: milestones from funding to payment and the contract's completion,
// funding that needs the web (`razorpay`), disputes, work screenshots of an active hourly
// contract, and another party's contract.

#include "money.h"
#include "sandboxtest.h"
#include "server.h"
#include "storage.h"

#include <QtTest>

class TestSandboxContracts : public SandboxTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void milestonesFromFundingToPayment();
    void fundingBeyondTheWalletAnswersRazorpay();
    void disputesFromFundedOrDelivered();
    void workScreenshotsOfAnActiveHourlyContract();
    void anotherPartysContractIsNotFound();

private:
    HttpResult fund(SandboxClient &who, qint64 milestone)
    {
        return who.post(u"api/milestones/%1/funding-intents"_s.arg(milestone));
    }
    HttpResult deliver(SandboxClient &who, qint64 milestone, const char *url = "")
    {
        return who.post(u"api/milestones/%1/deliverables"_s.arg(milestone),
                        json(uR"({"summary": "The work is done", "artifactUrl": "%1"})"_s.arg(
                            QLatin1String(url))));
    }
    HttpResult decide(SandboxClient &who, qint64 deliverable, const char *decision)
    {
        return who.post(u"api/deliverables/%1/%2"_s.arg(deliverable).arg(QLatin1String(decision)),
                        R"({"feedback": "Please add the tests too"})"_json);
    }
    HttpResult dispute(SandboxClient &who, qint64 milestone)
    {
        return who.post(u"api/milestones/%1/disputes"_s.arg(milestone),
                        R"({"reason": "The scope has changed", "evidence": ""})"_json);
    }
    HttpResult screenshot(SandboxClient &who, const QJsonValue &contract, const QString &data)
    {
        return who.post(u"api/work-screenshots"_s,
                        {{u"contractId"_s, contract}, {u"thumbnailData"_s, data}});
    }
    QString milestoneStatus(const QJsonObject &contract, int index)
    {
        return jsonAt(contractOf(*buyer, contract[u"id"_s].toInteger()),
                      u"milestones.%1.status"_s.arg(index))
            .toString();
    }

    // otherClient buys from otherFreelancer; client and freelancer are strangers to it.
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
    const qint64 first = jsonAt(contract, u"milestones.0.id"_s).toInteger();
    const qint64 second = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    QCOMPARE(milestoneStatus(contract, 0), u"awaiting_funding"_s);
    const qint64 buyerStart = balance(*buyer), sellerStart = balance(*seller);

    QCOMPARE(fund(*buyer, first).at(u"funded"_s).toBool(), true);
    QCOMPARE(milestoneStatus(contract, 0), u"funded"_s);
    QCOMPARE(balance(*buyer), buyerStart - 300000);
    QVERIFY(Money::isHeld(server->storage(), Money::Escrow::Milestone, first));
    QCOMPARE(seller->notificationKinds().value(0), u"milestone_funded"_s);
    QCOMPARE(fund(*buyer, first).status, 409); // once
    QCOMPARE(balance(*buyer), buyerStart - 300000);

    QCOMPARE(deliver(*seller, first, "javascript:alert(1)").status, 400); // links only
    const qint64 returned = deliver(*seller, first).id(u"deliverable"_s);
    QCOMPARE(milestoneStatus(contract, 0), u"delivered"_s);
    QCOMPARE(buyer->notificationKinds().value(0), u"delivery_submitted"_s);
    QCOMPARE(decide(*seller, returned, "accept").status, 403); // the freelancer cannot pay itself
    // A revision sends the milestone back to funded; the escrow stays.
    QCOMPARE(decide(*buyer, returned, "revision").status, 200);
    QCOMPARE(milestoneStatus(contract, 0), u"funded"_s);
    QVERIFY(Money::isHeld(server->storage(), Money::Escrow::Milestone, first));
    QCOMPARE(decide(*buyer, returned, "accept").status, 409);

    const qint64 accepted
        = deliver(*seller, first, "https://example.com/build.zip").id(u"deliverable"_s);
    QCOMPARE(decide(*buyer, accepted, "accept").status, 200);
    QCOMPARE(milestoneStatus(contract, 0), u"paid"_s);
    QCOMPARE(balance(*seller), sellerStart + 300000);
    QVERIFY(!Money::isHeld(server->storage(), Money::Escrow::Milestone, first));
    QCOMPARE(seller->notificationKinds().value(0), u"payment_released"_s);
    QCOMPARE(decide(*buyer, accepted, "accept").status, 409); // paid once
    QCOMPARE(balance(*seller), sellerStart + 300000);
    QCOMPARE(contractOf(*buyer, contract[u"id"_s].toInteger())[u"status"_s].toString(),
             u"active"_s);

    // Paying the last milestone completes the contract.
    QCOMPARE(fund(*buyer, second).status, 200);
    QCOMPARE(decide(*buyer, deliver(*seller, second).id(u"deliverable"_s), "accept").status, 200);
    QCOMPARE(contractOf(*buyer, contract[u"id"_s].toInteger())[u"status"_s].toString(),
             u"completed"_s);
    QCOMPARE(balance(*seller), sellerStart + 500000);
    QCOMPARE(balance(*buyer), buyerStart - 500000);
}

void TestSandboxContracts::fundingBeyondTheWalletAnswersRazorpay()
{
    const auto poor = newPerson(u"client"_s);
    topUp(*poor, 100);
    const QJsonObject contract = makeContract(*poor, *seller, u"fixed"_s, {2500});
    const QByteArray before = fingerprint();
    const HttpResult r = fund(*poor, jsonAt(contract, u"milestones.0.id"_s).toInteger());
    QCOMPARE(r.status, 200);
    QVERIFY(r.at(u"razorpay.order_id"_s).isString());
    QCOMPARE(r.number(u"razorpay.amount_paise"_s), 250000);
    QCOMPARE(fingerprint(), before); // the payment is made on the web; nothing changes here
}

void TestSandboxContracts::disputesFromFundedOrDelivered()
{
    const QJsonObject contract = makeContract(*buyer, *seller, u"fixed"_s, {1000, 1200});
    const qint64 first = jsonAt(contract, u"milestones.0.id"_s).toInteger();
    const qint64 second = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    QCOMPARE(dispute(*buyer, first).status, 409); // nothing to dispute before funding
    QCOMPARE(fund(*buyer, first).status, 200);
    const qint64 held = Money::totalHeld(server->storage());
    QCOMPARE(dispute(*seller, first).text(u"dispute.reason"_s), u"The scope has changed"_s);
    QCOMPARE(milestoneStatus(contract, 0), u"disputed"_s);
    QCOMPARE(Money::totalHeld(server->storage()), held); // the escrow waits for the outcome
    QCOMPARE(buyer->notificationKinds().value(0), u"dispute_opened"_s);
    QCOMPARE(deliver(*seller, first).status, 409);
    QCOMPARE(dispute(*buyer, first).status, 409);

    // A delivered milestone: its delivery no longer waits for a decision.
    QCOMPARE(fund(*buyer, second).status, 200);
    const qint64 delivery = deliver(*seller, second).id(u"deliverable"_s);
    QCOMPARE(dispute(*buyer, second).status, 201);
    QCOMPARE(milestoneStatus(contract, 1), u"disputed"_s);
    QCOMPARE(decide(*buyer, delivery, "accept").status, 409);
}

void TestSandboxContracts::workScreenshotsOfAnActiveHourlyContract()
{
    const qint64 hourly = makeContract(*buyer, *seller, u"hourly"_s, {5000})[u"id"_s].toInteger();
    // The view sends the id as text; a number works too.
    const HttpResult r = screenshot(*seller, QString::number(hourly), jpegDataUrl());
    QCOMPARE(r.status, 201);
    QCOMPARE(screenshot(*seller, hourly, jpegDataUrl()).status, 201);
    QCOMPARE(server->storage()
                 .scalar(u"SELECT thumbnail_data FROM work_screenshots WHERE id = ?"_s,
                         {r.id(u"screenshot"_s)})
                 .toString(),
             jpegDataUrl());
    QCOMPARE(contractOf(*buyer, hourly)[u"screenshots_count"_s].toInteger(), 2);
    QCOMPARE(screenshot(*seller, hourly, jpegDataUrl(800 * 1024)).status, 413); // over 1 MiB

    // Not for a fixed contract, nor for one that is no longer active.
    const QJsonObject fixed = makeContract(*buyer, *seller, u"fixed"_s, {1000});
    QCOMPARE(screenshot(*seller, fixed[u"id"_s], jpegDataUrl()).status, 409);
    const qint64 ended = makeContract(*buyer, *seller, u"hourly"_s, {1000})[u"id"_s].toInteger();
    Storage::Transaction t(server->storage());
    server->storage().change(u"UPDATE contracts SET status = 'completed' WHERE id = ?"_s, {ended});
    t.commit();
    QCOMPARE(screenshot(*seller, ended, jpegDataUrl()).status, 409);
}

void TestSandboxContracts::anotherPartysContractIsNotFound()
{
    const QJsonObject contract = makeContract(*buyer, *seller, u"hourly"_s, {1000, 1000});
    const qint64 awaiting = jsonAt(contract, u"milestones.0.id"_s).toInteger();
    const qint64 funded = jsonAt(contract, u"milestones.1.id"_s).toInteger();
    QCOMPARE(fund(*buyer, funded).status, 200);
    const qint64 delivery = deliver(*seller, funded).id(u"deliverable"_s);
    QCOMPARE(fund(*client, awaiting).status, 404);
    QCOMPARE(decide(*client, delivery, "accept").status, 404);
    QCOMPARE(decide(*client, delivery, "revision").status, 404);
    QCOMPARE(dispute(*client, funded).status, 404);
    QCOMPARE(dispute(*freelancer, funded).status, 404);
    QCOMPARE(deliver(*freelancer, awaiting).status, 404);
    QCOMPARE(screenshot(*freelancer, contract[u"id"_s], jpegDataUrl()).status, 404);
    QVERIFY(contractOf(*client, contract[u"id"_s].toInteger()).isEmpty());
    QVERIFY(contractOf(*freelancer, contract[u"id"_s].toInteger()).isEmpty());
    QVERIFY(!contractOf(*seller, contract[u"id"_s].toInteger()).isEmpty());
}

QTEST_GUILESS_MAIN(TestSandboxContracts)
#include "tst_sandbox_contracts.moc"
