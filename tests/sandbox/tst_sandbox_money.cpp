// Money conservation on velto-sandbox: the sum of every wallet plus everything held in escrow
// stays constant across gig orders (order, accept, deliver, complete, cancel), contests (post,
// award, cancel) and milestones (fund, deliver, accept, revision, funding that needs the web),
// refused requests included; no wallet goes below zero; and the escrow held always matches the
// records' states (open orders, funded milestones, open contests).
//
// The contest endpoints belong to another area; they are driven over HTTP like the rest.

#include "marketfixtures.h"
#include "money.h"
#include "server.h"
#include "storage.h"

#include <QJsonArray>
#include <QRandomGenerator>
#include <QtTest>
#include <vector>

class TestSandboxMoney : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void seededDataIsConsistent();
    void scriptedSequence();
    void randomSequence();

private:
    // Checks the three invariants; `step` names the step in failure messages.
    void checkInvariants(const QString &step);
    // Escrow the records' states call for.
    qint64 heldByState();
    QList<qint64> ids(const QString &sql, const QVariantList &params = {});
    SandboxClient *personById(qint64 id);
    qint64 postContest(SandboxClient &host, qint64 prizeRupees);

    std::unique_ptr<SandboxServer> server;
    std::vector<Person> clients;
    std::vector<Person> freelancers;
    QList<qint64> gigs;
    qint64 total = 0;
};

void TestSandboxMoney::initTestCase()
{
    server = startTestSandbox();
    QVERIFY(server);
    for (int i = 0; i < 3; ++i)
        clients.push_back(newPerson(*server, QStringLiteral("client")));
    for (int i = 0; i < 2; ++i)
        freelancers.push_back(newPerson(*server, QStringLiteral("freelancer")));
    // The third client stays nearly broke, so some payments are refused or go to the web.
    topUp(*server, clients.at(0).id, 90000);
    topUp(*server, clients.at(1).id, 60000);
    topUp(*server, clients.at(2).id, 700);
    for (const Person &f : freelancers) {
        gigs.append(publishGig(*f,
                               {{QStringLiteral("basic"), 900},
                                {QStringLiteral("standard"), 2400},
                                {QStringLiteral("premium"), 5100}}));
        QVERIFY(gigs.last());
    }
    // Two contracts per client-freelancer pair, two milestones each.
    for (const Person &c : clients)
        for (const Person &f : freelancers)
            QVERIFY(!makeContract(*c, *f, QStringLiteral("fixed"), {1100, 650}).isEmpty());
    total = walletsPlusEscrow(*server);
}

QList<qint64> TestSandboxMoney::ids(const QString &sql, const QVariantList &params)
{
    QList<qint64> out;
    for (const QJsonValue &row : server->storage().all(sql, params))
        out.append(row.toObject().value(QStringLiteral("id")).toInteger());
    return out;
}

SandboxClient *TestSandboxMoney::personById(qint64 id)
{
    for (const auto *group : {&clients, &freelancers}) {
        for (const Person &p : *group) {
            if (p.id == id)
                return p.http.get();
        }
    }
    return nullptr;
}

qint64 TestSandboxMoney::heldByState()
{
    Storage &db = server->storage();
    const qint64 orders
        = db.scalar(QStringLiteral("SELECT COALESCE(SUM(price_paise), 0) FROM gig_orders "
                                   "WHERE status IN ('pending','active','delivered','revision')"))
              .toLongLong();
    const qint64 milestones
        = db.scalar(QStringLiteral("SELECT COALESCE(SUM(amount_paise), 0) FROM milestones "
                                   "WHERE status IN ('funded','delivered','disputed')"))
              .toLongLong();
    const qint64 contests
        = db.scalar(QStringLiteral("SELECT COALESCE(SUM(prize_paise + fee_paise), 0) "
                                   "FROM contests WHERE status = 'open'"))
              .toLongLong();
    return orders + milestones + contests;
}

void TestSandboxMoney::checkInvariants(const QString &step)
{
    Storage &db = server->storage();
    QVERIFY2(walletsPlusEscrow(*server) == total,
             qPrintable(step + QStringLiteral(": total changed")));
    QVERIFY2(Money::totalHeld(db) == heldByState(),
             qPrintable(step + QStringLiteral(": escrow does not match the records")));
    const qint64 lowest
        = db.scalar(QStringLiteral("SELECT COALESCE(MIN(b), 0) FROM (SELECT SUM(amount_paise) "
                                   "AS b FROM wallet_transactions GROUP BY user_id)"))
              .toLongLong();
    QVERIFY2(lowest >= 0, qPrintable(step + QStringLiteral(": a wallet went below zero")));
}

qint64 TestSandboxMoney::postContest(SandboxClient &host, qint64 prizeRupees)
{
    const HttpResult r
        = host.post(QStringLiteral("api/contests"),
                    {{QStringLiteral("title"), QStringLiteral("Logo contest")},
                     {QStringLiteral("brief"),
                      QStringLiteral("A logo for a small bakery, warm colours, simple shapes.")},
                     {QStringLiteral("prize"), QString::number(prizeRupees)},
                     {QStringLiteral("deadlineDays"), 7}});
    return r.status == 201
        ? r.object(QStringLiteral("contest")).value(QStringLiteral("id")).toInteger()
        : 0;
}

void TestSandboxMoney::seededDataIsConsistent()
{
    // The demo seed goes through the same ledger: its escrow matches its records.
    checkInvariants(QStringLiteral("seed"));
}

void TestSandboxMoney::scriptedSequence()
{
    SandboxClient &buyer = *clients.at(0);
    SandboxClient &seller = *freelancers.at(0);
    const qint64 sellerStart = balance(*server, freelancers.at(0).id);

    // Gig order: order, accept, deliver, complete.
    HttpResult r = buyer.post(QStringLiteral("api/gigs/%1/order").arg(gigs.at(0)),
                              {{QStringLiteral("packageTier"), QStringLiteral("standard")}});
    QCOMPARE(r.status, 201);
    const qint64 order = r.object(QStringLiteral("order")).value(QStringLiteral("id")).toInteger();
    checkInvariants(QStringLiteral("order"));
    QCOMPARE(seller.post(QStringLiteral("api/gig-orders/%1/accept").arg(order)).status, 200);
    checkInvariants(QStringLiteral("accept"));
    QCOMPARE(seller
                 .post(QStringLiteral("api/gig-orders/%1/deliver").arg(order),
                       {{QStringLiteral("note"), QStringLiteral("All done here")}})
                 .status,
             200);
    QCOMPARE(buyer.post(QStringLiteral("api/gig-orders/%1/complete").arg(order)).status, 200);
    checkInvariants(QStringLiteral("complete"));
    QCOMPARE(balance(*server, freelancers.at(0).id), sellerStart + 240000);

    // Gig orders cancelled from pending and from active.
    r = buyer.post(QStringLiteral("api/gigs/%1/order").arg(gigs.at(1)),
                   {{QStringLiteral("packageTier"), QStringLiteral("basic")}});
    const qint64 cancelPending
        = r.object(QStringLiteral("order")).value(QStringLiteral("id")).toInteger();
    QCOMPARE(buyer
                 .post(QStringLiteral("api/gig-orders/%1/cancel").arg(cancelPending),
                       {{QStringLiteral("reason"), QStringLiteral("Not needed")}})
                 .status,
             200);
    checkInvariants(QStringLiteral("cancel pending"));
    r = buyer.post(QStringLiteral("api/gigs/%1/order").arg(gigs.at(1)),
                   {{QStringLiteral("packageTier"), QStringLiteral("premium")}});
    const qint64 cancelActive
        = r.object(QStringLiteral("order")).value(QStringLiteral("id")).toInteger();
    QCOMPARE(freelancers.at(1)
                 ->post(QStringLiteral("api/gig-orders/%1/accept").arg(cancelActive))
                 .status,
             200);
    QCOMPARE(freelancers.at(1)
                 ->post(QStringLiteral("api/gig-orders/%1/cancel").arg(cancelActive),
                        {{QStringLiteral("reason"), QStringLiteral("Too busy now")}})
                 .status,
             200);
    checkInvariants(QStringLiteral("cancel active"));

    // Contest: post, enter, award; post and cancel.
    const qint64 awarded = postContest(buyer, 1000);
    QVERIFY(awarded);
    checkInvariants(QStringLiteral("contest post"));
    r = seller.post(QStringLiteral("api/contests/%1/entries").arg(awarded),
                    {{QStringLiteral("title"), QStringLiteral("Warm loaf")},
                     {QStringLiteral("description"),
                      QStringLiteral("A round loaf in a circle, brown and cream.")},
                     {QStringLiteral("attachmentUrl"), QStringLiteral("")}});
    QCOMPARE(r.status, 201);
    QCOMPARE(
        buyer
            .post(QStringLiteral("api/contests/%1/award").arg(awarded),
                  {{QStringLiteral("entryId"),
                    r.object(QStringLiteral("entry")).value(QStringLiteral("id")).toInteger()}})
            .status,
        200);
    checkInvariants(QStringLiteral("contest award"));
    const qint64 cancelled = postContest(buyer, 800);
    QVERIFY(cancelled);
    QCOMPARE(buyer.post(QStringLiteral("api/contests/%1/cancel").arg(cancelled)).status, 200);
    checkInvariants(QStringLiteral("contest cancel"));

    // Milestone: fund, deliver, revision, deliver, accept (release).
    const qint64 milestone
        = ids(QStringLiteral("SELECT m.id FROM milestones m JOIN contracts c ON c.id = "
                             "m.contract_id WHERE c.client_id = ? AND c.freelancer_id = ? "
                             "AND m.status = 'awaiting_funding' ORDER BY m.id LIMIT 1"),
              {clients.at(0).id, freelancers.at(0).id})
              .value(0);
    QVERIFY(milestone);
    QCOMPARE(buyer.post(QStringLiteral("api/milestones/%1/funding-intents").arg(milestone)).status,
             200);
    checkInvariants(QStringLiteral("fund"));
    r = seller.post(QStringLiteral("api/milestones/%1/deliverables").arg(milestone),
                    {{QStringLiteral("summary"), QStringLiteral("Milestone work done")},
                     {QStringLiteral("artifactUrl"), QString()}});
    const qint64 first
        = r.object(QStringLiteral("deliverable")).value(QStringLiteral("id")).toInteger();
    QCOMPARE(buyer
                 .post(QStringLiteral("api/deliverables/%1/revision").arg(first),
                       {{QStringLiteral("feedback"), QStringLiteral("One more pass please")}})
                 .status,
             200);
    checkInvariants(QStringLiteral("revision"));
    r = seller.post(QStringLiteral("api/milestones/%1/deliverables").arg(milestone),
                    {{QStringLiteral("summary"), QStringLiteral("Milestone work redone")},
                     {QStringLiteral("artifactUrl"), QString()}});
    QCOMPARE(buyer
                 .post(QStringLiteral("api/deliverables/%1/accept")
                           .arg(r.object(QStringLiteral("deliverable"))
                                    .value(QStringLiteral("id"))
                                    .toInteger()))
                 .status,
             200);
    checkInvariants(QStringLiteral("release"));

    // Refused and web-paid requests move nothing.
    SandboxClient &broke = *clients.at(2);
    QCOMPARE(broke
                 .post(QStringLiteral("api/gigs/%1/order").arg(gigs.at(0)),
                       {{QStringLiteral("packageTier"), QStringLiteral("premium")}})
                 .status,
             409);
    QVERIFY(postContest(broke, 5000) == 0);
    const qint64 brokeMilestone
        = ids(QStringLiteral("SELECT m.id FROM milestones m JOIN contracts c ON c.id = "
                             "m.contract_id WHERE c.client_id = ? ORDER BY m.id LIMIT 1"),
              {clients.at(2).id})
              .value(0);
    r = broke.post(QStringLiteral("api/milestones/%1/funding-intents").arg(brokeMilestone));
    QCOMPARE(r.status, 200);
    QVERIFY(r.json.value(QStringLiteral("razorpay")).isObject());
    checkInvariants(QStringLiteral("refusals"));
}

void TestSandboxMoney::randomSequence()
{
    // A fixed seed: the same sequence on every run.
    QRandomGenerator rng(20261206);
    Storage &db = server->storage();
    auto pick = [&rng](const QList<qint64> &list) {
        return list.isEmpty() ? qint64(0) : list.at(int(rng.bounded(quint32(list.size()))));
    };
    const QStringList tiers
        = {QStringLiteral("basic"), QStringLiteral("standard"), QStringLiteral("premium")};
    QSet<QString> done;
    for (int step = 0; step < 160; ++step) {
        const int action = int(rng.bounded(12u));
        QString name;
        HttpResult r;
        if (action == 0) {
            name = QStringLiteral("order");
            SandboxClient &c = *clients.at(int(rng.bounded(quint32(clients.size()))));
            r = c.post(QStringLiteral("api/gigs/%1/order").arg(pick(gigs)),
                       {{QStringLiteral("packageTier"), tiers.at(int(rng.bounded(3u)))}});
        } else if (action == 1 || action == 2) {
            const qint64 id
                = pick(ids(QStringLiteral("SELECT id FROM gig_orders WHERE status IN "
                                          "('pending','active','revision') AND gig_id IN (?, ?)"),
                           {gigs.at(0), gigs.at(1)}));
            if (!id)
                continue;
            const QJsonObject o = db.one(
                QStringLiteral("SELECT status, freelancer_id FROM gig_orders WHERE id = ?"), {id});
            SandboxClient *seller
                = personById(o.value(QStringLiteral("freelancer_id")).toInteger());
            if (o.value(QStringLiteral("status")).toString() == QLatin1String("pending")) {
                name = QStringLiteral("accept order");
                r = seller->post(QStringLiteral("api/gig-orders/%1/accept").arg(id));
            } else {
                name = QStringLiteral("deliver order");
                r = seller->post(QStringLiteral("api/gig-orders/%1/deliver").arg(id),
                                 {{QStringLiteral("note"), QStringLiteral("Delivered work")}});
            }
        } else if (action == 3) {
            const qint64 id
                = pick(ids(QStringLiteral("SELECT id FROM gig_orders WHERE status = 'delivered' "
                                          "AND gig_id IN (?, ?)"),
                           {gigs.at(0), gigs.at(1)}));
            if (!id)
                continue;
            SandboxClient *buyer = personById(
                db.scalar(QStringLiteral("SELECT client_id FROM gig_orders WHERE id = ?"), {id})
                    .toLongLong());
            name = rng.bounded(3u) ? QStringLiteral("complete order")
                                   : QStringLiteral("order revision");
            r = name == QLatin1String("complete order")
                ? buyer->post(QStringLiteral("api/gig-orders/%1/complete").arg(id))
                : buyer->post(QStringLiteral("api/gig-orders/%1/revision").arg(id),
                              {{QStringLiteral("note"), QStringLiteral("Please adjust")}});
        } else if (action == 4) {
            // Cancel any open order, by either party; refused ones (delivered) move nothing.
            const qint64 id
                = pick(ids(QStringLiteral("SELECT id FROM gig_orders WHERE status <> 'cancelled' "
                                          "AND status <> 'completed' AND gig_id IN (?, ?)"),
                           {gigs.at(0), gigs.at(1)}));
            if (!id)
                continue;
            const QJsonObject o = db.one(
                QStringLiteral("SELECT client_id, freelancer_id FROM gig_orders WHERE id = ?"),
                {id});
            SandboxClient *who
                = personById(o.value(rng.bounded(2u) ? QStringLiteral("client_id")
                                                     : QStringLiteral("freelancer_id"))
                                 .toInteger());
            name = QStringLiteral("cancel order");
            r = who->post(QStringLiteral("api/gig-orders/%1/cancel").arg(id),
                          {{QStringLiteral("reason"), QStringLiteral("Changed plans")}});
        } else if (action == 5) {
            name = QStringLiteral("post contest");
            SandboxClient &c = *clients.at(int(rng.bounded(quint32(clients.size()))));
            // A refusal (wallet too small) is a 409 like any other.
            r.status = postContest(c, 500 + rng.bounded(2000u)) ? 201 : 409;
        } else if (action == 6 || action == 7) {
            const qint64 contest
                = pick(ids(QStringLiteral("SELECT c.id FROM contests c WHERE c.status = 'open' "
                                          "AND c.client_id IN (?, ?, ?)"),
                           {clients.at(0).id, clients.at(1).id, clients.at(2).id}));
            if (!contest)
                continue;
            SandboxClient *host = personById(
                db.scalar(QStringLiteral("SELECT client_id FROM contests WHERE id = ?"), {contest})
                    .toLongLong());
            const qint64 entry = pick(ids(
                QStringLiteral("SELECT id FROM contest_entries WHERE contest_id = ?"), {contest}));
            if (action == 6 && !entry) {
                name = QStringLiteral("enter contest");
                r = freelancers.at(int(rng.bounded(2u)))
                        ->post(QStringLiteral("api/contests/%1/entries").arg(contest),
                               {{QStringLiteral("title"), QStringLiteral("My entry")},
                                {QStringLiteral("description"),
                                 QStringLiteral("An entry with a long enough text.")},
                                {QStringLiteral("attachmentUrl"), QString()}});
            } else if (action == 6) {
                name = QStringLiteral("award contest");
                r = host->post(QStringLiteral("api/contests/%1/award").arg(contest),
                               {{QStringLiteral("entryId"), entry}});
            } else {
                name = QStringLiteral("cancel contest");
                r = host->post(QStringLiteral("api/contests/%1/cancel").arg(contest));
            }
        } else if (action == 8) {
            const qint64 m = pick(
                ids(QStringLiteral(
                        "SELECT m.id FROM milestones m JOIN contracts c ON c.id = m.contract_id "
                        "WHERE m.status = 'awaiting_funding' AND c.client_id IN (?, ?, ?)"),
                    {clients.at(0).id, clients.at(1).id, clients.at(2).id}));
            if (!m)
                continue;
            SandboxClient *c = personById(
                db.scalar(QStringLiteral("SELECT c.client_id FROM milestones m JOIN contracts c "
                                         "ON c.id = m.contract_id WHERE m.id = ?"),
                          {m})
                    .toLongLong());
            name = QStringLiteral("fund milestone");
            r = c->post(QStringLiteral("api/milestones/%1/funding-intents").arg(m));
        } else if (action == 9) {
            const qint64 m = pick(
                ids(QStringLiteral(
                        "SELECT m.id FROM milestones m JOIN contracts c ON c.id = m.contract_id "
                        "WHERE m.status = 'funded' AND c.freelancer_id IN (?, ?)"),
                    {freelancers.at(0).id, freelancers.at(1).id}));
            if (!m)
                continue;
            SandboxClient *f = personById(
                db.scalar(
                      QStringLiteral("SELECT c.freelancer_id FROM milestones m JOIN contracts c "
                                     "ON c.id = m.contract_id WHERE m.id = ?"),
                      {m})
                    .toLongLong());
            name = QStringLiteral("deliver milestone");
            r = f->post(QStringLiteral("api/milestones/%1/deliverables").arg(m),
                        {{QStringLiteral("summary"), QStringLiteral("Milestone delivered")},
                         {QStringLiteral("artifactUrl"), QString()}});
        } else {
            const qint64 d = pick(
                ids(QStringLiteral(
                        "SELECT d.id FROM deliverables d JOIN contracts c ON c.id = d.contract_id "
                        "WHERE d.status = 'submitted' AND c.client_id IN (?, ?, ?)"),
                    {clients.at(0).id, clients.at(1).id, clients.at(2).id}));
            if (!d)
                continue;
            SandboxClient *c = personById(
                db.scalar(QStringLiteral("SELECT c.client_id FROM deliverables d JOIN contracts c "
                                         "ON c.id = d.contract_id WHERE d.id = ?"),
                          {d})
                    .toLongLong());
            name = action == 11 ? QStringLiteral("milestone revision")
                                : QStringLiteral("accept delivery");
            r = action == 11
                ? c->post(QStringLiteral("api/deliverables/%1/revision").arg(d),
                          {{QStringLiteral("feedback"), QStringLiteral("Needs another pass")}})
                : c->post(QStringLiteral("api/deliverables/%1/accept").arg(d));
        }
        const QString label = QStringLiteral("step %1 (%2)").arg(step).arg(name);
        QVERIFY2(r.status > 0 && r.status < 500,
                 qPrintable(label + QStringLiteral(": status %1").arg(r.status)));
        if (r.status < 300)
            done.insert(name);
        checkInvariants(label);
        if (QTest::currentTestFailed())
            return;
    }
    // The sequence did real work of every kind, not only refusals.
    for (const char *kind : {"order", "accept order", "deliver order", "complete order",
                             "cancel order", "enter contest", "award contest", "cancel contest",
                             "fund milestone", "deliver milestone", "accept delivery"})
        QVERIFY2(done.contains(QLatin1String(kind)), kind);
}

QTEST_GUILESS_MAIN(TestSandboxMoney)
#include "tst_sandbox_money.moc"
