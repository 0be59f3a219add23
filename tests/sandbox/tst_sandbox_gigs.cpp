// Gigs and gig orders of velto-sandbox: publishing with one to three packages and deleting; an
// order from escrow to payment and review, with its wrong states; cancellation refunds; a refused
// order leaves nothing; another party's orders.

#include "money.h"
#include "sandboxtest.h"
#include "server.h"

#include <QtTest>

class TestSandboxGigs : public SandboxTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void publishAsTheDialogDoesThenDelete();
    void orderLifecycle();
    void cancellationRefunds();
    void refusedOrderLeavesNothing();
    void anotherPartysOrderIsNotFound();

private:
    HttpResult publish(const QString &packages, const char *change = "{}")
    {
        QJsonObject body = merged(R"({"title": "Illustrated onboarding screens",
            "description": "Five illustrated onboarding screens for a mobile app, with sources.",
            "skills": ["Illustration", "Figma"], "deliveryDays": 7})"_json,
                                  change);
        body.insert(u"packages"_s, json(u"{\"p\": %1}"_s.arg(packages))[u"p"_s]);
        return otherFreelancer->post(u"api/gigs"_s, body);
    }
    qint64 order(const char *tier = "basic")
    {
        return buyer
            ->post(u"api/gigs/%1/order"_s.arg(gig), {{u"packageTier"_s, QLatin1String(tier)}})
            .id(u"order"_s);
    }
    // Every action that takes a text takes it as "note", "reason" or "body"; the others ignore it.
    HttpResult act(SandboxClient &who, qint64 order, const char *action, const char *text = "")
    {
        const QString t = QString::fromLatin1(text);
        return who.post(u"api/gig-orders/%1/%2"_s.arg(order).arg(QLatin1String(action)),
                        {{u"note"_s, t}, {u"reason"_s, t}, {u"body"_s, t}});
    }
    QString statusOf(qint64 order)
    {
        return buyer->get(u"api/gig-orders/%1"_s.arg(order)).text(u"order.status"_s);
    }

    // The demo freelancer sells; otherClient buys; client and otherFreelancer are strangers.
    SandboxClient *seller = nullptr, *buyer = nullptr;
    qint64 gig = 0;
};

void TestSandboxGigs::initTestCase()
{
    QVERIFY(startSandbox());
    seller = freelancer.get();
    buyer = otherClient.get();
    topUp(*buyer, 100000);
    gig = publishGig(*seller, {{u"basic"_s, 1000}, {u"premium"_s, 4000}});
    QVERIFY(gig);
}

void TestSandboxGigs::publishAsTheDialogDoesThenDelete()
{
    const HttpResult r = publish(uR"([{"tier": "basic", "label": "Basic", "price_paise": 120000,
        "description": "Basic package", "delivery_days": 5}, {"tier": "premium", "price_paise": 500000}])"_s);
    QCOMPARE(r.status, 201);
    const qint64 id = r.id(u"gig"_s);
    // Label and delivery days may be left out: from the tier and from deliveryDays.
    QCOMPARE(r.text(u"gig.packages.1.label"_s), u"Premium"_s);
    QCOMPARE(r.number(u"gig.packages.1.delivery_days"_s), 7);
    auto listed = [&](SandboxClient &who, const QString &path) {
        return !who.get(path).row(u"gigs"_s, id).isEmpty();
    };
    QVERIFY(listed(*otherFreelancer, u"api/gigs/mine"_s) && listed(*client, u"api/gigs"_s));
    QVERIFY(!listed(*freelancer, u"api/gigs/mine"_s));
    const QString path = u"api/gigs/%1"_s.arg(id);
    QCOMPARE(freelancer->del(path).status, 404); // someone else's gig
    QCOMPARE(otherFreelancer->del(path).status, 200);
    QVERIFY(!listed(*otherFreelancer, u"api/gigs/mine"_s) && !listed(*client, u"api/gigs"_s));
    QCOMPARE(otherFreelancer->del(path).status, 404);
    QCOMPARE(client->post(path + u"/order"_s, {{u"packageTier"_s, u"basic"_s}}).status, 404);

    // The packages: one to three, each tier once, priced by the money rule, with delivery days.
    const QByteArray before = fingerprint();
    for (const char *refused : {
             "[]",
             R"("basic")",
             "[1]",
             R"([{"tier": "gold", "price_paise": 100}])",
             R"([{"tier": "basic", "price_paise": 100}, {"tier": "basic", "price_paise": 100}])",
             R"([{"tier": "basic", "price_paise": 100}, {"tier": "standard", "price_paise": 100},
                 {"tier": "premium", "price_paise": 100}, {"tier": "basic", "price_paise": 100}])",
             R"([{"tier": "basic", "price_paise": 0}])",
             R"([{"tier": "basic", "price_paise": 100, "delivery_days": 0}])",
         })
        QVERIFY2(publish(QString::fromLatin1(refused)).status == 400, refused);
    const QString basic = uR"([{"tier": "basic", "price_paise": 100}])"_s;
    for (const char *refused : {R"({"skills": [42]})", R"({"status": "deleted"})"})
        QVERIFY2(publish(basic, refused).status == 400, refused);
    QCOMPARE(fingerprint(), before);
}

void TestSandboxGigs::orderLifecycle()
{
    const qint64 buyerStart = balance(*buyer), sellerStart = balance(*seller);
    const qint64 id = order("premium");
    QCOMPARE(balance(*buyer), buyerStart - 400000);
    QVERIFY(Money::isHeld(server->storage(), Money::Escrow::GigOrder, id));
    QCOMPARE(seller->notificationKinds().value(0), u"order_placed"_s);
    QCOMPARE(client->get(u"api/gigs"_s).row(u"gigs"_s, gig)[u"orders_count"_s].toInt(), 1);
    // Pending: only accept (or cancel).
    QCOMPARE(act(*seller, id, "deliver", "Too early").status, 409);
    QCOMPARE(act(*buyer, id, "complete").status, 409);
    QCOMPARE(act(*seller, id, "accept").status, 200);
    QCOMPARE(act(*seller, id, "accept").status, 409);
    QCOMPARE(act(*buyer, id, "complete").status, 409);
    QCOMPARE(act(*buyer, id, "messages", "Any questions?").status, 201);
    QCOMPARE(act(*seller, id, "messages", "  All clear, thanks.  ").status, 201);
    QCOMPARE(act(*buyer, id, "revision", "Not delivered yet").status, 409);
    QCOMPARE(act(*seller, id, "deliver", "First cut attached").text(u"order.delivery_note"_s),
             u"First cut attached"_s);
    QCOMPARE(buyer->notificationKinds().value(0), u"order_delivered"_s);
    QCOMPARE(act(*seller, id, "deliver", "Once more").status, 409);
    QCOMPARE(act(*buyer, id, "cancel", "Changed my mind").status, 409); // delivered: pay or revise
    QCOMPARE(act(*buyer, id, "revision", "Bigger logo please").status, 200);
    QCOMPARE(statusOf(id), u"revision"_s);
    QCOMPARE(act(*seller, id, "deliver", "Logo enlarged").status, 200);
    const QString review = u"api/gig-orders/%1/review"_s.arg(id);
    QCOMPARE(buyer->post(review, {{u"score"_s, 5}}).status, 409); // not before completion
    QCOMPARE(balance(*seller), sellerStart); // nothing paid before acceptance

    QCOMPARE(act(*buyer, id, "complete").status, 200);
    QCOMPARE(statusOf(id), u"completed"_s);
    QCOMPARE(balance(*seller), sellerStart + 400000);
    QCOMPARE(balance(*buyer), buyerStart - 400000);
    QVERIFY(!Money::isHeld(server->storage(), Money::Escrow::GigOrder, id));
    QCOMPARE(seller->notificationKinds().value(0), u"payment_released"_s);
    QCOMPARE(act(*buyer, id, "complete").status, 409);
    QCOMPARE(act(*seller, id, "cancel", "Too late now").status, 409);
    QCOMPARE(act(*buyer, id, "revision", "Too late now").status, 409);
    QCOMPARE(buyer->post(review, {{u"score"_s, 6}}).status, 400); // the integer reader's range
    QCOMPARE(buyer->post(review, {{u"score"_s, 4}}).number(u"order.review_score"_s), 4);
    QCOMPARE(buyer->post(review, {{u"score"_s, 5}}).status, 409); // once
    const HttpResult detail = seller->get(u"api/gig-orders/%1"_s.arg(id));
    QCOMPARE(detail.text(u"messages.0.body"_s), u"Any questions?"_s);
    QCOMPARE(detail.text(u"messages.1.body"_s), u"All clear, thanks."_s);
    QVERIFY(!detail.text(u"messages.1.sender_name"_s).isEmpty());
}

void TestSandboxGigs::cancellationRefunds()
{
    const qint64 start = balance(*buyer);
    const qint64 pending = order();
    QCOMPARE(act(*buyer, pending, "cancel", "Ordered by mistake").status, 200);
    QCOMPARE(statusOf(pending), u"cancelled"_s);
    QCOMPARE(balance(*buyer), start);
    const qint64 active = order();
    QCOMPARE(act(*seller, active, "accept").status, 200);
    QCOMPARE(act(*seller, active, "cancel", "Cannot take it on").status, 200);
    QCOMPARE(balance(*buyer), start);
    QCOMPARE(buyer->notificationKinds().value(0), u"order_cancelled"_s);
    QCOMPARE(act(*buyer, active, "cancel", "Once more").status, 409); // no second refund
    QCOMPARE(balance(*buyer), start);
}

void TestSandboxGigs::refusedOrderLeavesNothing()
{
    // The order row is written before the escrow refuses: the request's transaction takes it
    // back.
    const auto poor = newPerson(u"client"_s);
    const QByteArray before = fingerprint();
    const HttpResult r
        = poor->post(u"api/gigs/%1/order"_s.arg(gig), {{u"packageTier"_s, u"basic"_s}});
    QCOMPARE(r.status, 409);
    QVERIFY(r.error().contains(u"balance"_s));
    QCOMPARE(order("standard"), 0); // a tier the gig does not offer
    QCOMPARE(fingerprint(), before);
}

void TestSandboxGigs::anotherPartysOrderIsNotFound()
{
    const qint64 id = order();
    const QString path = u"api/gig-orders/%1"_s.arg(id);
    QCOMPARE(act(*otherFreelancer, id, "accept").status, 404);
    QCOMPARE(act(*seller, 99999999, "accept").status, 404);
    QCOMPARE(act(*client, id, "complete").status, 404);
    QCOMPARE(act(*client, id, "revision", "Someone else's").status, 404);
    QCOMPARE(client->post(path + u"/review"_s, {{u"score"_s, 5}}).status, 404);
    for (SandboxClient *stranger : {client.get(), otherFreelancer.get()}) {
        QCOMPARE(stranger->get(path).status, 404);
        QCOMPARE(act(*stranger, id, "cancel", "Not mine to cancel").status, 404);
        QCOMPARE(act(*stranger, id, "messages", "Hello there").status, 404);
        QVERIFY(stranger->get(u"api/gig-orders"_s).row(u"orders"_s, id).isEmpty());
    }
    QCOMPARE(statusOf(id), u"pending"_s);
}

QTEST_GUILESS_MAIN(TestSandboxGigs)
#include "tst_sandbox_gigs.moc"
