#include "sandboxtest.h"

#include <QRandomGenerator>
#include <array>

class TestSandboxMoney : public SandboxTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void seededDataIsConsistent() { checkInvariants(u"the demo seed"_s); }
    void randomSequence();
    void amountsAndThresholds();

private:
    qint64 total()
    {
        Storage &db = server->storage();
        return Money::totalInWallets(db) + Money::totalHeld(db)
            + db.scalar(u"SELECT COALESCE(SUM(amount_paise), 0) FROM settlements"_s).toLongLong();
    }
    void checkInvariants(const QString &step);

    std::vector<std::unique_ptr<SandboxClient>> people;
    qint64 expected = 0;
};

void TestSandboxMoney::initTestCase()
{
    QVERIFY(startSandbox());
    for (qint64 rupees : {90000, 60000, 700}) { // the third client is nearly broke
        people.push_back(newPerson(u"client"_s));
        topUp(*people.back(), rupees);
    }
    const QJsonObject gig = R"({"title": "Test gig with packages", "deliveryDays": 7,
        "description": "A description of at least fifty characters for the test gig.",
        "packages": [{"tier": "basic", "price_paise": 90000}, {"tier": "standard",
            "price_paise": 240000}, {"tier": "premium", "price_paise": 510000}]})"_json;
    for (int i = 0; i < 2; ++i) {
        auto &f = people.emplace_back(newPerson(u"freelancer"_s));
        QCOMPARE(f->post(u"api/gigs"_s, gig).status, 201);
        server->storage().change(u"UPDATE users SET kyc_status = 'verified' WHERE id = ?"_s,
                                 {f->id});
        const QJsonObject bank = R"({"accountHolder": "Test Person",
            "accountNumber": "123456789012", "ifsc": "SBIN0001234"})"_json;
        QCOMPARE(f->put(u"api/bank-account"_s, bank).status, 200);
        QCOMPARE(f->get(server->lastLink(u"bank-approval-link"_s, f->email)).status, 200);
        for (int c = 0; c < 3; ++c) // two milestones on a contract with each client
            QVERIFY(!makeContract(*people.at(c), *f, u"fixed"_s, {1100, 650}).isEmpty());
    }
    people.push_back(std::move(otherClient));
    people.push_back(std::move(otherFreelancer));
    // The demo accounts' records stay out of the sequence.
    for (const char *view : {
             "ours AS SELECT id FROM users WHERE email LIKE '%@tests.velto.test'",
             "o AS SELECT * FROM gig_orders WHERE client_id IN ours",
             "k AS SELECT * FROM contests WHERE client_id IN ours AND status = 'open'",
             "m AS SELECT m.id, m.status, c.client_id, c.freelancer_id FROM milestones m "
             "JOIN contracts c ON c.id = m.contract_id WHERE c.client_id IN ours",
             "d AS SELECT d.id, d.status, c.client_id FROM deliverables d "
             "JOIN contracts c ON c.id = d.contract_id WHERE c.client_id IN ours",
         })
        server->storage().exec(u"CREATE TEMP VIEW "_s + QLatin1String(view));
    expected = total();
}

void TestSandboxMoney::amountsAndThresholds()
{
    // Whole rupees as text (parseRupees), else paise as a JSON number (parsePaise); 0: refused.
    for (const auto &[rupees, value, paise] : {
             std::tuple {true, QJsonValue(u"000000001200"_s), 120000}, // leading zeros do not count
             {true, u"10000000"_s, 1000000000}, // the largest
             {true, u"10000001"_s, 0},
             {true, u"99999999999999999999"_s, 0},
             {true, u"0"_s, 0},
             {true, u" 1500"_s, 0},
             {true, u"1000\n"_s, 0},
             {true, 1500, 0},
             {false, 120000, 120000},
             {false, 1000000000, 1000000000},
             {false, 1000000001, 0},
             {false, 0, 0},
             {false, -100, 0},
             {false, 1200.5, 0},
             {false, u"1200"_s, 0},
         }) {
        QString why;
        const auto parsed
            = rupees ? Money::parseRupees(value, &why) : Money::parsePaise(value, &why);
        const QString row = QString::fromUtf8(QJsonDocument(QJsonArray {value}).toJson());
        QVERIFY2(parsed.value_or(0) == paise && why.isEmpty() == (paise != 0), qPrintable(row));
    }
    Storage &db = server->storage();
    const qint64 all = client->balance();
    QVERIFY(Money::covers(db, client->id, all) && !Money::covers(db, client->id, all + 1));
    // The plan fee: 5 % of the prize, up to the next whole rupee.
    for (const auto &[prize, fee] :
         {std::pair {50000, 2500}, {75000, 3800}, {100100, 5100}, {200000, 10000}, {1, 100}})
        QVERIFY2(Money::contestFee(prize) == fee, qPrintable(QString::number(prize)));
}

void TestSandboxMoney::checkInvariants(const QString &step)
{
    Storage &db = server->storage();
    QVERIFY2(total() == expected, qPrintable(step + u": money appeared or vanished"_s));
    const qint64 byState
        = db.scalar(u"SELECT (SELECT COALESCE(SUM(price_paise), 0) FROM gig_orders WHERE status IN "
                    "('pending', 'active', 'delivered', 'revision')) + (SELECT COALESCE(SUM("
                    "amount_paise), 0) FROM milestones WHERE status IN ('funded', 'delivered', "
                    "'disputed')) + (SELECT COALESCE(SUM(prize_paise + fee_paise), 0) FROM "
                    "contests WHERE status = 'open')"_s)
              .toLongLong();
    QVERIFY2(Money::totalHeld(db) == byState, qPrintable(step + u": escrow is not the records'"_s));
    QVERIFY2(!db.exists(u"SELECT 1 FROM wallet_transactions GROUP BY user_id "
                        "HAVING SUM(amount_paise) < 0"_s),
             qPrintable(step + u": a wallet went below zero"_s));
}

void TestSandboxMoney::randomSequence()
{
    // Each action: the rows it may act on (a record, who acts, an entry for awards), its path.
    const QList<std::pair<const char *, const char *>> actions = {
        {"SELECT g.id, u.id FROM gigs g, users u WHERE u.role = 'client' AND u.id IN ours "
         "AND g.freelancer_id IN ours",
         "api/gigs/%1/order"},
        {"SELECT id, freelancer_id FROM o WHERE status = 'pending'", "api/gig-orders/%1/accept"},
        {"SELECT id, freelancer_id FROM o WHERE status IN ('active', 'revision')",
         "api/gig-orders/%1/deliver"},
        {"SELECT id, client_id FROM o WHERE status = 'delivered'", "api/gig-orders/%1/complete"},
        {"SELECT id, client_id FROM o WHERE status = 'delivered'", "api/gig-orders/%1/revision"},
        // Any order not over, by one party or the other; delivered ones are refused.
        {"SELECT id, CASE id % 2 WHEN 0 THEN client_id ELSE freelancer_id END FROM o "
         "WHERE status NOT IN ('cancelled', 'completed')",
         "api/gig-orders/%1/cancel"},
        {"SELECT 0, id FROM users WHERE role = 'client' AND id IN ours", "api/contests"},
        {"SELECT k.id, u.id FROM k, users u WHERE u.role = 'freelancer' AND u.id IN ours",
         "api/contests/%1/entries"},
        {"SELECT k.id, k.client_id, e.id FROM k JOIN contest_entries e ON e.contest_id = k.id",
         "api/contests/%1/award"},
        {"SELECT id, client_id FROM k", "api/contests/%1/cancel"},
        {"SELECT id, client_id FROM m WHERE status = 'awaiting_funding'",
         "api/milestones/%1/funding-intents"},
        {"SELECT id, freelancer_id FROM m WHERE status = 'funded'",
         "api/milestones/%1/deliverables"},
        {"SELECT id, client_id FROM d WHERE status = 'submitted'", "api/deliverables/%1/accept"},
        {"SELECT id, client_id FROM d WHERE status = 'submitted'", "api/deliverables/%1/revision"},
        {"SELECT 0, id FROM users WHERE role = 'freelancer' AND id IN ours", "api/settlements"},
    };
    const QStringList tiers = {u"basic"_s, u"standard"_s, u"premium"_s};
    QRandomGenerator rng(20261206); // a fixed seed: the same sequence on every run
    QSet<QString> done;
    for (int step = 0; step < 300; ++step) {
        const auto &[rows, pathPattern] = actions.at(int(rng.bounded(quint32(actions.size()))));
        QSqlQuery q = server->storage().exec(QString::fromLatin1(rows) + u" ORDER BY 1, 2"_s);
        QList<std::array<qint64, 3>> found;
        while (q.next())
            found.append(
                {q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong()});
        if (found.isEmpty())
            continue;
        const auto [record, actor, entry] = found.at(int(rng.bounded(quint32(found.size()))));
        SandboxClient *who = nullptr;
        for (const auto &p : people)
            who = p->id == actor ? p.get() : who;
        // One body for every action; each reads its own members.
        QJsonObject body = R"({"note": "Work for the order", "reason": "Changed plans",
            "title": "Logo for a bakery", "description": "An entry with a long enough text.",
            "brief": "A logo for a small bakery, warm colours, simple shapes.",
            "summary": "Milestone delivered", "feedback": "Needs another pass"})"_json;
        body.insert(u"packageTier"_s, tiers.at(int(rng.bounded(3u))));
        body.insert(u"prize"_s, QString::number(500 + rng.bounded(2000u)));
        body.insert(u"amount"_s, QString::number(1000 + rng.bounded(2000u)));
        body.insert(u"entryId"_s, entry);
        const QString path = QString::fromLatin1(pathPattern);
        const HttpResult r
            = who->post(QString(path).replace(u"%1"_s, QString::number(record)), body);
        const QString label = u"step %1 (%2)"_s.arg(step).arg(path);
        QVERIFY2(r.status > 0 && r.status < 500, qPrintable(label + u": %1"_s.arg(r.status)));
        if (r.status < 300)
            done.insert(path);
        checkInvariants(label);
        if (QTest::currentTestFailed())
            return;
    }
    // Real work of every kind, not only refusals.
    for (const auto &action : actions)
        QVERIFY2(done.contains(QString::fromLatin1(action.second)), action.second);
}

QTEST_GUILESS_MAIN(TestSandboxMoney)
#include "tst_sandbox_money.moc"
