#include "routes/identity.h"
#include "sandboxtest.h"

class TestSandboxAccount : public SandboxTest
{
    Q_OBJECT

private slots:
    void teamsCreateInviteDelete();
    void withdrawals();
    void birthDates();
    void identityForm_data();
    void identityForm();
    void identityVerification();

private:
    // The identity page's form as a browser posts it: a good one with `change` applied.
    HttpResult submitIdentity(SandboxClient &who, const QJsonObject &change = {})
    {
        QList<QPair<QString, QString>> form {
            {u"csrf"_s, who.get(u"identity"_s).formField(u"csrf"_s)}};
        const QJsonObject good {{u"legalName"_s, u"Priya O'Neil-Sharma"_s},
                                {u"dateOfBirth"_s, u"1990-04-30"_s},
                                {u"identityNumber"_s, u"2345 6789 0124"_s}};
        for (const QString &name : good.keys())
            form.append({name, change.value(name).toString(good.value(name).toString())});
        return who.form(u"identity"_s, form);
    }
};

void TestSandboxAccount::teamsCreateInviteDelete()
{
    const qint64 team = otherClient->post(u"api/teams"_s, {{u"name"_s, u"QA"_s}}).id(u"team"_s);
    const QString path = u"api/teams/%1"_s.arg(team);
    QCOMPARE(otherClient->post(u"api/teams"_s, {{u"name"_s, u"QA"_s}}).status, 409);
    // An existing account is added (and told); another address stays an invitation.
    auto invite = [&](const QString &email) {
        return otherClient->post(path + u"/invite"_s, {{u"email"_s, email}});
    };
    const QString member = otherFreelancer->email;
    QCOMPARE(invite(u" "_s + member.toUpper()).text(u"invitation.status"_s), u"member"_s);
    QCOMPARE(otherFreelancer->notificationKinds().value(0), u"team_invitation"_s);
    QCOMPARE(invite(u"stranger@elsewhere.test"_s).text(u"invitation.status"_s), u"invited"_s);
    QCOMPARE(invite(member).status, 409);
    QCOMPARE(otherFreelancer->get(u"api/teams/mine"_s).number(u"teams.0.member_count"_s), 2);
    QCOMPARE(otherClient->del(path).status, 200);
    QVERIFY(otherFreelancer->get(u"api/teams/mine"_s).list(u"teams"_s).isEmpty());
}

void TestSandboxAccount::withdrawals()
{
    auto withdraw = [](SandboxClient &who, qint64 rupees) {
        return who.post(u"api/settlements"_s, {{u"amount"_s, QString::number(rupees)}});
    };
    const qint64 start = freelancer->balance();
    QCOMPARE(withdraw(*freelancer, 1000).text(u"settlement.status"_s), u"requested"_s);
    QCOMPARE(freelancer->balance(), start - 100000);
    QCOMPARE(withdraw(*freelancer, 999).status, 400); // ₹1,000 at least
    QVERIFY(withdraw(*freelancer, start / 100).error().contains(u"balance"_s));
    // A saved bank account waits for the operator's link; saving again voids the older link.
    const auto f = newPerson(u"freelancer"_s);
    server->storage().change(u"UPDATE users SET kyc_status = 'verified' WHERE id = ?"_s, {f->id});
    topUp(*f, 5000);
    const QJsonObject bank = R"({"accountHolder": "New Freelancer",
        "accountNumber": "000111222333", "ifsc": "icic0000001"})"_json;
    for (const char *refused : {R"({"accountHolder": "   "})", R"({"accountNumber": "12345"})",
                                R"({"accountNumber": "12345678ab"})", R"({"ifsc": "ICIC000000"})",
                                R"({"ifsc": "ICIC1000001"})" /* the fifth is 0 */})
        QVERIFY2(f->put(u"api/bank-account"_s, merged(bank, refused)).status == 400, refused);
    QCOMPARE(f->put(u"api/bank-account"_s, bank).status, 200);
    const QString older = server->lastLink(u"bank-approval-link"_s, f->email);
    const HttpResult saved = f->put(u"api/bank-account"_s, bank);
    QVERIFY(saved.text(u"bankAccount.status"_s) == "pending"_L1
            && saved.text(u"bankAccount.ifsc"_s) == "ICIC0000001"_L1);
    QVERIFY(!f->get(u"api/settlements"_s).raw.contains("000111222333")); // kept in the service
    QVERIFY(withdraw(*f, 1000).error().contains(u"approval"_s));
    QCOMPARE(anonymous->get(older).status, 400);
    QCOMPARE(anonymous->get(server->lastLink(u"bank-approval-link"_s, f->email)).status, 200);
    QCOMPARE(withdraw(*f, 5000).status, 201); // all of it
    QCOMPARE(withdraw(*f, 1000).status, 409);
    QCOMPARE(f->balance(), 0);
    // An approved account that changes waits again: a session taken over cannot redirect money.
    QCOMPARE(f->put(u"api/bank-account"_s, bank).text(u"bankAccount.status"_s), u"pending"_s);
}

void TestSandboxAccount::birthDates()
{
    const QDate today(2024, 3, 1);
    for (const auto &[birth, refused] :
         {std::pair {QDate(2006, 3, 1), false}, {QDate(2006, 3, 2), true}, {today, true}})
        QVERIFY2(Identity::birthDateProblem(birth, today).isEmpty() != refused,
                 qPrintable(birth.toString(Qt::ISODate)));
}

void TestSandboxAccount::identityForm_data()
{
    QTest::addColumn<QJsonObject>("change");
    QTest::addColumn<QString>("refusal"); // how the page's message starts
    const QString seventeen
        = QDateTime::currentDateTimeUtc().date().addYears(-17).toString(Qt::ISODate);
    QTest::newRow("digits in a name") << R"({"legalName": "Agent 007"})"_json << u"Legal name"_s;
    QTest::newRow("no such day") << R"({"dateOfBirth": "1990-02-30"})"_json << u"Date of birth"_s;
    QTest::newRow("under 18") << QJsonObject {{u"dateOfBirth"_s, seventeen}} << u"Date of birth"_s;
    QTest::newRow("a wrong check digit")
        << R"({"identityNumber": "2345 6789 0123"})"_json << u"Identity number"_s;
    QTest::newRow("no PAN") << R"({"identityNumber": "ABCDE12345"})"_json << u"Identity number"_s;
}

void TestSandboxAccount::identityForm()
{
    QFETCH(QJsonObject, change);
    QFETCH(QString, refusal);
    const HttpResult r = submitIdentity(*otherFreelancer, change);
    QVERIFY(r.status == 400 && r.raw.contains("class=\"message problem\">" + refusal.toUtf8()));
}

void TestSandboxAccount::identityVerification()
{
    QSignalSpy printed(server.get(), &SandboxServer::outputLine);
    const auto f = newPerson(u"freelancer"_s);
    auto kyc = [&] { return f->get(u"api/auth/me"_s).text(u"user.kyc_status"_s); };
    auto withdrawal = [&] { return f->post(u"api/settlements"_s, {{u"amount"_s, u"1000"_s}}); };
    QCOMPARE(submitIdentity(*f).status, 200);
    QCOMPARE(kyc(), u"pending"_s);
    QCOMPARE(withdrawal().error(), u"Complete KYC verification before withdrawing"_s);
    // Corrected while pending: only the newest details can be approved.
    const QString older = server->lastLink(u"kyc-approval-link"_s, f->email);
    QCOMPARE(submitIdentity(*f, R"({"identityNumber": "abcpe 1234f"})"_json).status, 200);
    QCOMPARE(anonymous->get(older).status, 400);
    QCOMPARE(anonymous->get(server->lastLink(u"kyc-approval-link"_s, f->email)).status, 200);
    QCOMPARE(kyc(), u"verified"_s);
    QVERIFY(withdrawal().error().contains(u"bank account"_s)); // past the KYC rule
    QCOMPARE(submitIdentity(*f).status, 409);
    QCOMPARE(kyc(), u"verified"_s);
    // Of a number only its last four characters are kept, and no line printed holds it.
    QByteArray kept = fingerprint();
    for (const QVariantList &line : printed)
        kept += line.value(0).toString().toUtf8();
    QVERIFY(!kept.contains("234567890124") && !kept.contains("ABCPE1234F"));
}

QTEST_GUILESS_MAIN(TestSandboxAccount)
#include "tst_sandbox_account.moc"
