#include "sandboxtest.h"

class TestSandboxContests : public SandboxTest
{
    Q_OBJECT

private slots:
    void postEnterAward();
    void cancelRefundsPrizeAndFee();

private:
    HttpResult post(SandboxClient &host, const char *prize)
    {
        return host.post(u"api/contests"_s,
                         json(uR"({"title": "  Icon set for a weather app ",
            "brief": "A brief that is longer than thirty characters, surely.", "prize": "%1"})"_s
                                  .arg(QLatin1String(prize))));
    }
    HttpResult enter(SandboxClient &who, qint64 contest, const char *url = "")
    {
        return who.post(u"api/contests/%1/entries"_s.arg(contest),
                        json(uR"({"title": "Sunny set",
            "description": "An entry description of twenty+ chars", "attachmentUrl": "%1"})"_s.arg(
                            QLatin1String(url))));
    }
};

void TestSandboxContests::postEnterAward()
{
    const qint64 start = client->balance();
    const qint64 house = Money::houseAccountId(server->storage());
    const qint64 houseStart = Money::balance(server->storage(), house);
    const qint64 id = post(*client, "2000").id(u"contest"_s);
    const QString path = u"api/contests/%1"_s.arg(id);
    const qint64 fee = 10000; // 5 %
    QCOMPARE(client->balance(), start - 200000 - fee);
    QCOMPARE(client->get(u"api/invoices"_s).number(u"invoices.0.total_paise"_s), fee);
    QVERIFY(!client->get(u"api/contests?mine=1"_s).row(u"contests"_s, id).isEmpty());

    QCOMPARE(enter(*freelancer, id, "javascript:alert(1)").status, 400);
    const qint64 entry = enter(*freelancer, id).id(u"entry"_s);
    QCOMPARE(enter(*freelancer, id).status, 409); // one entry each
    QCOMPARE(enter(*otherFreelancer, id, "https://example.test/work").status, 201);
    QCOMPARE(client->notificationKinds().value(0), u"entry_received"_s);
    // Entrants are anonymous to everyone but the host and themselves; the plan fee is the host's.
    const HttpResult hosted = client->get(path), seen = otherFreelancer->get(path);
    QVERIFY(hosted.flag(u"isHost"_s) && hosted.at(u"entries.0.display_name"_s).isString());
    QVERIFY(!seen.flag(u"isHost"_s) && seen.at(u"entries.0.display_name"_s).isUndefined());
    QVERIFY(seen.at(u"contest.fee_paise"_s).isUndefined());
    auto listed = [&](SandboxClient &who) {
        return who.get(u"api/contests"_s).row(u"contests"_s, id).contains(u"fee_paise"_s);
    };
    QVERIFY(listed(*client) && !listed(*otherFreelancer));
    const qint64 other = post(*client, "1000").id(u"contest"_s);
    QCOMPARE(client->post(u"api/contests/%1/award"_s.arg(other), {{u"entryId"_s, entry}}).status,
             404); // an entry of another contest

    const qint64 winnerStart = freelancer->balance();
    QCOMPARE(client->post(path + u"/award"_s, {{u"entryId"_s, entry}}).status, 200);
    QCOMPARE(freelancer->balance(), winnerStart + 200000);
    QCOMPARE(Money::balance(server->storage(), house), houseStart + fee);
    const HttpResult detail = client->get(path);
    QCOMPARE(detail.text(u"contest.status"_s), u"awarded"_s);
    QVERIFY(detail.flag(u"entries.0.is_winner"_s) && !detail.flag(u"entries.1.is_winner"_s));
    QCOMPARE(freelancer->notificationKinds().value(0), u"prize_awarded"_s);
    QCOMPARE(client->post(path + u"/award"_s, {{u"entryId"_s, entry}}).status, 409);
    QCOMPARE(client->post(path + u"/cancel"_s).status, 409);
    QCOMPARE(enter(*newPerson(u"freelancer"_s), id).status, 409);
}

void TestSandboxContests::cancelRefundsPrizeAndFee()
{
    const auto host = newPerson(u"client"_s);
    QCOMPARE(post(*host, "499").status, 400); // the smallest prize is ₹500
    topUp(*host, 750 + 38); // the prize and its plan fee, exactly (₹37.50 rounds up)
    const qint64 id = post(*host, "750").id(u"contest"_s);
    QCOMPARE(host->balance(), 0);
    QCOMPARE(enter(*freelancer, id).status, 201);
    const QString cancel = u"api/contests/%1/cancel"_s.arg(id);
    QCOMPARE(host->post(cancel).status, 200);
    QCOMPARE(host->post(cancel).status, 409); // refunded once
    QCOMPARE(host->balance(), 78800);
    QCOMPARE(freelancer->notificationKinds().value(0), u"contest_cancelled"_s);
}

QTEST_GUILESS_MAIN(TestSandboxContests)
#include "tst_sandbox_contests.moc"
