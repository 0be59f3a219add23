// Gigs on velto-sandbox: the store and own-gigs lists with the members the gig view reads,
// publishing with one to three packages, deleting, ordering with escrow, and every refusal
// (wrong role, someone else's gig, bad input) leaving the database as it was.

#include "marketfixtures.h"
#include "money.h"
#include "server.h"

#include <QJsonArray>
#include <QtTest>

class TestSandboxGigs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void storeListsGigsWithPackages();
    void ownGigsAreTheFreelancersOnly();
    void publishAsTheDialogDoesThenDelete();
    void publishRefusals_data();
    void publishRefusals();
    void orderEscrowsThePackagePrice();
    void orderRefusals();
    void authorizationMatrix();
    void injectionTextStoredVerbatim();

private:
    QJsonObject gigBody() const;

    std::unique_ptr<SandboxServer> server;
    Person client;
    Person freelancer;
    Person otherFreelancer;
};

void TestSandboxGigs::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    client = newPerson(*server, QStringLiteral("client"));
    freelancer = newPerson(*server, QStringLiteral("freelancer"));
    otherFreelancer = newPerson(*server, QStringLiteral("freelancer"));
    QVERIFY(client.id && freelancer.id && otherFreelancer.id);
    topUp(*server, client.id, 50000);
}

QJsonObject TestSandboxGigs::gigBody() const
{
    // The body of the gig dialog, member for member.
    return {{QStringLiteral("title"), QStringLiteral("Illustrated onboarding screens")},
            {QStringLiteral("description"),
             QStringLiteral("Five illustrated onboarding screens for a mobile app, with source "
                            "files and exports.")},
            {QStringLiteral("skills"),
             QJsonArray {QStringLiteral("Illustration"), QStringLiteral("Figma")}},
            {QStringLiteral("deliveryDays"), 7},
            {QStringLiteral("packages"),
             QJsonArray {
                 QJsonObject {{QStringLiteral("tier"), QStringLiteral("basic")},
                              {QStringLiteral("label"), QStringLiteral("Basic")},
                              {QStringLiteral("description"), QStringLiteral("Basic package")},
                              {QStringLiteral("price_paise"), 120000},
                              {QStringLiteral("delivery_days"), 7}},
                 QJsonObject {{QStringLiteral("tier"), QStringLiteral("premium")},
                              {QStringLiteral("label"), QStringLiteral("Premium")},
                              {QStringLiteral("description"), QStringLiteral("Premium package")},
                              {QStringLiteral("price_paise"), 500000},
                              {QStringLiteral("delivery_days"), 7}}}},
            {QStringLiteral("status"), QStringLiteral("active")}};
}

void TestSandboxGigs::storeListsGigsWithPackages()
{
    const HttpResult r = client->get(QStringLiteral("api/gigs"));
    QCOMPARE(r.status, 200);
    const QJsonArray gigs = r.list(QStringLiteral("gigs"));
    QVERIFY(gigs.size() >= 5); // the demo seed
    bool sawOne = false, sawThree = false;
    for (const QJsonValue &v : gigs) {
        const QJsonObject g = v.toObject();
        QVERIFY(g.value(QStringLiteral("id")).isDouble());
        QVERIFY(!g.value(QStringLiteral("title")).toString().isEmpty());
        QVERIFY(g.value(QStringLiteral("description")).isString());
        QVERIFY(g.value(QStringLiteral("orders_count")).isDouble());
        const QJsonArray packages = g.value(QStringLiteral("packages")).toArray();
        QVERIFY(packages.size() >= 1 && packages.size() <= 3);
        sawOne = sawOne || packages.size() == 1;
        sawThree = sawThree || packages.size() == 3;
        for (const QJsonValue &p : packages) {
            const QJsonObject o = p.toObject();
            QVERIFY(QStringList({"basic", "standard", "premium"})
                        .contains(o.value(QStringLiteral("tier")).toString()));
            QVERIFY(!o.value(QStringLiteral("label")).toString().isEmpty());
            QVERIFY(o.value(QStringLiteral("description")).isString());
            QVERIFY(o.value(QStringLiteral("price_paise")).toInteger() > 0);
            QVERIFY(o.value(QStringLiteral("delivery_days")).toInteger() > 0);
        }
    }
    QVERIFY(sawOne && sawThree);
    // Freelancers browse the store too; nobody without a session does.
    QCOMPARE(freelancer->get(QStringLiteral("api/gigs")).status, 200);
    SandboxClient anonymous(server->port());
    QCOMPARE(anonymous.get(QStringLiteral("api/gigs")).status, 401);
}

void TestSandboxGigs::ownGigsAreTheFreelancersOnly()
{
    Person demo
        = demoPerson(*server, SandboxClient::FreelancerEmail, SandboxClient::FreelancerPassword);
    const HttpResult r = demo->get(QStringLiteral("api/gigs/mine"));
    QCOMPARE(r.status, 200);
    const QJsonArray gigs = r.list(QStringLiteral("gigs"));
    QCOMPARE(gigs.size(), 3);
    for (const QJsonValue &g : gigs)
        QCOMPARE(g.toObject().value(QStringLiteral("freelancer_id")).toInteger(), demo.id);
    // A fresh freelancer has none; a client has no own-gigs list at all.
    QCOMPARE(
        otherFreelancer->get(QStringLiteral("api/gigs/mine")).list(QStringLiteral("gigs")).size(),
        0);
    const HttpResult refused = client->get(QStringLiteral("api/gigs/mine"));
    QCOMPARE(refused.status, 403);
    QVERIFY(!refused.error().isEmpty());
}

void TestSandboxGigs::publishAsTheDialogDoesThenDelete()
{
    const HttpResult r = freelancer->post(QStringLiteral("api/gigs"), gigBody());
    QCOMPARE(r.status, 201);
    const QJsonObject gig = r.object(QStringLiteral("gig"));
    const qint64 id = gig.value(QStringLiteral("id")).toInteger();
    QVERIFY(id > 0);
    QCOMPARE(gig.value(QStringLiteral("title")).toString(),
             QStringLiteral("Illustrated onboarding screens"));
    QCOMPARE(gig.value(QStringLiteral("orders_count")).toInteger(), 0);
    QCOMPARE(gig.value(QStringLiteral("skills")).toArray().size(), 2);
    const QJsonArray packages = gig.value(QStringLiteral("packages")).toArray();
    QCOMPARE(packages.size(), 2);
    QCOMPARE(packages.at(0).toObject().value(QStringLiteral("tier")).toString(),
             QStringLiteral("basic"));
    QCOMPARE(packages.at(1).toObject().value(QStringLiteral("tier")).toString(),
             QStringLiteral("premium"));
    QCOMPARE(packages.at(1).toObject().value(QStringLiteral("price_paise")).toInteger(), 500000);

    auto listed = [&](SandboxClient &who, const QString &path) {
        for (const QJsonValue &g : who.get(path).list(QStringLiteral("gigs")))
            if (g.toObject().value(QStringLiteral("id")).toInteger() == id)
                return true;
        return false;
    };
    QVERIFY(listed(*freelancer, QStringLiteral("api/gigs/mine")));
    QVERIFY(listed(*client, QStringLiteral("api/gigs")));

    QCOMPARE(freelancer->del(QStringLiteral("api/gigs/%1").arg(id)).status, 200);
    QVERIFY(!listed(*freelancer, QStringLiteral("api/gigs/mine")));
    QVERIFY(!listed(*client, QStringLiteral("api/gigs")));
    QCOMPARE(freelancer->del(QStringLiteral("api/gigs/%1").arg(id)).status, 404);

    // One package is enough; package delivery days may come from deliveryDays.
    QJsonObject single = gigBody();
    single.insert(QStringLiteral("packages"),
                  QJsonArray {QJsonObject {{QStringLiteral("tier"), QStringLiteral("basic")},
                                           {QStringLiteral("price_paise"), 99900}}});
    const HttpResult one = freelancer->post(QStringLiteral("api/gigs"), single);
    QCOMPARE(one.status, 201);
    const QJsonObject p = one.object(QStringLiteral("gig"))
                              .value(QStringLiteral("packages"))
                              .toArray()
                              .at(0)
                              .toObject();
    QCOMPARE(p.value(QStringLiteral("delivery_days")).toInteger(), 7);
    QCOMPARE(p.value(QStringLiteral("label")).toString(), QStringLiteral("Basic"));
}

void TestSandboxGigs::publishRefusals_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QJsonValue>("value");

    auto package = [](const QJsonObject &extra) {
        QJsonObject p {{QStringLiteral("tier"), QStringLiteral("basic")},
                       {QStringLiteral("price_paise"), 100000},
                       {QStringLiteral("delivery_days"), 5}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            p.insert(it.key(), it.value());
        return QJsonValue(QJsonArray {p});
    };
    QTest::newRow("title of 9") << "title" << QJsonValue(QStringLiteral("  123456789  "));
    QTest::newRow("title a number") << "title" << QJsonValue(1234567890);
    QTest::newRow("title missing") << "title" << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("description of 49")
        << "description" << QJsonValue(QString(49, QLatin1Char('d')));
    QTest::newRow("no packages") << "packages" << QJsonValue(QJsonArray());
    QTest::newRow("packages not a list") << "packages" << QJsonValue(QStringLiteral("basic"));
    QTest::newRow("package not an object") << "packages" << QJsonValue(QJsonArray {1});
    QTest::newRow("four packages")
        << "packages"
        << QJsonValue(QJsonArray {package({}).toArray().at(0), package({}).toArray().at(0),
                                  package({}).toArray().at(0), package({}).toArray().at(0)});
    QTest::newRow("same tier twice")
        << "packages"
        << QJsonValue(QJsonArray {package({}).toArray().at(0), package({}).toArray().at(0)});
    QTest::newRow("unknown tier") << "packages"
                                  << package({{QStringLiteral("tier"), QStringLiteral("gold")}});
    QTest::newRow("price 0") << "packages" << package({{QStringLiteral("price_paise"), 0}});
    QTest::newRow("price negative")
        << "packages" << package({{QStringLiteral("price_paise"), -100}});
    QTest::newRow("price with fraction")
        << "packages" << package({{QStringLiteral("price_paise"), 1200.5}});
    QTest::newRow("price as text")
        << "packages" << package({{QStringLiteral("price_paise"), QStringLiteral("1200")}});
    QTest::newRow("price huge") << "packages" << package({{QStringLiteral("price_paise"), 1e18}});
    QTest::newRow("package days 0")
        << "packages" << package({{QStringLiteral("delivery_days"), 0}});
    QTest::newRow("deliveryDays negative") << "deliveryDays" << QJsonValue(-3);
    QTest::newRow("deliveryDays as text") << "deliveryDays" << QJsonValue(QStringLiteral("7"));
    QTest::newRow("skills not a list") << "skills" << QJsonValue(QStringLiteral("Qt, QML"));
    QTest::newRow("skill a number") << "skills" << QJsonValue(QJsonArray {42});
    QTest::newRow("status deleted") << "status" << QJsonValue(QStringLiteral("deleted"));
}

void TestSandboxGigs::publishRefusals()
{
    QFETCH(QString, member);
    QFETCH(QJsonValue, value);
    QJsonObject body = gigBody();
    if (value.isUndefined())
        body.remove(member);
    else
        body.insert(member, value);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = freelancer->post(QStringLiteral("api/gigs"), body);
    QCOMPARE(r.status, 400);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxGigs::orderEscrowsThePackagePrice()
{
    const qint64 gigId = publishGig(
        *freelancer, {{QStringLiteral("basic"), 1500}, {QStringLiteral("standard"), 3250}});
    QVERIFY(gigId);
    const qint64 before = balance(*server, client.id);
    const qint64 held = Money::totalHeld(server->storage());

    const HttpResult r = client->post(QStringLiteral("api/gigs/%1/order").arg(gigId),
                                      {{QStringLiteral("packageTier"), QStringLiteral("standard")},
                                       {QStringLiteral("instructions"), QStringLiteral("")}});
    QCOMPARE(r.status, 201);
    const QJsonObject order = r.object(QStringLiteral("order"));
    QCOMPARE(order.value(QStringLiteral("status")).toString(), QStringLiteral("pending"));
    QCOMPARE(order.value(QStringLiteral("price_paise")).toInteger(), 325000);
    QCOMPARE(order.value(QStringLiteral("package_tier")).toString(), QStringLiteral("standard"));
    QCOMPARE(order.value(QStringLiteral("client_id")).toInteger(), client.id);
    QCOMPARE(balance(*server, client.id), before - 325000);
    QCOMPARE(Money::totalHeld(server->storage()), held + 325000);
    QVERIFY(Money::isHeld(server->storage(), Money::Escrow::GigOrder,
                          order.value(QStringLiteral("id")).toInteger()));

    // The seller hears of it, and the store counts it.
    bool notified = false;
    for (const QJsonValue &n :
         freelancer->get(QStringLiteral("api/notifications")).list(QStringLiteral("notifications")))
        notified = notified
            || n.toObject().value(QStringLiteral("kind")).toString()
                == QLatin1String("order_placed");
    QVERIFY(notified);
    for (const QJsonValue &g :
         client->get(QStringLiteral("api/gigs")).list(QStringLiteral("gigs"))) {
        if (g.toObject().value(QStringLiteral("id")).toInteger() == gigId)
            QCOMPARE(g.toObject().value(QStringLiteral("orders_count")).toInteger(), 1);
    }
}

void TestSandboxGigs::orderRefusals()
{
    const qint64 gigId = publishGig(*freelancer, {{QStringLiteral("basic"), 2000}});
    QVERIFY(gigId);
    const QString path = QStringLiteral("api/gigs/%1/order").arg(gigId);
    const QByteArray before = databaseFingerprint(*server);
    struct Case
    {
        const char *name;
        QString path;
        QJsonObject body;
        int status;
    };
    const QList<Case> cases = {
        {"tier the gig lacks",
         path,
         {{QStringLiteral("packageTier"), QStringLiteral("premium")}},
         400},
        {"tier missing", path, {}, 400},
        {"tier a number", path, {{QStringLiteral("packageTier"), 1}}, 400},
        {"instructions a list",
         path,
         {{QStringLiteral("packageTier"), QStringLiteral("basic")},
          {QStringLiteral("instructions"), QJsonArray()}},
         400},
        {"unknown gig",
         QStringLiteral("api/gigs/999999/order"),
         {{QStringLiteral("packageTier"), QStringLiteral("basic")}},
         404},
        {"non-numeric id",
         QStringLiteral("api/gigs/abc/order"),
         {{QStringLiteral("packageTier"), QStringLiteral("basic")}},
         404},
        {"injected id",
         QStringLiteral("api/gigs/1%20OR%201=1/order"),
         {{QStringLiteral("packageTier"), QStringLiteral("basic")}},
         404},
    };
    for (const Case &c : cases) {
        const HttpResult r = client->post(c.path, c.body);
        QVERIFY2(r.status == c.status, c.name);
        QVERIFY2(!r.error().isEmpty(), c.name);
    }
    QCOMPARE(databaseFingerprint(*server), before);

    // A wallet that does not cover the price: 409 with the reason, nothing held.
    Person poor = newPerson(*server, QStringLiteral("client"));
    const QByteArray beforePoor = databaseFingerprint(*server);
    const HttpResult r
        = poor->post(path, {{QStringLiteral("packageTier"), QStringLiteral("basic")}});
    QCOMPARE(r.status, 409);
    QVERIFY(r.error().contains(QStringLiteral("balance"), Qt::CaseInsensitive));
    QCOMPARE(databaseFingerprint(*server), beforePoor);

    // A deleted gig cannot be ordered.
    QCOMPARE(freelancer->del(QStringLiteral("api/gigs/%1").arg(gigId)).status, 200);
    QCOMPARE(client->post(path, {{QStringLiteral("packageTier"), QStringLiteral("basic")}}).status,
             404);
}

void TestSandboxGigs::authorizationMatrix()
{
    const qint64 gigId = publishGig(*freelancer, {{QStringLiteral("basic"), 1000}});
    QVERIFY(gigId);
    SandboxClient anonymous(server->port());
    const QByteArray before = databaseFingerprint(*server);
    struct Case
    {
        const char *name;
        SandboxClient *who;
        QByteArray method;
        QString path;
        QJsonObject body;
        int status;
    };
    const QString gig = QStringLiteral("api/gigs/%1").arg(gigId);
    const QJsonObject order {{QStringLiteral("packageTier"), QStringLiteral("basic")}};
    const QList<Case> cases = {
        {"client publishes", client.http.get(), "POST", QStringLiteral("api/gigs"), gigBody(), 403},
        {"nobody publishes", &anonymous, "POST", QStringLiteral("api/gigs"), gigBody(), 401},
        {"client deletes", client.http.get(), "DELETE", gig, {}, 403},
        {"other freelancer deletes", otherFreelancer.http.get(), "DELETE", gig, {}, 404},
        {"nobody deletes", &anonymous, "DELETE", gig, {}, 401},
        {"freelancer orders", otherFreelancer.http.get(), "POST", gig + QStringLiteral("/order"),
         order, 403},
        {"seller orders own gig", freelancer.http.get(), "POST", gig + QStringLiteral("/order"),
         order, 403},
        {"nobody orders", &anonymous, "POST", gig + QStringLiteral("/order"), order, 401},
    };
    for (const Case &c : cases) {
        const HttpResult r
            = c.method == "DELETE" ? c.who->del(c.path) : c.who->post(c.path, c.body);
        QVERIFY2(r.status == c.status,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name)).arg(r.status)));
        QVERIFY2(!r.error().isEmpty(), c.name);
    }
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxGigs::injectionTextStoredVerbatim()
{
    const QString title = QStringLiteral("Robert'); DROP TABLE gigs;--");
    const QString description
        = QStringLiteral("x' OR '1'='1 \"; DELETE FROM gig_packages; -- and enough text to pass");
    QJsonObject body = gigBody();
    body.insert(QStringLiteral("title"), title);
    body.insert(QStringLiteral("description"), description);
    body.insert(QStringLiteral("skills"), QJsonArray {QStringLiteral("'; DROP TABLE users; --")});
    const HttpResult r = freelancer->post(QStringLiteral("api/gigs"), body);
    QCOMPARE(r.status, 201);
    const qint64 id = r.object(QStringLiteral("gig")).value(QStringLiteral("id")).toInteger();
    bool found = false;
    for (const QJsonValue &v :
         client->get(QStringLiteral("api/gigs")).list(QStringLiteral("gigs"))) {
        const QJsonObject g = v.toObject();
        if (g.value(QStringLiteral("id")).toInteger() != id)
            continue;
        found = true;
        QCOMPARE(g.value(QStringLiteral("title")).toString(), title);
        QCOMPARE(g.value(QStringLiteral("description")).toString(), description);
        QCOMPARE(g.value(QStringLiteral("skills")).toArray().at(0).toString(),
                 QStringLiteral("'; DROP TABLE users; --"));
    }
    QVERIFY(found);
    QVERIFY(rowCount(*server, QStringLiteral("gig_packages")) > 0);
    QVERIFY(rowCount(*server, QStringLiteral("users")) > 0);
}

QTEST_GUILESS_MAIN(TestSandboxGigs)
#include "tst_sandbox_gigs.moc"
