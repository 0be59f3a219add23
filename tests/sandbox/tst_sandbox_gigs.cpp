#include "sandboxtest.h"

class TestSandboxGigs : public SandboxTest
{
    Q_OBJECT

private slots:
    void publishAsTheDialogDoesThenDelete();
    void orderLifecycle();

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
    // Every action that takes a text takes it as "note", "reason" or "body"; the others ignore it.
    int act(SandboxClient &who, qint64 order, const char *action, const char *text = "")
    {
        const QString t = QString::fromLatin1(text);
        const QString path = u"api/gig-orders/%1/"_s.arg(order) + QLatin1String(action);
        return who.post(path, {{u"note"_s, t}, {u"reason"_s, t}, {u"body"_s, t}}).status;
    }
};

void TestSandboxGigs::publishAsTheDialogDoesThenDelete()
{
    const HttpResult r = publish(uR"([{"tier": "basic", "label": "Basic", "price_paise": 120000,
        "description": "Basic package", "delivery_days": 5}, {"tier": "premium", "price_paise": 500000}])"_s);
    const qint64 id = r.id(u"gig"_s);
    QCOMPARE(r.text(u"gig.packages.1.label"_s), u"Premium"_s);
    QCOMPARE(r.number(u"gig.packages.1.delivery_days"_s), 7);
    auto listed = [&](SandboxClient &who, const QString &path) {
        return !who.get(path).row(u"gigs"_s, id).isEmpty();
    };
    QVERIFY(listed(*otherFreelancer, u"api/gigs/mine"_s) && listed(*client, u"api/gigs"_s));
    const QString path = u"api/gigs/%1"_s.arg(id);
    QCOMPARE(otherFreelancer->del(path).status, 200);
    QCOMPARE(otherFreelancer->del(path).status, 404); // once
    QVERIFY(!listed(*otherFreelancer, u"api/gigs/mine"_s) && !listed(*client, u"api/gigs"_s));
    QCOMPARE(client->post(path + u"/order"_s, {{u"packageTier"_s, u"basic"_s}}).status, 404);

    // The packages: one to three, each tier once, priced by the money rule, with delivery days.
    const QString basic = uR"({"tier": "basic", "price_paise": 100})"_s;
    for (const QString &refused :
         {u"[]"_s, u"\"basic\""_s, u"[1]"_s, uR"([{"tier": "gold", "price_paise": 100}])"_s,
          u"[%1, %1]"_s.arg(basic), u"[%1, %1, %1, %1]"_s.arg(basic),
          uR"([{"tier": "basic", "price_paise": 0}])"_s,
          uR"([{"tier": "basic", "price_paise": 9, "delivery_days": 0}])"_s})
        QVERIFY2(publish(refused).status == 400, qPrintable(refused));
    QCOMPARE(publish(u"[%1]"_s.arg(basic), R"({"status": "deleted"})").status, 400);
}

void TestSandboxGigs::orderLifecycle()
{
    SandboxClient &seller = *otherFreelancer, &buyer = *otherClient;
    topUp(buyer, 100000);
    const QString packages = uR"([{"tier": "basic", "price_paise": 100000},
        {"tier": "premium", "price_paise": 400000}])"_s;
    const qint64 gig = publish(packages).id(u"gig"_s);
    auto order = [&](const char *tier) {
        return buyer
            .post(u"api/gigs/%1/order"_s.arg(gig),
                  {{u"packageTier"_s, QLatin1String(tier)}, {u"instructions"_s, u" Blue "_s}})
            .id(u"order"_s);
    };
    QCOMPARE(order("standard"), 0); // a tier the gig does not offer
    const qint64 buyerStart = buyer.balance(), sellerStart = seller.balance();
    const qint64 id = order("premium");
    QCOMPARE(buyer.balance(), buyerStart - 400000);
    QCOMPARE(client->get(u"api/gigs"_s).row(u"gigs"_s, gig)[u"orders_count"_s].toInt(), 1);
    for (const auto &[who, action, text, status] : {
             std::tuple {&seller, "deliver", "Too early", 409}, // pending: accept or cancel only
             {&buyer, "complete", "", 409},
             {&seller, "accept", "", 200},
             {&seller, "accept", "", 409},
             {&buyer, "messages", "Any questions?", 201},
             {&seller, "messages", "  All clear, thanks.  ", 201},
             {&buyer, "revision", "Not delivered yet", 409},
             {&seller, "deliver", "First cut attached", 200},
             {&seller, "deliver", "Once more", 409},
             {&buyer, "cancel", "Changed my mind", 409}, // delivered: pay or ask for a revision
             {&buyer, "revision", "Bigger logo please", 200},
             {&seller, "deliver", "Logo enlarged", 200},
         })
        QVERIFY2(act(*who, id, action, text) == status, action);
    const QString review = u"api/gig-orders/%1/review"_s.arg(id);
    QCOMPARE(buyer.post(review, {{u"score"_s, 5}}).status, 409); // not before completion
    QCOMPARE(seller.balance(), sellerStart); // nothing paid before acceptance
    QCOMPARE(act(buyer, id, "complete"), 200);
    QCOMPARE(seller.balance(), sellerStart + 400000);
    for (const char *late : {"complete", "cancel", "revision"})
        QVERIFY2(act(buyer, id, late, "Too late now") == 409, late);
    QCOMPARE(buyer.post(review, {{u"score"_s, 4}}).number(u"order.review_score"_s), 4);
    QCOMPARE(buyer.post(review, {{u"score"_s, 5}}).status, 409); // once
    const HttpResult detail = seller.get(u"api/gig-orders/%1"_s.arg(id));
    QCOMPARE(detail.text(u"order.instructions"_s), u"Blue"_s);
    QCOMPARE(detail.text(u"messages.1.body"_s), u"All clear, thanks."_s);

    const qint64 active = order("basic");
    QCOMPARE(act(seller, active, "accept"), 200);
    QCOMPARE(act(seller, active, "cancel", "Cannot take it on"), 200);
    QCOMPARE(act(buyer, active, "cancel", "Once more"), 409);
    QCOMPARE(buyer.balance(), buyerStart - 400000);
    for (const char *kind : {"order_placed", "revision_requested", "payment_released"})
        QVERIFY2(seller.notificationKinds().contains(QLatin1String(kind)), kind);
    for (const char *kind : {"order_accepted", "order_delivered", "order_cancelled"})
        QVERIFY2(buyer.notificationKinds().contains(QLatin1String(kind)), kind);
}

QTEST_GUILESS_MAIN(TestSandboxGigs)
#include "tst_sandbox_gigs.moc"
