// Contests of velto-sandbox: posting escrows prize and plan fee, entries, award and cancel move
// the escrow; who may do what; bad input; money is conserved.

#include "money.h"
#include "sandboxclient.h"
#include "server.h"

#include <QtTest>

class TestSandboxContests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void listAndDetailMembers();
    void postEnterAward();
    void cancelRefundsPrizeAndFee();
    void walletMustCoverPrizeAndFee();
    void authorizationMatrix();
    void badInput_data();
    void badInput();
    void entryRules();
    void moneyIsConserved();

private:
    qint64 post(SandboxClient &c, const QString &title, const QString &prize = "1000");
    qint64 balance(SandboxClient &c);
    qint64 conserved() const
    {
        return Money::totalInWallets(server->storage()) + Money::totalHeld(server->storage());
    }
    std::unique_ptr<SandboxServer> server;
    TestCast cast;
    std::unique_ptr<SandboxClient> &client = cast.client;
    std::unique_ptr<SandboxClient> &freelancer = cast.freelancer;
    std::unique_ptr<SandboxClient> &otherClient = cast.otherClient;
    std::unique_ptr<SandboxClient> &otherFreelancer = cast.otherFreelancer;
};

static const QString Brief
    = QStringLiteral("A brief that is longer than thirty characters, surely.");
static const QString EntryText = QStringLiteral("An entry description of twenty+ chars");

void TestSandboxContests::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    QVERIFY(cast.signIn(*server, "poor.client@example.test", "entrant@example.test"));
}

qint64 TestSandboxContests::post(SandboxClient &c, const QString &title, const QString &prize)
{
    const HttpResult r
        = c.post("api/contests",
                 {{"title", title}, {"brief", Brief}, {"prize", prize}, {"deadlineDays", 10}});
    return r.status == 201 ? r.object("contest").value("id").toInteger() : 0;
}

qint64 TestSandboxContests::balance(SandboxClient &c)
{
    return c.get("api/wallet").object("wallet").value("balance_paise").toInteger();
}

void TestSandboxContests::listAndDetailMembers()
{
    const HttpResult all = freelancer->get("api/contests");
    QCOMPARE(all.status, 200);
    QStringList statuses;
    for (const QJsonValue &v : all.list("contests")) {
        const QJsonObject c = v.toObject();
        statuses << c.value("status").toString();
        QVERIFY(c.value("id").toInteger() > 0);
        QVERIFY(!c.value("title").toString().isEmpty());
        QVERIFY(c.value("prize_paise").toInteger() >= 50000);
        QVERIFY(c.contains("entries_count"));
        QCOMPARE(c.value("deadline").toString().mid(4, 1), QStringLiteral("-"));
    }
    QVERIFY(statuses.contains("open") && statuses.contains("awarded")
            && statuses.contains("cancelled"));
    const HttpResult mine = client->get("api/contests?mine=1");
    QCOMPARE(mine.status, 200);
    QVERIFY(!mine.list("contests").isEmpty());
    QVERIFY(mine.list("contests").size() < all.list("contests").size());
    const qint64 me = client->get("api/auth/me").object("user").value("id").toInteger();
    for (const QJsonValue &v : mine.list("contests"))
        QCOMPARE(v.toObject().value("client_id").toInteger(), me);

    // Contest 1 is the client's, with two entries.
    const HttpResult host = client->get("api/contests/1");
    QCOMPARE(host.status, 200);
    QCOMPARE(host.json.value("isHost").toBool(), true);
    QCOMPARE(host.object("contest").value("brief").toString().isEmpty(), false);
    const QJsonArray entries = host.list("entries");
    QCOMPARE(entries.size(), 2);
    const QJsonObject e = entries.first().toObject();
    QVERIFY(e.value("id").toInteger() > 0);
    QVERIFY(!e.value("title").toString().isEmpty());
    QVERIFY(!e.value("description").toString().isEmpty());
    QVERIFY(e.value("is_winner").isBool());
    QVERIFY(!e.value("display_name").toString().isEmpty());
    QVERIFY(e.contains("attachment_url"));

    const HttpResult guest = otherFreelancer->get("api/contests/1");
    QCOMPARE(guest.status, 200);
    QCOMPARE(guest.json.value("isHost").toBool(), false);
    for (const QJsonValue &v : guest.list("entries"))
        QVERIFY(!v.toObject().contains("display_name"));
    QCOMPARE(client->get("api/contests/999999").status, 404);
    QCOMPARE(client->get("api/contests/x1").status, 404);
}

void TestSandboxContests::postEnterAward()
{
    const qint64 before = balance(*client);
    const int invoicesBefore = client->get("api/invoices").list("invoices").size();
    const qint64 id = post(*client, "  Icon set for a weather app ", "2000");
    QVERIFY(id);
    const qint64 fee = Money::contestFee(200000);
    QCOMPARE(fee, 10000);
    QCOMPARE(balance(*client), before - 200000 - fee);
    const QJsonArray invoices = client->get("api/invoices").list("invoices");
    QCOMPARE(invoices.size(), invoicesBefore + 1);
    QCOMPARE(invoices.first().toObject().value("total_paise").toInteger(), fee);
    QVERIFY(invoices.first().toObject().value("invoice_number").toString().startsWith("INV-"));
    const QJsonObject c = client->get(QStringLiteral("api/contests/%1").arg(id)).object("contest");
    QCOMPARE(c.value("title").toString(), QStringLiteral("Icon set for a weather app"));
    QCOMPARE(c.value("status").toString(), QStringLiteral("open"));
    QCOMPARE(c.value("prize_paise").toInteger(), 200000);

    const QString path = QStringLiteral("api/contests/%1").arg(id);
    const int hostUnread
        = int(client->get("api/notifications").json.value("unread_count").toInteger());
    const HttpResult entered = freelancer->post(
        path + "/entries",
        {{"title", "Sunny set"}, {"description", EntryText}, {"attachmentUrl", ""}});
    QCOMPARE(entered.status, 201);
    QCOMPARE(otherFreelancer
                 ->post(path + "/entries",
                        {{"title", "Cloudy set"},
                         {"description", EntryText},
                         {"attachmentUrl", "https://example.test/work"}})
                 .status,
             201);
    QCOMPARE(client->get("api/notifications").json.value("unread_count").toInteger(),
             hostUnread + 2);
    QCOMPARE(client->get(path).object("contest").value("entries_count").toInteger(), 2);

    const qint64 freelancerBefore = balance(*freelancer);
    const qint64 houseBefore
        = Money::balance(server->storage(), Money::houseAccountId(server->storage()));
    const qint64 entryId = entered.object("entry").value("id").toInteger();
    const HttpResult awarded = client->post(path + "/award", {{"entryId", entryId}});
    QCOMPARE(awarded.status, 200);
    QCOMPARE(balance(*freelancer), freelancerBefore + 200000);
    QCOMPARE(Money::balance(server->storage(), Money::houseAccountId(server->storage())),
             houseBefore + fee);
    const HttpResult detail = client->get(path);
    QCOMPARE(detail.object("contest").value("status").toString(), QStringLiteral("awarded"));
    for (const QJsonValue &v : detail.list("entries"))
        QCOMPARE(v.toObject().value("is_winner").toBool(),
                 v.toObject().value("id").toInteger() == entryId);
    QCOMPARE(freelancer->get("api/notifications")
                 .list("notifications")
                 .first()
                 .toObject()
                 .value("kind")
                 .toString(),
             QStringLiteral("prize_awarded"));
    // Awarded: nothing more happens.
    QCOMPARE(client->post(path + "/award", {{"entryId", entryId}}).status, 409);
    QCOMPARE(client->post(path + "/cancel").status, 409);
    QCOMPARE(
        freelancer->post(path + "/entries", {{"title", "Late"}, {"description", EntryText}}).status,
        409);
}

void TestSandboxContests::cancelRefundsPrizeAndFee()
{
    const qint64 before = balance(*client);
    const qint64 id = post(*client, "Contest to be cancelled", "750");
    QVERIFY(id);
    QVERIFY(balance(*client) < before);
    const QString path = QStringLiteral("api/contests/%1").arg(id);
    QCOMPARE(freelancer->post(path + "/entries", {{"title", "Entry"}, {"description", EntryText}})
                 .status,
             201);
    QCOMPARE(client->post(path + "/cancel").status, 200);
    QCOMPARE(balance(*client), before);
    QCOMPARE(client->get(path).object("contest").value("status").toString(),
             QStringLiteral("cancelled"));
    QCOMPARE(freelancer->get("api/notifications")
                 .list("notifications")
                 .first()
                 .toObject()
                 .value("kind")
                 .toString(),
             QStringLiteral("contest_cancelled"));
    QCOMPARE(client->post(path + "/cancel").status, 409);
}

void TestSandboxContests::walletMustCoverPrizeAndFee()
{
    // A new client has an empty wallet.
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = otherClient->post(
        "api/contests",
        {{"title", "Cannot afford it"}, {"brief", Brief}, {"prize", "500"}, {"deadlineDays", 3}});
    QCOMPARE(r.status, 409);
    QVERIFY(r.error().contains("wallet"));
    QCOMPARE(databaseFingerprint(*server), before);
    Money::deposit(server->storage(),
                   otherClient->get("api/auth/me").object("user").value("id").toInteger(), 50000,
                   "test top-up");
    // Exactly the prize is not enough: the plan fee comes on top.
    QCOMPARE(otherClient
                 ->post("api/contests",
                        {{"title", "Cannot afford it"}, {"brief", Brief}, {"prize", "500"}})
                 .status,
             409);
    Money::deposit(server->storage(),
                   otherClient->get("api/auth/me").object("user").value("id").toInteger(),
                   Money::contestFee(50000), "test top-up");
    const HttpResult ok = otherClient->post(
        "api/contests", {{"title", "Now it is affordable"}, {"brief", Brief}, {"prize", "500"}});
    QCOMPARE(ok.status, 201); // deadlineDays may be left out (14 days)
    QCOMPARE(balance(*otherClient), 0);
}

void TestSandboxContests::authorizationMatrix()
{
    const qint64 id = post(*client, "Matrix contest for the client");
    QVERIFY(id);
    const QString path = QStringLiteral("api/contests/%1").arg(id);
    const HttpResult entry = freelancer->post(
        path + "/entries", {{"title", "Matrix entry"}, {"description", EntryText}});
    QCOMPARE(entry.status, 201);
    const qint64 entryId = entry.object("entry").value("id").toInteger();
    const QJsonObject contest {
        {"title", "Freelancers cannot host"}, {"brief", Brief}, {"prize", "500"}};
    const QJsonObject anEntry {{"title", "Clients cannot enter"}, {"description", EntryText}};
    struct Case
    {
        SandboxClient *who;
        QString path;
        QJsonObject body;
        int status;
    };
    SandboxClient anonymous(server->port());
    const QList<Case> cases = {
        {&anonymous, "api/contests", contest, 401},
        {freelancer.get(), "api/contests", contest, 403},
        {client.get(), path + "/entries", anEntry, 403},
        {otherClient.get(), path + "/entries", anEntry, 403},
        {freelancer.get(), path + "/award", {{"entryId", entryId}}, 403},
        {otherClient.get(), path + "/award", {{"entryId", entryId}}, 404},
        {freelancer.get(), path + "/cancel", {}, 403},
        {otherClient.get(), path + "/cancel", {}, 404},
        {&anonymous, path + "/cancel", {}, 401},
    };
    const QByteArray before = databaseFingerprint(*server);
    for (const Case &c : cases) {
        const HttpResult r = c.who->post(c.path, c.body);
        QVERIFY2(r.status == c.status, qPrintable(c.path + QStringLiteral(" → %1").arg(r.status)));
        QVERIFY(!r.error().isEmpty());
    }
    QCOMPARE(anonymous.get("api/contests").status, 401);
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxContests::badInput_data()
{
    QTest::addColumn<QJsonObject>("body");
    const QJsonObject good {
        {"title", "A contest title"}, {"brief", Brief}, {"prize", "600"}, {"deadlineDays", 7}};
    auto with = [&](const char *member, const QJsonValue &value) {
        return withMember(good, member, value);
    };
    QTest::newRow("prize 499") << with("prize", "499");
    QTest::newRow("prize letters") << with("prize", "five hundred");
    QTest::newRow("prize decimal") << with("prize", "500.00");
    QTest::newRow("prize number") << with("prize", 500);
    QTest::newRow("prize negative") << with("prize", "-500");
    QTest::newRow("prize missing") << with("prize", QJsonValue::Undefined);
    QTest::newRow("prize huge") << with("prize", "100000000000");
    QTest::newRow("title short") << with("title", "abcd");
    QTest::newRow("brief short") << with("brief", QString(29, 'b'));
    QTest::newRow("brief object") << with("brief", QJsonObject {{"a", 1}});
    QTest::newRow("days negative") << with("deadlineDays", -2);
    QTest::newRow("days zero") << with("deadlineDays", 0);
    QTest::newRow("days text") << with("deadlineDays", "14");
    QTest::newRow("days huge") << with("deadlineDays", 1e300);
}

void TestSandboxContests::badInput()
{
    QFETCH(QJsonObject, body);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = client->post("api/contests", body);
    QCOMPARE(r.status, 400);
    QVERIFY(!r.error().isEmpty());
    QCOMPARE(databaseFingerprint(*server), before);
}

void TestSandboxContests::entryRules()
{
    const qint64 id = post(*client, "Contest for entry rules");
    const qint64 other = post(*client, "Another contest of the host");
    QVERIFY(id && other);
    const QString path = QStringLiteral("api/contests/%1").arg(id);
    const QByteArray before = databaseFingerprint(*server);
    QCOMPARE(
        freelancer->post(path + "/entries", {{"title", "ab"}, {"description", EntryText}}).status,
        400);
    QCOMPARE(
        freelancer->post(path + "/entries", {{"title", "abc"}, {"description", QString(19, 'd')}})
            .status,
        400);
    QCOMPARE(freelancer
                 ->post(path + "/entries",
                        {{"title", "abc"},
                         {"description", EntryText},
                         {"attachmentUrl", "javascript:alert(1)"}})
                 .status,
             400);
    QCOMPARE(freelancer
                 ->post(path + "/entries",
                        {{"title", "abc"}, {"description", EntryText}, {"attachmentUrl", 5}})
                 .status,
             400);
    QCOMPARE(
        freelancer
            ->post("api/contests/999999/entries", {{"title", "abc"}, {"description", EntryText}})
            .status,
        404);
    QCOMPARE(databaseFingerprint(*server), before);

    const QString evil = QStringLiteral("Robert'); DROP TABLE contests;--");
    const HttpResult r = freelancer->post(path + "/entries",
                                          {{"title", evil},
                                           {"description", evil + " long enough"},
                                           {"attachmentUrl", "https://x.test/?q=' OR 1=1"}});
    QCOMPARE(r.status, 201);
    QCOMPARE(freelancer->post(path + "/entries", {{"title", "Second"}, {"description", EntryText}})
                 .status,
             409);
    const QJsonObject stored = client->get(path).list("entries").first().toObject();
    QCOMPARE(stored.value("title").toString(), evil);
    QCOMPARE(stored.value("attachment_url").toString(),
             QStringLiteral("https://x.test/?q=' OR 1=1"));

    // Award takes only an entry of this contest, given as an id.
    const qint64 entryId = r.object("entry").value("id").toInteger();
    const QString otherPath = QStringLiteral("api/contests/%1").arg(other);
    QCOMPARE(client->post(otherPath + "/award", {{"entryId", entryId}}).status, 404);
    QCOMPARE(client->post(path + "/award", {{"entryId", "abc"}}).status, 400);
    QCOMPARE(client->post(path + "/award", {{"entryId", -1}}).status, 400);
    QCOMPARE(client->post(path + "/award", {}).status, 400);
    QCOMPARE(client->post(path + "/award", {{"entryId", QString::number(entryId)}}).status, 200);

    // Contest texts are stored as sent, too.
    const QString evilBrief = evil + QStringLiteral(" and a brief long enough ' OR '1'='1");
    const HttpResult c
        = client->post("api/contests", {{"title", evil}, {"brief", evilBrief}, {"prize", "500"}});
    QCOMPARE(c.status, 201);
    const QJsonObject shown = client
                                  ->get(QStringLiteral("api/contests/%1")
                                            .arg(c.object("contest").value("id").toInteger()))
                                  .object("contest");
    QCOMPARE(shown.value("title").toString(), evil);
    QCOMPARE(shown.value("brief").toString(), evilBrief);
}

void TestSandboxContests::moneyIsConserved()
{
    const qint64 total = conserved();
    const qint64 a = post(*client, "Conservation contest A", "1234");
    const qint64 b = post(*client, "Conservation contest B", "999");
    QVERIFY(a && b);
    QCOMPARE(conserved(), total);
    const HttpResult e = freelancer->post(QStringLiteral("api/contests/%1/entries").arg(a),
                                          {{"title", "Entry A"}, {"description", EntryText}});
    QCOMPARE(client
                 ->post(QStringLiteral("api/contests/%1/award").arg(a),
                        {{"entryId", e.object("entry").value("id").toInteger()}})
                 .status,
             200);
    QCOMPARE(conserved(), total);
    QCOMPARE(client->post(QStringLiteral("api/contests/%1/cancel").arg(b)).status, 200);
    QCOMPARE(conserved(), total);
    // Refused moves leave the totals alone too.
    QCOMPARE(client->post(QStringLiteral("api/contests/%1/cancel").arg(b)).status, 409);
    QCOMPARE(conserved(), total);
    // Every wallet's balance is the sum of its ledger and never negative.
    const QJsonArray negative = server->storage().all(
        "SELECT user_id, SUM(amount_paise) AS s FROM wallet_transactions GROUP BY user_id "
        "HAVING s < 0");
    QVERIFY(negative.isEmpty());
}

QTEST_GUILESS_MAIN(TestSandboxContests)
#include "tst_sandbox_contests.moc"
