// Teams, the wallet's ledger, notifications and the account matters of velto-sandbox:
// referrals, the bank account and withdrawals.

#include "money.h"
#include "sandboxtest.h"
#include "server.h"
#include "storage.h"

#include <QtTest>

class TestSandboxAccount : public SandboxTest
{
    Q_OBJECT

private slots:
    void teamsCreateInviteDelete();
    void walletIsItsLedger();
    void notificationsReadAll();
    void referralsCount();
    void bankAccount();
    void withdrawals();
};

void TestSandboxAccount::teamsCreateInviteDelete()
{
    const HttpResult created = otherClient->post(u"api/teams"_s, {{u"name"_s, u"  QA  "_s}});
    QCOMPARE(created.text(u"team.name"_s), u"QA"_s);
    QCOMPARE(created.number(u"team.member_count"_s), 1); // the owner
    const qint64 id = created.id(u"team"_s);
    const QString path = u"api/teams/%1"_s.arg(id);
    QCOMPARE(otherClient->post(u"api/teams"_s, {{u"name"_s, u"QA"_s}}).status, 409);

    // An existing account is added (and told); another address stays an invitation.
    auto invite = [&](const QString &email) {
        return otherClient->post(path + u"/invite"_s, {{u"email"_s, email}});
    };
    const QString member = otherFreelancer->get(u"api/auth/me"_s).text(u"user.email"_s);
    QCOMPARE(invite(u" "_s + member.toUpper()).text(u"invitation.status"_s), u"member"_s);
    QCOMPARE(otherFreelancer->notificationKinds().value(0), u"team_invitation"_s);
    QCOMPARE(invite(u"stranger@elsewhere.test"_s).text(u"invitation.status"_s), u"invited"_s);
    QCOMPARE(invite(member).status, 409);
    QCOMPARE(invite(u"no-at-sign"_s).status, 400);
    QCOMPARE(otherClient->get(u"api/teams/mine"_s).row(u"teams"_s, id)[u"member_count"_s].toInt(),
             2);
    QVERIFY(!otherFreelancer->get(u"api/teams/mine"_s).row(u"teams"_s, id).isEmpty());

    // Someone else's team is not found.
    QCOMPARE(client->post(path + u"/invite"_s, {{u"email"_s, u"x@y.test"_s}}).status, 404);
    QCOMPARE(client->del(path).status, 404);
    QCOMPARE(otherClient->del(path).status, 200);
    QCOMPARE(otherClient->del(path).status, 404);
    QVERIFY(otherClient->get(u"api/teams/mine"_s).row(u"teams"_s, id).isEmpty());
}

void TestSandboxAccount::walletIsItsLedger()
{
    const HttpResult w = client->get(u"api/wallet"_s);
    qint64 sum = 0;
    for (const QJsonValue &t : w.list(u"transactions"_s))
        sum += t[u"amount_paise"_s].toInteger();
    QVERIFY(w.list(u"transactions"_s).size() >= 3);
    QCOMPARE(sum, w.number(u"wallet.balance_paise"_s));
    QCOMPARE(sum, balance(*client));
    // Nobody sees another user's ledger or invoices.
    const HttpResult empty = otherClient->get(u"api/wallet"_s);
    QCOMPARE(empty.number(u"wallet.balance_paise"_s), 0);
    QVERIFY(empty.list(u"transactions"_s).isEmpty());
    QVERIFY(otherClient->get(u"api/invoices"_s).list(u"invoices"_s).isEmpty());
}

void TestSandboxAccount::notificationsReadAll()
{
    const qint64 clientUnread = client->get(u"api/notifications"_s).number(u"unread_count"_s);
    QVERIFY(clientUnread > 0);
    QVERIFY(freelancer->get(u"api/notifications"_s).number(u"unread_count"_s) > 0);
    QCOMPARE(freelancer->post(u"api/notifications/read"_s).status, 200);
    const HttpResult n = freelancer->get(u"api/notifications"_s);
    QCOMPARE(n.number(u"unread_count"_s), 0);
    for (const QJsonValue &v : n.list(u"notifications"_s))
        QVERIFY(!v[u"read_at"_s].isNull());
    // Only the caller's are touched.
    QCOMPARE(client->get(u"api/notifications"_s).number(u"unread_count"_s), clientUnread);
}

void TestSandboxAccount::referralsCount()
{
    const HttpResult a = freelancer->get(u"api/affiliate"_s);
    QVERIFY(a.text(u"shareUrl"_s).startsWith(freelancer->origin() + u'/'));
    QCOMPARE(a.number(u"commissionPercent"_s), 10);
    QVERIFY(a.number(u"earnings_paise"_s) > 0);
    const int before = a.list(u"referrals"_s).size();
    QCOMPARE(anonymous
                 ->post(u"api/auth/register"_s,
                        {{u"email"_s, u"referred@example.test"_s},
                         {u"password"_s, u"password-123"_s},
                         {u"role"_s, u"client"_s},
                         {u"termsAccepted"_s, true},
                         {u"privacyAccepted"_s, true},
                         {u"referralCode"_s, a.text(u"code"_s)}})
                 .status,
             201);
    QCOMPARE(freelancer->get(u"api/affiliate"_s).list(u"referrals"_s).size(), before + 1);
    QVERIFY(otherClient->get(u"api/affiliate"_s).list(u"referrals"_s).isEmpty());
}

void TestSandboxAccount::bankAccount()
{
    const QByteArray before = fingerprint();
    for (const char *refused : {R"({"accountHolder": "   "})", R"({"accountNumber": "12345"})",
                                R"({"accountNumber": "12345678ab"})", R"({"ifsc": "SBIN000123"})",
                                R"({"ifsc": "SBIN1001234"})" /* the fifth is 0 */}) {
        const QJsonObject body = merged(R"({"accountHolder": "Test Person",
            "accountNumber": "123456789012", "ifsc": "sbin0001234"})"_json,
                                        refused);
        QVERIFY2(otherClient->put(u"api/bank-account"_s, body).status == 400, refused);
    }
    QCOMPARE(fingerprint(), before);
    QCOMPARE(otherClient
                 ->put(u"api/bank-account"_s, R"({"accountHolder": "Test Person",
        "accountNumber": "123456789012", "ifsc": "sbin0001234"})"_json)
                 .status,
             200);
    const HttpResult s = otherClient->get(u"api/settlements"_s);
    QCOMPARE(s.text(u"bankAccount.account_last4"_s), u"9012"_s);
    QCOMPARE(s.text(u"bankAccount.ifsc"_s), u"SBIN0001234"_s);
    QVERIFY(!s.raw.contains("123456789012")); // the full number never leaves the service
}

void TestSandboxAccount::withdrawals()
{
    const int count = freelancer->get(u"api/settlements"_s).list(u"settlements"_s).size();
    const qint64 start = balance(*freelancer);
    const HttpResult r = freelancer->post(u"api/settlements"_s, {{u"amount"_s, u"1000"_s}});
    QCOMPARE(r.text(u"settlement.status"_s), u"requested"_s);
    QCOMPARE(freelancer->get(u"api/settlements"_s).list(u"settlements"_s).size(), count + 1);
    QCOMPARE(balance(*freelancer), start - 100000);
    QCOMPARE(freelancer->get(u"api/wallet"_s).text(u"transactions.0.kind"_s), u"withdrawal"_s);

    const auto f = newPerson(u"freelancer"_s);
    const QByteArray before = fingerprint();
    QCOMPARE(freelancer->post(u"api/settlements"_s, {{u"amount"_s, u"999"_s}}).status, 400);
    const HttpResult overdraft = freelancer->post(
        u"api/settlements"_s, {{u"amount"_s, QString::number(balance(*freelancer) / 100 + 1)}});
    QCOMPARE(overdraft.status, 409);
    QVERIFY(overdraft.error().contains(u"balance"_s));
    // A new freelancer: no KYC, then no bank account.
    QVERIFY(f->post(u"api/settlements"_s, {{u"amount"_s, u"1000"_s}}).error().contains(u"KYC"_s));
    QCOMPARE(fingerprint(), before);
    server->storage().change(u"UPDATE users SET kyc_status = 'verified' WHERE id = ?"_s, {f->id});
    topUp(*f, 5000);
    QVERIFY(f->post(u"api/settlements"_s, {{u"amount"_s, u"1000"_s}}).error().contains(u"bank"_s));
    QCOMPARE(f->put(u"api/bank-account"_s,
                    {{u"accountHolder"_s, u"New Freelancer"_s},
                     {u"accountNumber"_s, u"000111222333"_s},
                     {u"ifsc"_s, u"ICIC0000001"_s}})
                 .status,
             200);
    QCOMPARE(f->post(u"api/settlements"_s, {{u"amount"_s, u"5000"_s}}).status, 201); // all of it
    QCOMPARE(balance(*f), 0);
    QCOMPARE(f->post(u"api/settlements"_s, {{u"amount"_s, u"1000"_s}}).status, 409);
}

QTEST_GUILESS_MAIN(TestSandboxAccount)
#include "tst_sandbox_account.moc"
