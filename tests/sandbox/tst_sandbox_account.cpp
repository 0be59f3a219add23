// Teams, wallet, invoices, notifications and the account matters of velto-sandbox: affiliate,
// bank account and withdrawals (settlements).

#include "money.h"
#include "sandboxclient.h"
#include "server.h"

#include <QtTest>

class TestSandboxAccount : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void teamsCreateInviteDelete();
    void teamsAuthorizationAndBadInput();
    void walletAndInvoices();
    void notificationsReadAll();
    void affiliate();
    void bankAccount_data();
    void bankAccount();
    void settlements();
    void settlementRefusals();

private:
    std::unique_ptr<SandboxServer> server;
    TestCast cast;
    std::unique_ptr<SandboxClient> &client = cast.client;
    std::unique_ptr<SandboxClient> &freelancer = cast.freelancer;
    std::unique_ptr<SandboxClient> &otherClient = cast.otherClient;
    std::unique_ptr<SandboxClient> &otherFreelancer = cast.otherFreelancer;
    qint64 &otherFreelancerId = cast.otherFreelancerId;
};

void TestSandboxAccount::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    QVERIFY(cast.signIn(*server, "team.owner@example.test", "new.freelancer@example.test"));
}

void TestSandboxAccount::teamsCreateInviteDelete()
{
    const HttpResult seeded = client->get("api/teams/mine");
    QCOMPARE(seeded.status, 200);
    QVERIFY(seeded.list("teams").size() >= 2);
    for (const QJsonValue &v : seeded.list("teams")) {
        const QJsonObject t = v.toObject();
        QVERIFY(t.value("id").toInteger() > 0);
        QVERIFY(!t.value("name").toString().isEmpty());
        QVERIFY(t.value("member_count").toInteger() >= 1);
        QVERIFY(t.value("description").isString());
    }

    const HttpResult created
        = otherClient->post("api/teams", {{"name", "  QA  "}, {"description", ""}});
    QCOMPARE(created.status, 201);
    const QJsonObject team = created.object("team");
    QCOMPARE(team.value("name").toString(), QStringLiteral("QA"));
    QCOMPARE(team.value("member_count").toInteger(), 1); // the owner
    QCOMPARE(team.value("description").toString(), QString());
    const QString path = QStringLiteral("api/teams/%1").arg(team.value("id").toInteger());
    QCOMPARE(otherClient->post("api/teams", {{"name", "QA"}, {"description", "again"}}).status,
             409);

    // An existing account is added (and told); an unknown address stays an invitation.
    const int unread
        = int(otherFreelancer->get("api/notifications").json.value("unread_count").toInteger());
    HttpResult r
        = otherClient->post(path + "/invite", {{"email", " New.Freelancer@example.test "}});
    QCOMPARE(r.status, 201);
    QCOMPARE(r.object("invitation").value("status").toString(), QStringLiteral("member"));
    QCOMPARE(otherFreelancer->get("api/notifications").json.value("unread_count").toInteger(),
             unread + 1);
    r = otherClient->post(path + "/invite", {{"email", "stranger@elsewhere.test"}});
    QCOMPARE(r.status, 201);
    QCOMPARE(r.object("invitation").value("status").toString(), QStringLiteral("invited"));
    QCOMPARE(otherClient->post(path + "/invite", {{"email", "new.freelancer@example.test"}}).status,
             409);
    QCOMPARE(otherClient->post(path + "/invite", {{"email", "team.owner@example.test"}}).status,
             409);

    QJsonObject listed;
    for (const QJsonValue &v : otherClient->get("api/teams/mine").list("teams"))
        if (v.toObject().value("name").toString() == QLatin1String("QA"))
            listed = v.toObject();
    QCOMPARE(listed.value("member_count").toInteger(), 2);
    // The added member sees the team too.
    bool memberSees = false;
    for (const QJsonValue &v : otherFreelancer->get("api/teams/mine").list("teams"))
        memberSees |= v.toObject().value("name").toString() == QLatin1String("QA");
    QVERIFY(memberSees);

    QCOMPARE(otherClient->del(path).status, 200);
    QCOMPARE(otherClient->del(path).status, 404);
    for (const QJsonValue &v : otherClient->get("api/teams/mine").list("teams"))
        QVERIFY(v.toObject().value("name").toString() != QLatin1String("QA"));
}

void TestSandboxAccount::teamsAuthorizationAndBadInput()
{
    const qint64 clientTeam
        = client->get("api/teams/mine").list("teams").first().toObject().value("id").toInteger();
    const QString path = QStringLiteral("api/teams/%1").arg(clientTeam);
    SandboxClient anonymous(server->port());
    const QByteArray before = databaseFingerprint(*server);
    QCOMPARE(freelancer->post("api/teams", {{"name", "Freelancers' team"}}).status, 403);
    QCOMPARE(anonymous.post("api/teams", {{"name", "Nobody's team"}}).status, 401);
    QCOMPARE(otherClient->post(path + "/invite", {{"email", "x@y.test"}}).status, 404);
    QCOMPARE(freelancer->post(path + "/invite", {{"email", "x@y.test"}}).status, 403);
    QCOMPARE(otherClient->del(path).status, 404);
    QCOMPARE(freelancer->del(path).status, 403);
    QCOMPARE(anonymous.del(path).status, 401);
    QCOMPARE(client->del("api/teams/abc").status, 404);
    QCOMPARE(client->del("api/teams/0").status, 404);
    QCOMPARE(client->post("api/teams", {{"name", " a "}}).status, 400);
    QCOMPARE(client->post("api/teams", {{"name", 42}}).status, 400);
    QCOMPARE(client->post("api/teams", {{"description", "no name"}}).status, 400);
    QCOMPARE(
        client
            ->post("api/teams", {{"name", "Long description"}, {"description", QString(501, 'd')}})
            .status,
        400);
    QCOMPARE(client->post(path + "/invite", {{"email", "@example.test"}}).status, 400);
    QCOMPARE(client->post(path + "/invite", {{"email", "no-at-sign"}}).status, 400);
    QCOMPARE(client->post(path + "/invite", {{"email", QJsonArray {"a@b.c"}}}).status, 400);
    QCOMPARE(client->post(path + "/invite", {}).status, 400);
    QCOMPARE(databaseFingerprint(*server), before);
    // Delete answers have no body of interest; a foreign one is still refused after a retry.
    QCOMPARE(freelancer->get("api/teams/mine").status, 200);

    const QString evil = QStringLiteral("'; DELETE FROM teams; --");
    const HttpResult r = client->post("api/teams", {{"name", evil}, {"description", evil}});
    QCOMPARE(r.status, 201);
    QCOMPARE(r.object("team").value("name").toString(), evil.trimmed());
    QCOMPARE(r.object("team").value("description").toString(), evil.trimmed());
    QVERIFY(client->get("api/teams/mine").list("teams").size() >= 3);
}

void TestSandboxAccount::walletAndInvoices()
{
    const HttpResult w = client->get("api/wallet");
    QCOMPARE(w.status, 200);
    const qint64 balance = w.object("wallet").value("balance_paise").toInteger();
    QVERIFY(balance > 0);
    const QJsonArray txns = w.list("transactions");
    QVERIFY(txns.size() >= 3);
    qint64 sum = 0;
    bool negative = false, positive = false;
    for (const QJsonValue &v : txns) {
        const QJsonObject t = v.toObject();
        QVERIFY(!t.value("kind").toString().isEmpty());
        QVERIFY(t.value("description").isString());
        sum += t.value("amount_paise").toInteger();
        negative |= t.value("amount_paise").toInteger() < 0;
        positive |= t.value("amount_paise").toInteger() > 0;
    }
    QCOMPARE(sum, balance); // the ledger is the wallet
    QVERIFY(negative && positive);

    const HttpResult inv = client->get("api/invoices");
    QCOMPARE(inv.status, 200);
    QVERIFY(!inv.list("invoices").isEmpty());
    for (const QJsonValue &v : inv.list("invoices")) {
        const QJsonObject i = v.toObject();
        QVERIFY(i.value("invoice_number").toString().startsWith("INV-"));
        QVERIFY(!i.value("description").toString().isEmpty());
        QVERIFY(i.value("total_paise").toInteger() > 0);
    }
    // Nobody sees another user's ledger: a new account's wallet is empty.
    const HttpResult empty = otherClient->get("api/wallet");
    QCOMPARE(empty.object("wallet").value("balance_paise").toInteger(), 0);
    QVERIFY(empty.list("transactions").isEmpty());
    QVERIFY(otherClient->get("api/invoices").list("invoices").isEmpty());
    QCOMPARE(SandboxClient(server->port()).get("api/wallet").status, 401);
    QCOMPARE(SandboxClient(server->port()).get("api/invoices").status, 401);
}

void TestSandboxAccount::notificationsReadAll()
{
    HttpResult n = freelancer->get("api/notifications");
    QCOMPARE(n.status, 200);
    bool read = false, unread = false;
    for (const QJsonValue &v : n.list("notifications")) {
        const QJsonObject o = v.toObject();
        QVERIFY(!o.value("title").toString().isEmpty());
        QVERIFY(o.value("body").isString());
        QVERIFY(o.contains("read_at"));
        read |= !o.value("read_at").isNull();
        unread |= o.value("read_at").isNull();
    }
    QVERIFY(read && unread);
    const qint64 clientUnread
        = client->get("api/notifications").json.value("unread_count").toInteger();
    QVERIFY(clientUnread > 0);

    SandboxClient foreign(server->port());
    foreign.setOrigin("https://evil.example");
    QCOMPARE(foreign.post("api/notifications/read").status, 403);

    QCOMPARE(freelancer->post("api/notifications/read").status, 200);
    n = freelancer->get("api/notifications");
    for (const QJsonValue &v : n.list("notifications"))
        QVERIFY(!v.toObject().value("read_at").isNull());
    QCOMPARE(n.json.value("unread_count").toInteger(), 0);
    // Only the caller's notifications are touched.
    QCOMPARE(client->get("api/notifications").json.value("unread_count").toInteger(), clientUnread);
    QCOMPARE(SandboxClient(server->port()).post("api/notifications/read").status, 401);
}

void TestSandboxAccount::affiliate()
{
    const HttpResult a = freelancer->get("api/affiliate");
    QCOMPARE(a.status, 200);
    QVERIFY(a.json.value("shareUrl").toString().startsWith(freelancer->origin() + "/"));
    QCOMPARE(a.json.value("commissionPercent").toInt(), 10);
    QCOMPARE(a.list("referrals").size(), 2);
    QVERIFY(a.json.value("earnings_paise").toInteger() > 0);

    // Registering with the code counts as a referral.
    const QString code = a.json.value("code").toString();
    SandboxClient newcomer(server->port());
    QCOMPARE(newcomer
                 .post("api/auth/register",
                       {{"email", "referred@example.test"},
                        {"password", "password-123"},
                        {"fullName", "Referred Person"},
                        {"role", "client"},
                        {"termsAccepted", true},
                        {"privacyAccepted", true},
                        {"referralCode", code}})
                 .status,
             201);
    QCOMPARE(freelancer->get("api/affiliate").list("referrals").size(), 3);
    QVERIFY(otherClient->get("api/affiliate").list("referrals").isEmpty());
    QCOMPARE(SandboxClient(server->port()).get("api/affiliate").status, 401);
}

void TestSandboxAccount::bankAccount_data()
{
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<int>("status");
    const QJsonObject good {{"accountHolder", "Test Person"},
                            {"accountNumber", "123456789012"},
                            {"ifsc", "sbin0001234"}};
    auto with = [&](const char *member, const QJsonValue &value) {
        return withMember(good, member, value);
    };
    QTest::newRow("good, lower-case IFSC") << good << 200;
    QTest::newRow("holder with SQL")
        << with("accountHolder", "O'Brien\"); DROP TABLE bank_accounts;--") << 200;
    QTest::newRow("holder blank") << with("accountHolder", "   ") << 400;
    QTest::newRow("holder missing") << with("accountHolder", QJsonValue::Undefined) << 400;
    QTest::newRow("number short") << with("accountNumber", "12345") << 400;
    QTest::newRow("number letters") << with("accountNumber", "12345678ab") << 400;
    QTest::newRow("number as number") << with("accountNumber", 123456789) << 400;
    QTest::newRow("ifsc 10") << with("ifsc", "SBIN000123") << 400;
    QTest::newRow("ifsc 12") << with("ifsc", "SBIN00012345") << 400;
    QTest::newRow("ifsc fifth not 0") << with("ifsc", "SBIN1001234") << 400;
    QTest::newRow("ifsc injection") << with("ifsc", "' OR 1=1 --") << 400;
}

void TestSandboxAccount::bankAccount()
{
    QFETCH(QJsonObject, body);
    QFETCH(int, status);
    const QByteArray before = databaseFingerprint(*server);
    const HttpResult r = otherClient->put("api/bank-account", body);
    QCOMPARE(r.status, status);
    if (status != 200) {
        QVERIFY(!r.error().isEmpty());
        QCOMPARE(databaseFingerprint(*server), before);
        return;
    }
    const QJsonObject bank = otherClient->get("api/settlements").object("bankAccount");
    QCOMPARE(bank.value("account_last4").toString(), QStringLiteral("9012"));
    QCOMPARE(bank.value("account_holder").toString(), body.value("accountHolder").toString());
    QCOMPARE(bank.value("ifsc").toString(), QStringLiteral("SBIN0001234"));
    QVERIFY(!otherClient->get("api/settlements").raw.contains("123456789012"));
}

void TestSandboxAccount::settlements()
{
    const HttpResult s = freelancer->get("api/settlements");
    QCOMPARE(s.status, 200);
    QCOMPARE(s.object("bankAccount").value("account_last4").toString().size(), 4);
    QVERIFY(!s.list("settlements").isEmpty());
    for (const QJsonValue &v : s.list("settlements")) {
        const QJsonObject o = v.toObject();
        QVERIFY(o.value("amount_paise").toInteger() >= Money::MinWithdrawalPaise);
        QVERIFY(!o.value("status").toString().isEmpty());
        QVERIFY(o.value("requested_at").toString().size() >= 10);
    }
    const int count = s.list("settlements").size();
    const qint64 balance
        = freelancer->get("api/wallet").object("wallet").value("balance_paise").toInteger();
    const HttpResult r = freelancer->post("api/settlements", {{"amount", "1000"}});
    QCOMPARE(r.status, 201);
    QCOMPARE(r.object("settlement").value("status").toString(), QStringLiteral("requested"));
    QCOMPARE(freelancer->get("api/settlements").list("settlements").size(), count + 1);
    QCOMPARE(freelancer->get("api/wallet").object("wallet").value("balance_paise").toInteger(),
             balance - 100000);
    QCOMPARE(freelancer->get("api/wallet")
                 .list("transactions")
                 .first()
                 .toObject()
                 .value("kind")
                 .toString(),
             QStringLiteral("withdrawal"));
    // Without a bank account on file the reply has no bankAccount member.
    QVERIFY(!client->get("api/settlements").json.contains("bankAccount"));
    QCOMPARE(SandboxClient(server->port()).get("api/settlements").status, 401);
}

void TestSandboxAccount::settlementRefusals()
{
    const QByteArray before = databaseFingerprint(*server);
    QCOMPARE(freelancer->post("api/settlements", {{"amount", "999"}}).status, 400);
    QCOMPARE(freelancer->post("api/settlements", {{"amount", "1000.00"}}).status, 400);
    QCOMPARE(freelancer->post("api/settlements", {{"amount", 1000}}).status, 400);
    QCOMPARE(freelancer->post("api/settlements", {{"amount", " 1000"}}).status, 400);
    QCOMPARE(freelancer->post("api/settlements", {}).status, 400);
    HttpResult r = freelancer->post("api/settlements", {{"amount", "9999999"}});
    QCOMPARE(r.status, 409);
    QVERIFY(r.error().contains("balance"));
    QCOMPARE(client->post("api/settlements", {{"amount", "1000"}}).status, 403);
    // A new freelancer: no KYC.
    r = otherFreelancer->post("api/settlements", {{"amount", "1000"}});
    QCOMPARE(r.status, 403);
    QVERIFY(r.error().contains("KYC"));
    QCOMPARE(databaseFingerprint(*server), before);
    // With KYC but without a bank account.
    server->storage().change("UPDATE users SET kyc_status = 'verified' WHERE id = ?",
                             {otherFreelancerId});
    Money::deposit(server->storage(), otherFreelancerId, 500000, "test");
    r = otherFreelancer->post("api/settlements", {{"amount", "1000"}});
    QCOMPARE(r.status, 409);
    QVERIFY(r.error().contains("bank"));
    QCOMPARE(otherFreelancer
                 ->put("api/bank-account",
                       {{"accountHolder", "New Freelancer"},
                        {"accountNumber", "000111222333"},
                        {"ifsc", "ICIC0000001"}})
                 .status,
             200);
    QCOMPARE(otherFreelancer->post("api/settlements", {{"amount", "5000"}}).status, 201);
    QCOMPARE(otherFreelancer->get("api/wallet").object("wallet").value("balance_paise").toInteger(),
             0);
    QCOMPARE(otherFreelancer->post("api/settlements", {{"amount", "1000"}}).status, 409);
}

QTEST_GUILESS_MAIN(TestSandboxAccount)
#include "tst_sandbox_account.moc"
