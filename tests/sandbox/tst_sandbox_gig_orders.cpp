// Gig orders on velto-sandbox: the whole lifecycle (pending → active → delivered → revision →
// delivered → completed, review once), cancellation with refund, messages from both parties,
// wrong-state refusals, the authorization matrix and bad input.

#include "marketfixtures.h"
#include "money.h"
#include "server.h"

#include <QJsonArray>
#include <QtTest>

class TestSandboxGigOrders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void listAndDetailCarryWhatTheViewReads();
    void lifecycleWithRevisionPaymentAndReview();
    void cancellationRefunds();
    void wrongStatesRefused();
    void authorizationMatrix();
    void badInput_data();
    void badInput();
    void injectionTextStoredVerbatim();

private:
    qint64 placeOrder(const QString &tier = QStringLiteral("basic"));
    QString statusOf(qint64 orderId);

    std::unique_ptr<SandboxServer> server;
    Person client, seller, otherClient, otherFreelancer;
    qint64 gigId = 0;
};

void TestSandboxGigOrders::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    client = newPerson(*server, QStringLiteral("client"));
    seller = newPerson(*server, QStringLiteral("freelancer"));
    otherClient = newPerson(*server, QStringLiteral("client"));
    otherFreelancer = newPerson(*server, QStringLiteral("freelancer"));
    topUp(*server, client.id, 100000);
    topUp(*server, otherClient.id, 100000);
    gigId
        = publishGig(*seller, {{QStringLiteral("basic"), 1000}, {QStringLiteral("premium"), 4000}});
    QVERIFY(gigId);
}

qint64 TestSandboxGigOrders::placeOrder(const QString &tier)
{
    const HttpResult r = client->post(QStringLiteral("api/gigs/%1/order").arg(gigId),
                                      {{QStringLiteral("packageTier"), tier},
                                       {QStringLiteral("instructions"), QStringLiteral("Go")}});
    return r.status == 201
        ? r.object(QStringLiteral("order")).value(QStringLiteral("id")).toInteger()
        : 0;
}

QString TestSandboxGigOrders::statusOf(qint64 orderId)
{
    return client->get(QStringLiteral("api/gig-orders/%1").arg(orderId))
        .object(QStringLiteral("order"))
        .value(QStringLiteral("status"))
        .toString();
}

void TestSandboxGigOrders::listAndDetailCarryWhatTheViewReads()
{
    const qint64 id = placeOrder(QStringLiteral("premium"));
    QVERIFY(id);
    for (SandboxClient *who : {client.http.get(), seller.http.get()}) {
        const HttpResult list = who->get(QStringLiteral("api/gig-orders"));
        QCOMPARE(list.status, 200);
        QJsonObject row;
        for (const QJsonValue &o : list.list(QStringLiteral("orders")))
            if (o.toObject().value(QStringLiteral("id")).toInteger() == id)
                row = o.toObject();
        QVERIFY(!row.isEmpty());
        QCOMPARE(row.value(QStringLiteral("gig_title")).toString(),
                 QStringLiteral("Test gig with packages"));
        QCOMPARE(row.value(QStringLiteral("status")).toString(), QStringLiteral("pending"));
        QCOMPARE(row.value(QStringLiteral("package_tier")).toString(), QStringLiteral("premium"));
        QCOMPARE(row.value(QStringLiteral("price_paise")).toInteger(), 400000);
        // Same type and value as the user record's id: the view compares them strictly.
        QCOMPARE(row.value(QStringLiteral("client_id")), QJsonValue(client.id));
        QCOMPARE(row.value(QStringLiteral("client_name")).toString(), QStringLiteral("client 1"));
        QCOMPARE(row.value(QStringLiteral("freelancer_name")).toString(),
                 QStringLiteral("freelancer 2"));
        QCOMPARE(row.value(QStringLiteral("delivery_note")).toString(), QString());
    }
    const HttpResult detail = seller->get(QStringLiteral("api/gig-orders/%1").arg(id));
    QCOMPARE(detail.status, 200);
    QCOMPARE(detail.object(QStringLiteral("order")).value(QStringLiteral("id")).toInteger(), id);
    QVERIFY(detail.json.value(QStringLiteral("messages")).isArray());
    // Nobody else lists or opens it.
    for (const QJsonValue &o :
         otherClient->get(QStringLiteral("api/gig-orders")).list(QStringLiteral("orders")))
        QVERIFY(o.toObject().value(QStringLiteral("id")).toInteger() != id);
    QCOMPARE(otherClient->get(QStringLiteral("api/gig-orders/%1").arg(id)).status, 404);
    QCOMPARE(otherFreelancer->get(QStringLiteral("api/gig-orders/%1").arg(id)).status, 404);
}

void TestSandboxGigOrders::lifecycleWithRevisionPaymentAndReview()
{
    const qint64 id = placeOrder();
    QVERIFY(id);
    const QString base = QStringLiteral("api/gig-orders/%1").arg(id);
    const qint64 sellerBefore = balance(*server, seller.id);
    const qint64 clientAfterOrder = balance(*server, client.id);

    QCOMPARE(seller->post(base + QStringLiteral("/accept")).status, 200);
    QCOMPARE(statusOf(id), QStringLiteral("active"));

    // Messages from both sides, in order, with their senders' names.
    QCOMPARE(client
                 ->post(base + QStringLiteral("/messages"),
                        {{QStringLiteral("body"), QStringLiteral("Any questions?")}})
                 .status,
             201);
    QCOMPARE(seller
                 ->post(base + QStringLiteral("/messages"),
                        {{QStringLiteral("body"), QStringLiteral("  All clear, thanks.  ")}})
                 .status,
             201);

    const HttpResult delivered
        = seller->post(base + QStringLiteral("/deliver"),
                       {{QStringLiteral("note"), QStringLiteral("First cut attached")}});
    QCOMPARE(delivered.status, 200);
    QCOMPARE(
        delivered.object(QStringLiteral("order")).value(QStringLiteral("delivery_note")).toString(),
        QStringLiteral("First cut attached"));
    QCOMPARE(client
                 ->post(base + QStringLiteral("/revision"),
                        {{QStringLiteral("note"), QStringLiteral("Bigger logo please")}})
                 .status,
             200);
    QCOMPARE(statusOf(id), QStringLiteral("revision"));
    QCOMPARE(seller
                 ->post(base + QStringLiteral("/deliver"),
                        {{QStringLiteral("note"), QStringLiteral("Logo enlarged")}})
                 .status,
             200);
    QCOMPARE(statusOf(id), QStringLiteral("delivered"));
    QCOMPARE(balance(*server, seller.id), sellerBefore); // nothing paid before acceptance

    QCOMPARE(client->post(base + QStringLiteral("/complete")).status, 200);
    QCOMPARE(statusOf(id), QStringLiteral("completed"));
    QCOMPARE(balance(*server, seller.id), sellerBefore + 100000);
    QCOMPARE(balance(*server, client.id), clientAfterOrder);
    QVERIFY(!Money::isHeld(server->storage(), Money::Escrow::GigOrder, id));

    const HttpResult review = client->post(
        base + QStringLiteral("/review"),
        {{QStringLiteral("score"), 4}, {QStringLiteral("review"), QStringLiteral("")}});
    QCOMPARE(review.status, 200);
    QCOMPARE(
        review.object(QStringLiteral("order")).value(QStringLiteral("review_score")).toInteger(),
        4);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult again
        = client->post(base + QStringLiteral("/review"), {{QStringLiteral("score"), 5}});
    QCOMPARE(again.status, 409);
    QVERIFY(!again.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);

    const HttpResult detail = client->get(base);
    const QJsonArray messages = detail.list(QStringLiteral("messages"));
    QStringList bodies;
    for (const QJsonValue &m : messages)
        bodies << m.toObject().value(QStringLiteral("body")).toString();
    QVERIFY(bodies.indexOf(QStringLiteral("Any questions?"))
            < bodies.indexOf(QStringLiteral("All clear, thanks.")));
    QVERIFY(bodies.contains(QStringLiteral("All clear, thanks.")));
    for (const QJsonValue &m : messages)
        QVERIFY(!m.toObject().value(QStringLiteral("sender_name")).toString().isEmpty());

    // The client hears of the delivery, the seller of the payment.
    QVERIFY(client->notificationKinds().contains(QStringLiteral("order_delivered")));
    QVERIFY(seller->notificationKinds().contains(QStringLiteral("order_placed")));
    QVERIFY(seller->notificationKinds().contains(QStringLiteral("payment_released")));
}

void TestSandboxGigOrders::cancellationRefunds()
{
    const qint64 start = balance(*server, client.id);
    // Pending, cancelled by the client.
    const qint64 a = placeOrder();
    QCOMPARE(client
                 ->post(QStringLiteral("api/gig-orders/%1/cancel").arg(a),
                        {{QStringLiteral("reason"), QStringLiteral("Ordered by mistake")}})
                 .status,
             200);
    QCOMPARE(statusOf(a), QStringLiteral("cancelled"));
    QCOMPARE(balance(*server, client.id), start);
    // Active, cancelled by the seller.
    const qint64 b = placeOrder();
    QCOMPARE(seller->post(QStringLiteral("api/gig-orders/%1/accept").arg(b)).status, 200);
    QCOMPARE(seller
                 ->post(QStringLiteral("api/gig-orders/%1/cancel").arg(b),
                        {{QStringLiteral("reason"), QStringLiteral("Cannot take it on")}})
                 .status,
             200);
    QCOMPARE(balance(*server, client.id), start);
    QVERIFY(!Money::isHeld(server->storage(), Money::Escrow::GigOrder, b));
    // A cancelled order cannot be cancelled (or refunded) again.
    const HttpResult twice
        = client->post(QStringLiteral("api/gig-orders/%1/cancel").arg(b),
                       {{QStringLiteral("reason"), QStringLiteral("Once more")}});
    QCOMPARE(twice.status, 409);
    QCOMPARE(balance(*server, client.id), start);
}

void TestSandboxGigOrders::wrongStatesRefused()
{
    const qint64 id = placeOrder();
    const QString base = QStringLiteral("api/gig-orders/%1").arg(id);
    const QJsonObject note {{QStringLiteral("note"), QStringLiteral("A note long enough")}};
    struct Step
    {
        const char *name;
        SandboxClient *who;
        QString path;
        QJsonObject body;
    };
    auto refuseAll = [this](const QList<Step> &steps) {
        const QByteArray before = databaseFingerprint(*server);
        for (const Step &s : steps) {
            const HttpResult r = s.who->post(s.path, s.body);
            QVERIFY2(r.status == 409, s.name);
            QVERIFY2(!r.error().isEmpty(), s.name);
        }
        QCOMPARE(databaseFingerprint(*server), before);
    };
    // Pending: nothing but accept and cancel.
    refuseAll({
        {"deliver pending", seller.http.get(), base + QStringLiteral("/deliver"), note},
        {"complete pending", client.http.get(), base + QStringLiteral("/complete"), {}},
        {"revision pending", client.http.get(), base + QStringLiteral("/revision"), note},
        {"review pending",
         client.http.get(),
         base + QStringLiteral("/review"),
         {{QStringLiteral("score"), 5}}},
    });
    QCOMPARE(seller->post(base + QStringLiteral("/accept")).status, 200);
    refuseAll({
        {"accept active", seller.http.get(), base + QStringLiteral("/accept"), {}},
        {"complete active", client.http.get(), base + QStringLiteral("/complete"), {}},
        {"revision active", client.http.get(), base + QStringLiteral("/revision"), note},
    });
    QCOMPARE(seller->post(base + QStringLiteral("/deliver"), note).status, 200);
    refuseAll({
        {"cancel delivered",
         client.http.get(),
         base + QStringLiteral("/cancel"),
         {{QStringLiteral("reason"), QStringLiteral("Changed my mind")}}},
        {"deliver delivered", seller.http.get(), base + QStringLiteral("/deliver"), note},
        {"review delivered",
         client.http.get(),
         base + QStringLiteral("/review"),
         {{QStringLiteral("score"), 5}}},
    });
    QCOMPARE(client->post(base + QStringLiteral("/complete")).status, 200);
    refuseAll({
        {"cancel completed",
         seller.http.get(),
         base + QStringLiteral("/cancel"),
         {{QStringLiteral("reason"), QStringLiteral("Changed my mind")}}},
        {"complete completed", client.http.get(), base + QStringLiteral("/complete"), {}},
        {"revision completed", client.http.get(), base + QStringLiteral("/revision"), note},
    });
    QCOMPARE(statusOf(id), QStringLiteral("completed"));
}

void TestSandboxGigOrders::authorizationMatrix()
{
    const qint64 pending = placeOrder();
    const qint64 delivered = placeOrder();
    QCOMPARE(seller->post(QStringLiteral("api/gig-orders/%1/accept").arg(delivered)).status, 200);
    QCOMPARE(seller
                 ->post(QStringLiteral("api/gig-orders/%1/deliver").arg(delivered),
                        {{QStringLiteral("note"), QStringLiteral("Here you go")}})
                 .status,
             200);
    const QString p = QStringLiteral("api/gig-orders/%1").arg(pending);
    const QString d = QStringLiteral("api/gig-orders/%1").arg(delivered);
    const QJsonObject note {{QStringLiteral("note"), QStringLiteral("A note long enough")}};
    const QJsonObject reason {{QStringLiteral("reason"), QStringLiteral("A reason long enough")}};
    const QJsonObject message {{QStringLiteral("body"), QStringLiteral("Hello there")}};
    SandboxClient anonymous(server->port());
    const QList<RefusedPost> cases = {
        {"client accepts", client.http.get(), p + QStringLiteral("/accept"), {}, 403},
        {"other freelancer accepts",
         otherFreelancer.http.get(),
         p + QStringLiteral("/accept"),
         {},
         404},
        {"client delivers", client.http.get(), d + QStringLiteral("/deliver"), note, 403},
        {"other freelancer delivers", otherFreelancer.http.get(), d + QStringLiteral("/deliver"),
         note, 404},
        {"seller completes", seller.http.get(), d + QStringLiteral("/complete"), {}, 403},
        {"other client completes",
         otherClient.http.get(),
         d + QStringLiteral("/complete"),
         {},
         404},
        {"seller asks revision", seller.http.get(), d + QStringLiteral("/revision"), note, 403},
        {"other client asks revision", otherClient.http.get(), d + QStringLiteral("/revision"),
         note, 404},
        {"seller reviews",
         seller.http.get(),
         d + QStringLiteral("/review"),
         {{QStringLiteral("score"), 5}},
         403},
        {"other client reviews",
         otherClient.http.get(),
         d + QStringLiteral("/review"),
         {{QStringLiteral("score"), 5}},
         404},
        {"other client cancels", otherClient.http.get(), p + QStringLiteral("/cancel"), reason,
         404},
        {"other freelancer cancels", otherFreelancer.http.get(), p + QStringLiteral("/cancel"),
         reason, 404},
        {"other client writes", otherClient.http.get(), p + QStringLiteral("/messages"), message,
         404},
        {"other freelancer writes", otherFreelancer.http.get(), p + QStringLiteral("/messages"),
         message, 404},
        {"nobody cancels", &anonymous, p + QStringLiteral("/cancel"), reason, 401},
        {"nobody writes", &anonymous, p + QStringLiteral("/messages"), message, 401},
    };
    const QByteArray before = databaseFingerprint(*server);
    const QString wrong = postRefusals(cases);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QCOMPARE(databaseFingerprint(*server), before);
    QCOMPARE(anonymous.get(QStringLiteral("api/gig-orders")).status, 401);
}

void TestSandboxGigOrders::badInput_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");

    QTest::newRow("score 0") << "review" << QByteArray(R"({"score":0})") << 400;
    QTest::newRow("score 6") << "review" << QByteArray(R"({"score":6})") << 400;
    QTest::newRow("score 2.5") << "review" << QByteArray(R"({"score":2.5})") << 400;
    QTest::newRow("score as text") << "review" << QByteArray(R"({"score":"5"})") << 400;
    QTest::newRow("score missing") << "review" << QByteArray(R"({"review":"fine"})") << 400;
    QTest::newRow("score null") << "review" << QByteArray(R"({"score":null})") << 400;
    QTest::newRow("review a number") << "review" << QByteArray(R"({"score":3,"review":7})") << 400;
    QTest::newRow("message empty") << "messages" << QByteArray(R"({"body":""})") << 400;
    QTest::newRow("message blanks") << "messages" << QByteArray(R"({"body":"   "})") << 400;
    QTest::newRow("message missing") << "messages" << QByteArray(R"({})") << 400;
    QTest::newRow("message too long")
        << "messages" << QByteArray(R"({"body":")") + QByteArray(2001, 'm') + "\"}" << 400;
    QTest::newRow("malformed json") << "messages" << QByteArray(R"({"body": "x")") << 400;
    QTest::newRow("json list") << "messages" << QByteArray(R"(["x"])") << 400;
    QTest::newRow("cancel reason of 4")
        << "cancel" << QByteArray(R"({"reason":"  abcd  "})") << 400;
    QTest::newRow("cancel reason missing") << "cancel" << QByteArray(R"({})") << 400;
}

void TestSandboxGigOrders::badInput()
{
    QFETCH(QString, action);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    static qint64 completed = 0, pending = 0;
    if (!completed) {
        completed = placeOrder();
        const QString base = QStringLiteral("api/gig-orders/%1").arg(completed);
        QCOMPARE(seller->post(base + QStringLiteral("/accept")).status, 200);
        QCOMPARE(seller
                     ->post(base + QStringLiteral("/deliver"),
                            {{QStringLiteral("note"), QStringLiteral("Finished work")}})
                     .status,
                 200);
        QCOMPARE(client->post(base + QStringLiteral("/complete")).status, 200);
        pending = placeOrder();
    }
    const qint64 id = action == QLatin1String("review") ? completed : pending;
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r
        = client->send("POST", QStringLiteral("api/gig-orders/%1/%2").arg(id).arg(action), body);
    QCOMPARE(r.status, status);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxGigOrders::injectionTextStoredVerbatim()
{
    const qint64 id = placeOrder();
    const QString evil = QStringLiteral("'); DELETE FROM gig_orders; -- \"☃\"");
    QCOMPARE(client
                 ->post(QStringLiteral("api/gig-orders/%1/messages").arg(id),
                        {{QStringLiteral("body"), evil}})
                 .status,
             201);
    const QJsonArray messages
        = seller->get(QStringLiteral("api/gig-orders/%1").arg(id)).list(QStringLiteral("messages"));
    QCOMPARE(messages.last().toObject().value(QStringLiteral("body")).toString(), evil);
    QVERIFY(rowCount(*server, QStringLiteral("gig_orders")) > 1);
    // Ids that are not positive integers are unknown records.
    for (const QString &bad :
         {QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("1.5"),
          QStringLiteral("1%20OR%201=1"), QStringLiteral("99999999")}) {
        QCOMPARE(client->get(QStringLiteral("api/gig-orders/") + bad).status, 404);
        QCOMPARE(seller->post(QStringLiteral("api/gig-orders/%1/accept").arg(bad)).status, 404);
    }
}

QTEST_GUILESS_MAIN(TestSandboxGigOrders)
#include "tst_sandbox_gig_orders.moc"
