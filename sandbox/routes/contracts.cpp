#include "dataurl.h"
#include "http.h"
#include "money.h"
#include "notify.h"
#include "storage.h"
#include "users.h"

#include <QRandomGenerator>

// Contracts and their milestones. A milestone moves awaiting_funding → funded (the client funds it
// from the wallet into escrow) → delivered (the freelancer submits a deliverable) → paid (the
// client accepts the deliverable, which releases the escrow to the freelancer); a revision request
// sends it back to funded. Either party may open a dispute on a funded or delivered milestone,
// which holds the escrow as it is. A contract is completed once all its milestones are paid.
// The freelancer of an active hourly contract records work screenshots.

namespace {

const QString Awaiting = QStringLiteral("awaiting_funding");
const QString Funded = QStringLiteral("funded");
const QString Delivered = QStringLiteral("delivered");
const QString Paid = QStringLiteral("paid");
const QString Disputed = QStringLiteral("disputed");

qint64 member(const QJsonObject &o, const char *name)
{
    return o.value(QLatin1String(name)).toInteger();
}

QString text(const QJsonObject &o, const char *name)
{
    return o.value(QLatin1String(name)).toString();
}

QJsonObject contractRecord(Storage &db, const QJsonObject &row)
{
    QJsonObject c = row;
    const qint64 id = member(row, "id");
    c.insert(QStringLiteral("milestones"),
             db.all(QStringLiteral("SELECT id, contract_id, position, title, amount_paise, status, "
                                   "funded_at, paid_at FROM milestones WHERE contract_id = ? "
                                   "ORDER BY position, id"),
                    {id}));
    c.insert(QStringLiteral("deliverables"),
             db.all(QStringLiteral("SELECT id, milestone_id, summary, artifact_url, status, "
                                   "feedback, created_at, decided_at FROM deliverables "
                                   "WHERE contract_id = ? ORDER BY id"),
                    {id}));
    c.insert(QStringLiteral("disputes"),
             db.all(QStringLiteral("SELECT id, milestone_id, opened_by, reason, evidence, status, "
                                   "created_at FROM disputes WHERE contract_id = ? ORDER BY id"),
                    {id}));
    c.insert(
        QStringLiteral("screenshots_count"),
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM work_screenshots WHERE contract_id = ?"),
                  {id})
            .toLongLong());
    return c;
}

// SQL for a user's display name: the full name, else the part of the e-mail before "@".
QString displayName(const char *alias)
{
    return QStringLiteral("COALESCE(NULLIF(%1.full_name, ''), "
                          "substr(%1.email, 1, instr(%1.email, '@') - 1))")
        .arg(QLatin1String(alias));
}

const QString ContractColumns
    = QStringLiteral("SELECT c.id, c.project_id, COALESCE(p.title, c.title) AS project_title, "
                     "c.status, c.contract_type, c.total_paise, c.client_id, ")
    + displayName("cu") + QStringLiteral(" AS client_name, c.freelancer_id, ") + displayName("fu")
    + QStringLiteral(" AS freelancer_name, c.created_at "
                     "FROM contracts c LEFT JOIN projects p ON p.id = c.project_id "
                     "JOIN users cu ON cu.id = c.client_id "
                     "JOIN users fu ON fu.id = c.freelancer_id ");

Reply listContracts(Request &req)
{
    const QJsonArray rows = req.db.all(ContractColumns
                                           + QStringLiteral("WHERE c.client_id = ? OR "
                                                            "c.freelancer_id = ? "
                                                            "ORDER BY c.id DESC"),
                                       {req.userId, req.userId});
    QJsonArray contracts;
    for (const QJsonValue &row : rows)
        contracts.append(contractRecord(req.db, row.toObject()));
    return ok({{QStringLiteral("contracts"), contracts}});
}

// The milestone of the path with its contract's parties, when the signed-in user is one of them
// (else 404). Members: id, title, amount_paise, status, contract_id, contract_status,
// contract_title, client_id, freelancer_id.
QJsonObject partyMilestone(Request &req)
{
    const QJsonObject m = req.db.one(
        QStringLiteral("SELECT m.id, m.title, m.amount_paise, m.status, m.contract_id, "
                       "c.status AS contract_status, c.title AS contract_title, c.client_id, "
                       "c.freelancer_id FROM milestones m "
                       "JOIN contracts c ON c.id = m.contract_id WHERE m.id = ?"),
        {req.id()});
    if (m.isEmpty()
        || (member(m, "client_id") != req.userId && member(m, "freelancer_id") != req.userId))
        fail(404, QStringLiteral("Milestone not found"));
    return m;
}

// The deliverable of the path with its milestone and contract, when the signed-in user is the
// contract's client (else 404; the dispatcher has already refused other roles).
QJsonObject clientDeliverable(Request &req)
{
    const QJsonObject d = req.db.one(
        QStringLiteral("SELECT d.id, d.status, d.milestone_id, m.status AS milestone_status, "
                       "m.title AS milestone_title, m.amount_paise, d.contract_id, "
                       "c.status AS contract_status, c.client_id, c.freelancer_id "
                       "FROM deliverables d JOIN milestones m ON m.id = d.milestone_id "
                       "JOIN contracts c ON c.id = d.contract_id WHERE d.id = ?"),
        {req.id()});
    if (d.isEmpty() || member(d, "client_id") != req.userId)
        fail(404, QStringLiteral("Delivery not found"));
    return d;
}

void requireActiveContract(const QJsonObject &m)
{
    if (text(m, "contract_status") != QLatin1String("active"))
        fail(409, QStringLiteral("The contract is not active"));
}

QJsonObject milestoneRecord(Storage &db, qint64 id)
{
    return db.one(QStringLiteral("SELECT id, contract_id, position, title, amount_paise, status, "
                                 "funded_at, paid_at FROM milestones WHERE id = ?"),
                  {id});
}

QJsonObject deliverableRecord(Storage &db, qint64 id)
{
    return db.one(QStringLiteral("SELECT id, milestone_id, contract_id, summary, artifact_url, "
                                 "status, feedback, created_at, decided_at FROM deliverables "
                                 "WHERE id = ?"),
                  {id});
}

Reply fundMilestone(Request &req)
{
    const QJsonObject m = partyMilestone(req);
    if (member(m, "client_id") != req.userId)
        fail(404, QStringLiteral("Milestone not found"));
    requireActiveContract(m);
    if (text(m, "status") != Awaiting)
        fail(409, QStringLiteral("This milestone is already funded"));
    const qint64 id = member(m, "id");
    const qint64 amount = member(m, "amount_paise");

    if (!Money::covers(req.db, req.userId, amount)) {
        // The wallet does not cover it: the payment is completed on the web; nothing changes here.
        const QString orderId
            = QStringLiteral("order_sbx_%1")
                  .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
        return ok({{QStringLiteral("razorpay"),
                    QJsonObject {{QStringLiteral("order_id"), orderId},
                                 {QStringLiteral("amount_paise"), amount},
                                 {QStringLiteral("currency"), QStringLiteral("INR")},
                                 {QStringLiteral("milestone_id"), id}}},
                   {QStringLiteral("funded"), false},
                   {QStringLiteral("milestone"), milestoneRecord(req.db, id)}});
    }

    const QString now = Storage::now();
    req.db.change(QStringLiteral("UPDATE milestones SET status = ?, funded_at = ? WHERE id = ?"),
                  {Funded, now, id});
    Money::hold(req.db, req.userId, amount, Money::Escrow::Milestone, id,
                QStringLiteral("Milestone funded: %1").arg(text(m, "title")));
    notifyUser(req.db, member(m, "freelancer_id"), QStringLiteral("milestone_funded"),
               QStringLiteral("Milestone funded: %1").arg(text(m, "title")),
               QStringLiteral("%1 is in escrow for %2; you can start work.")
                   .arg(QStringLiteral("₹%1").arg(amount / Money::PaisePerRupee),
                        text(m, "contract_title")));
    return ok({{QStringLiteral("funded"), true},
               {QStringLiteral("milestone"), milestoneRecord(req.db, id)}});
}

Reply submitDeliverable(Request &req)
{
    const QJsonObject m = partyMilestone(req);
    if (member(m, "freelancer_id") != req.userId)
        fail(404, QStringLiteral("Milestone not found"));
    const QString summary = req.text(QStringLiteral("summary"), 10, 5000);
    const QString artifactUrl = req.optionalText(QStringLiteral("artifactUrl"), 2000);
    if (!artifactUrl.isEmpty() && !artifactUrl.startsWith(QLatin1String("https://"))
        && !artifactUrl.startsWith(QLatin1String("http://")))
        fail(400, QStringLiteral("artifactUrl must be an http(s) link"));
    requireActiveContract(m);
    if (text(m, "status") != Funded)
        fail(409, QStringLiteral("Only a funded milestone can be delivered"));

    const qint64 milestoneId = member(m, "id");
    const qint64 deliverableId = req.db.insert(
        QStringLiteral("INSERT INTO deliverables (milestone_id, contract_id, freelancer_id, "
                       "summary, artifact_url, status, created_at) "
                       "VALUES (?,?,?,?,?,'submitted',?)"),
        {milestoneId, member(m, "contract_id"), req.userId, summary, artifactUrl, Storage::now()});
    req.db.change(QStringLiteral("UPDATE milestones SET status = ? WHERE id = ?"),
                  {Delivered, milestoneId});
    notifyUser(req.db, member(m, "client_id"), QStringLiteral("delivery_submitted"),
               QStringLiteral("Delivery submitted: %1").arg(text(m, "title")),
               QStringLiteral("Accept it to release the payment, or ask for a revision."));
    return created({{QStringLiteral("deliverable"), deliverableRecord(req.db, deliverableId)}});
}

Reply openDispute(Request &req)
{
    const QJsonObject m = partyMilestone(req);
    const QString reason = req.text(QStringLiteral("reason"), 10, 5000);
    const QString evidence = req.optionalText(QStringLiteral("evidence"), 10000);
    const QString status = text(m, "status");
    if (status != Funded && status != Delivered)
        fail(409,
             QStringLiteral("A dispute can be opened only on a funded or delivered milestone"));

    const qint64 milestoneId = member(m, "id");
    const qint64 disputeId = req.db.insert(
        QStringLiteral("INSERT INTO disputes (milestone_id, contract_id, opened_by, reason, "
                       "evidence, status, created_at) VALUES (?,?,?,?,?,'open',?)"),
        {milestoneId, member(m, "contract_id"), req.userId, reason, evidence, Storage::now()});
    // The escrow stays held until the dispute is settled; a pending delivery waits with it.
    req.db.change(QStringLiteral("UPDATE milestones SET status = ? WHERE id = ?"),
                  {Disputed, milestoneId});
    req.db.change(QStringLiteral("UPDATE deliverables SET status = 'disputed' "
                                 "WHERE milestone_id = ? AND status = 'submitted'"),
                  {milestoneId});
    const qint64 other = member(m, "client_id") == req.userId ? member(m, "freelancer_id")
                                                              : member(m, "client_id");
    notifyUser(req.db, other, QStringLiteral("dispute_opened"),
               QStringLiteral("Dispute opened: %1").arg(text(m, "title")), reason.left(200));
    return created({{QStringLiteral("dispute"),
                     req.db.one(QStringLiteral("SELECT id, milestone_id, contract_id, opened_by, "
                                               "reason, evidence, status, created_at "
                                               "FROM disputes WHERE id = ?"),
                                {disputeId})}});
}

void requirePendingDelivery(const QJsonObject &d)
{
    if (text(d, "status") != QLatin1String("submitted") || text(d, "milestone_status") != Delivered)
        fail(409, QStringLiteral("This delivery is no longer waiting for a decision"));
}

Reply acceptDeliverable(Request &req)
{
    const QJsonObject d = clientDeliverable(req);
    requirePendingDelivery(d);
    const qint64 milestoneId = member(d, "milestone_id");
    const qint64 contractId = member(d, "contract_id");
    const QString now = Storage::now();
    req.db.change(QStringLiteral("UPDATE deliverables SET status = 'accepted', decided_at = ? "
                                 "WHERE id = ?"),
                  {now, member(d, "id")});
    req.db.change(QStringLiteral("UPDATE milestones SET status = ?, paid_at = ? WHERE id = ?"),
                  {Paid, now, milestoneId});
    Money::release(req.db, Money::Escrow::Milestone, milestoneId, member(d, "freelancer_id"),
                   QStringLiteral("Milestone paid: %1").arg(text(d, "milestone_title")));
    Money::issueInvoice(req.db, req.userId,
                        QStringLiteral("Milestone: %1").arg(text(d, "milestone_title")),
                        member(d, "amount_paise"));
    const qint64 open = req.db
                            .scalar(QStringLiteral("SELECT COUNT(*) FROM milestones WHERE "
                                                   "contract_id = ? AND status <> ?"),
                                    {contractId, Paid})
                            .toLongLong();
    if (open == 0)
        req.db.change(QStringLiteral("UPDATE contracts SET status = 'completed' WHERE id = ?"),
                      {contractId});
    notifyUser(req.db, member(d, "freelancer_id"), QStringLiteral("payment_released"),
               QStringLiteral("Payment released: %1").arg(text(d, "milestone_title")),
               QStringLiteral("Your delivery was accepted; the payment is in your wallet."));
    return ok({{QStringLiteral("deliverable"), deliverableRecord(req.db, member(d, "id"))},
               {QStringLiteral("milestone"), milestoneRecord(req.db, milestoneId)}});
}

Reply requestRevision(Request &req)
{
    const QJsonObject d = clientDeliverable(req);
    const QString feedback = req.text(QStringLiteral("feedback"), 10, 5000);
    requirePendingDelivery(d);
    const qint64 milestoneId = member(d, "milestone_id");
    req.db.change(QStringLiteral("UPDATE deliverables SET status = 'revision_requested', "
                                 "feedback = ?, decided_at = ? WHERE id = ?"),
                  {feedback, Storage::now(), member(d, "id")});
    req.db.change(QStringLiteral("UPDATE milestones SET status = ? WHERE id = ?"),
                  {Funded, milestoneId});
    notifyUser(req.db, member(d, "freelancer_id"), QStringLiteral("revision_requested"),
               QStringLiteral("Revision requested: %1").arg(text(d, "milestone_title")),
               feedback.left(200));
    return ok({{QStringLiteral("deliverable"), deliverableRecord(req.db, member(d, "id"))},
               {QStringLiteral("milestone"), milestoneRecord(req.db, milestoneId)}});
}

Reply postScreenshot(Request &req)
{
    const qint64 contractId = req.idMember(QStringLiteral("contractId"));
    const QJsonObject c
        = req.db.one(QStringLiteral("SELECT id, contract_type, status FROM contracts "
                                    "WHERE id = ? AND freelancer_id = ?"),
                     {contractId, req.userId});
    if (c.isEmpty())
        fail(404, QStringLiteral("Contract not found"));
    const QJsonValue data = req.body.value(QStringLiteral("thumbnailData"));
    if (!data.isString())
        fail(400, QStringLiteral("thumbnailData is required"));
    QString why;
    const auto bytes = DataUrl::decodeJpeg(data.toString(), &why);
    if (!bytes)
        fail(400, QStringLiteral("thumbnailData ") + why);
    if (text(c, "contract_type") != QLatin1String("hourly")
        || text(c, "status") != QLatin1String("active"))
        fail(409,
             QStringLiteral("Work screenshots are recorded only for an active hourly "
                            "contract"));
    const QString now = Storage::now();
    const qint64 id = req.db.insert(
        QStringLiteral("INSERT INTO work_screenshots (contract_id, freelancer_id, "
                       "thumbnail_data, size_bytes, created_at) VALUES (?,?,?,?,?)"),
        {contractId, req.userId, data.toString(), qint64(bytes->size()), now});
    return created({{QStringLiteral("screenshot"),
                     QJsonObject {{QStringLiteral("id"), id},
                                  {QStringLiteral("contract_id"), contractId},
                                  {QStringLiteral("size_bytes"), qint64(bytes->size())},
                                  {QStringLiteral("created_at"), now}}}});
}

} // namespace

void registerContractRoutes(Router &r)
{
    r.get(QStringLiteral("api/contracts"), Access::User, listContracts);
    r.post(QStringLiteral("api/work-screenshots"), Access::Freelancer, postScreenshot);
    r.post(QStringLiteral("api/milestones/<id>/funding-intents"), Access::Client, fundMilestone);
    r.post(QStringLiteral("api/milestones/<id>/deliverables"), Access::Freelancer,
           submitDeliverable);
    r.post(QStringLiteral("api/milestones/<id>/disputes"), Access::User, openDispute);
    r.post(QStringLiteral("api/deliverables/<id>/accept"), Access::Client, acceptDeliverable);
    r.post(QStringLiteral("api/deliverables/<id>/revision"), Access::Client, requestRevision);
}
