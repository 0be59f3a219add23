#include "http.h"
#include "money.h"
#include "notify.h"
#include "payments.h"
#include "records.h"
#include "storage.h"
#include "users.h"

using namespace Qt::StringLiterals;

// Contracts and their milestones. A milestone moves awaiting_funding → funded (the client funds it
// from the wallet into escrow) → delivered (the freelancer submits a deliverable) → paid (the
// client accepts the deliverable, which releases the escrow to the freelancer); a revision request
// sends it back to funded. Either party may open a dispute on a funded or delivered milestone,
// which holds the escrow as it is. A contract is completed once all its milestones are paid.
// The freelancer of an active hourly contract records work screenshots.

namespace {

const QString Awaiting = u"awaiting_funding"_s;
const QString Funded = u"funded"_s;
const QString Delivered = u"delivered"_s;
const QString Paid = u"paid"_s;
const QString Disputed = u"disputed"_s;

constexpr int MaxScreenshotsPerWindow = 10;
constexpr int ScreenshotWindowSeconds = 10 * 60;

using Records::integer;
using Records::text;

QJsonObject contractRecord(Storage &db, const QJsonObject &row)
{
    QJsonObject c = row;
    const qint64 id = integer(row, "id");
    c.insert(u"milestones"_s,
             db.all(u"SELECT id, contract_id, position, title, amount_paise, status, "
                    "funded_at, paid_at FROM milestones WHERE contract_id = ? "
                    "ORDER BY position, id"_s,
                    {id}));
    c.insert(u"deliverables"_s,
             db.all(u"SELECT id, milestone_id, summary, artifact_url, status, "
                    "feedback, created_at, decided_at FROM deliverables "
                    "WHERE contract_id = ? ORDER BY id"_s,
                    {id}));
    c.insert(u"disputes"_s,
             db.all(u"SELECT id, milestone_id, opened_by, reason, evidence, status, "
                    "created_at FROM disputes WHERE contract_id = ? ORDER BY id"_s,
                    {id}));
    c.insert(u"screenshots_count"_s,
             db.scalar(u"SELECT COUNT(*) FROM work_screenshots WHERE contract_id = ?"_s, {id})
                 .toLongLong());
    return c;
}

const QString ContractColumns
    = u"SELECT c.id, c.project_id, COALESCE(p.title, c.title) AS project_title, "
      "c.status, c.contract_type, c.total_paise, c.client_id, "_s
    + Users::displayNameSql("cu") + u" AS client_name, c.freelancer_id, "_s
    + Users::displayNameSql("fu")
    + u" AS freelancer_name, c.created_at "
      "FROM contracts c LEFT JOIN projects p ON p.id = c.project_id "
      "JOIN users cu ON cu.id = c.client_id "
      "JOIN users fu ON fu.id = c.freelancer_id "_s;

Reply listContracts(Request &req)
{
    const QJsonArray rows = req.db.all(ContractColumns
                                           + u"WHERE c.client_id = ? OR "
                                             "c.freelancer_id = ? "
                                             "ORDER BY c.id DESC"_s,
                                       {req.userId, req.userId});
    QJsonArray contracts;
    for (const QJsonValue &row : rows)
        contracts.append(contractRecord(req.db, row.toObject()));
    return ok({{u"contracts"_s, contracts}});
}

// The milestone of the path with its contract's parties, when the signed-in user is one of them
// (else 404). Members: id, title, amount_paise, status, contract_id, contract_status,
// contract_title, client_id, freelancer_id.
QJsonObject partyMilestone(Request &req)
{
    const QJsonObject m
        = req.db.one(u"SELECT m.id, m.title, m.amount_paise, m.status, m.contract_id, "
                     "c.status AS contract_status, c.title AS contract_title, c.client_id, "
                     "c.freelancer_id FROM milestones m "
                     "JOIN contracts c ON c.id = m.contract_id WHERE m.id = ?"_s,
                     {req.id()});
    if (m.isEmpty()
        || (integer(m, "client_id") != req.userId && integer(m, "freelancer_id") != req.userId))
        fail(404, u"Milestone not found"_s);
    return m;
}

// The deliverable of the path with its milestone and contract, when the signed-in user is the
// contract's client (else 404; the dispatcher has already refused other roles).
QJsonObject clientDeliverable(Request &req)
{
    const QJsonObject d
        = req.db.one(u"SELECT d.id, d.status, d.milestone_id, m.status AS milestone_status, "
                     "m.title AS milestone_title, m.amount_paise, d.contract_id, "
                     "c.status AS contract_status, c.client_id, c.freelancer_id "
                     "FROM deliverables d JOIN milestones m ON m.id = d.milestone_id "
                     "JOIN contracts c ON c.id = d.contract_id WHERE d.id = ?"_s,
                     {req.id()});
    if (d.isEmpty() || integer(d, "client_id") != req.userId)
        fail(404, u"Delivery not found"_s);
    return d;
}

void requireActiveContract(const QJsonObject &m)
{
    Records::requireState(m, "contract_status", {u"active"_s}, u"The contract is not active"_s);
}

QJsonObject milestoneRecord(Storage &db, qint64 id)
{
    return db.one(u"SELECT id, contract_id, position, title, amount_paise, status, "
                  "funded_at, paid_at FROM milestones WHERE id = ?"_s,
                  {id});
}

QJsonObject deliverableRecord(Storage &db, qint64 id)
{
    return db.one(u"SELECT id, milestone_id, contract_id, summary, artifact_url, "
                  "status, feedback, created_at, decided_at FROM deliverables "
                  "WHERE id = ?"_s,
                  {id});
}

Reply fundMilestone(Request &req)
{
    const qint64 id = req.id();
    if (!Payments::fundMilestone(req.db, req.userId, id, Payments::Source::Wallet)) {
        // The wallet does not cover it: the payment is completed on the web; nothing changes here.
        const QJsonObject m = milestoneRecord(req.db, id);
        QJsonObject order = Payments::webOrder(integer(m, "amount_paise"));
        order.insert(u"milestone_id"_s, id);
        return ok({{u"razorpay"_s, order}, {u"funded"_s, false}, {u"milestone"_s, m}});
    }
    return ok({{u"funded"_s, true}, {u"milestone"_s, milestoneRecord(req.db, id)}});
}

Reply submitDeliverable(Request &req)
{
    const QJsonObject m = partyMilestone(req);
    if (integer(m, "freelancer_id") != req.userId)
        fail(404, u"Milestone not found"_s);
    const QString summary = req.text(u"summary"_s, 10, 5000);
    const QString artifactUrl = req.optionalText(u"artifactUrl"_s, 2000);
    if (!artifactUrl.isEmpty() && !artifactUrl.startsWith("https://"_L1)
        && !artifactUrl.startsWith("http://"_L1))
        fail(400, req.field(u"artifactUrl"_s) + u" must be an http(s) link"_s);
    requireActiveContract(m);
    Records::requireState(m, "status", {Funded}, u"Only a funded milestone can be delivered"_s);

    const qint64 milestoneId = integer(m, "id");
    const qint64 deliverableId = req.db.insert(
        u"INSERT INTO deliverables (milestone_id, contract_id, freelancer_id, "
        "summary, artifact_url, status, created_at) "
        "VALUES (?,?,?,?,?,'submitted',?)"_s,
        {milestoneId, integer(m, "contract_id"), req.userId, summary, artifactUrl, Storage::now()});
    req.db.change(u"UPDATE milestones SET status = ? WHERE id = ?"_s, {Delivered, milestoneId});
    notifyUser(req.db, integer(m, "client_id"), u"delivery_submitted"_s,
               u"Delivery submitted: %1"_s.arg(text(m, "title")),
               u"Accept it to release the payment, or ask for a revision."_s);
    return created({{u"deliverable"_s, deliverableRecord(req.db, deliverableId)}});
}

Reply openDispute(Request &req)
{
    const QJsonObject m = partyMilestone(req);
    const QString reason = req.text(u"reason"_s, 10, 5000);
    const QString evidence = req.optionalText(u"evidence"_s, 10000);
    Records::requireState(m, "status", {Funded, Delivered},
                          u"A dispute can be opened only on a funded or delivered milestone"_s);

    const qint64 milestoneId = integer(m, "id");
    const qint64 disputeId = req.db.insert(
        u"INSERT INTO disputes (milestone_id, contract_id, opened_by, reason, "
        "evidence, status, created_at) VALUES (?,?,?,?,?,'open',?)"_s,
        {milestoneId, integer(m, "contract_id"), req.userId, reason, evidence, Storage::now()});
    // The escrow stays held until the dispute is settled; a pending delivery waits with it.
    req.db.change(u"UPDATE milestones SET status = ? WHERE id = ?"_s, {Disputed, milestoneId});
    req.db.change(u"UPDATE deliverables SET status = 'disputed' "
                  "WHERE milestone_id = ? AND status = 'submitted'"_s,
                  {milestoneId});
    const qint64 other = integer(m, "client_id") == req.userId ? integer(m, "freelancer_id")
                                                               : integer(m, "client_id");
    notifyUser(req.db, other, u"dispute_opened"_s, u"Dispute opened: %1"_s.arg(text(m, "title")),
               reason.left(200));
    return created({{u"dispute"_s,
                     req.db.one(u"SELECT id, milestone_id, contract_id, opened_by, "
                                "reason, evidence, status, created_at "
                                "FROM disputes WHERE id = ?"_s,
                                {disputeId})}});
}

void requirePendingDelivery(const QJsonObject &d)
{
    if (text(d, "status") != "submitted"_L1 || text(d, "milestone_status") != Delivered)
        fail(409, u"This delivery is no longer waiting for a decision"_s);
}

Reply acceptDeliverable(Request &req)
{
    const QJsonObject d = clientDeliverable(req);
    requirePendingDelivery(d);
    const qint64 milestoneId = integer(d, "milestone_id");
    const qint64 contractId = integer(d, "contract_id");
    const QString now = Storage::now();
    req.db.change(u"UPDATE deliverables SET status = 'accepted', decided_at = ? "
                  "WHERE id = ?"_s,
                  {now, integer(d, "id")});
    req.db.change(u"UPDATE milestones SET status = ?, paid_at = ? WHERE id = ?"_s,
                  {Paid, now, milestoneId});
    Money::release(req.db, Money::Escrow::Milestone, milestoneId, integer(d, "freelancer_id"),
                   u"Milestone paid: %1"_s.arg(text(d, "milestone_title")));
    Money::issueInvoice(req.db, req.userId, u"Milestone: %1"_s.arg(text(d, "milestone_title")),
                        integer(d, "amount_paise"));
    const qint64 open = req.db
                            .scalar(u"SELECT COUNT(*) FROM milestones WHERE "
                                    "contract_id = ? AND status <> ?"_s,
                                    {contractId, Paid})
                            .toLongLong();
    if (open == 0)
        req.db.change(u"UPDATE contracts SET status = 'completed' WHERE id = ?"_s, {contractId});
    notifyUser(req.db, integer(d, "freelancer_id"), u"payment_released"_s,
               u"Payment released: %1"_s.arg(text(d, "milestone_title")),
               u"Your delivery was accepted; the payment is in your wallet."_s);
    return ok({{u"deliverable"_s, deliverableRecord(req.db, integer(d, "id"))},
               {u"milestone"_s, milestoneRecord(req.db, milestoneId)}});
}

Reply requestRevision(Request &req)
{
    const QJsonObject d = clientDeliverable(req);
    const QString feedback = req.text(u"feedback"_s, 10, 5000);
    requirePendingDelivery(d);
    const qint64 milestoneId = integer(d, "milestone_id");
    req.db.change(u"UPDATE deliverables SET status = 'revision_requested', "
                  "feedback = ?, decided_at = ? WHERE id = ?"_s,
                  {feedback, Storage::now(), integer(d, "id")});
    req.db.change(u"UPDATE milestones SET status = ? WHERE id = ?"_s, {Funded, milestoneId});
    notifyUser(req.db, integer(d, "freelancer_id"), u"revision_requested"_s,
               u"Revision requested: %1"_s.arg(text(d, "milestone_title")), feedback.left(200));
    return ok({{u"deliverable"_s, deliverableRecord(req.db, integer(d, "id"))},
               {u"milestone"_s, milestoneRecord(req.db, milestoneId)}});
}

Reply postScreenshot(Request &req)
{
    const qint64 contractId = req.idMember(u"contractId"_s);
    const QJsonObject c = req.db.one(u"SELECT id, contract_type, status FROM contracts "
                                     "WHERE id = ? AND freelancer_id = ?"_s,
                                     {contractId, req.userId});
    if (c.isEmpty())
        fail(404, u"Contract not found"_s);
    const QByteArray bytes = req.jpegDataUrl(u"thumbnailData"_s, true);
    if (text(c, "contract_type") != "hourly"_L1 || text(c, "status") != "active"_L1)
        fail(409,
             u"Work screenshots are recorded only for an active hourly "
             "contract"_s);
    const QString now = Storage::now();
    // The work diary takes one every ten minutes, and one when it starts.
    if (req.db
            .scalar(u"SELECT COUNT(*) FROM work_screenshots WHERE contract_id = ? "
                    "AND created_at > ?"_s,
                    {contractId, Storage::secondsAgo(ScreenshotWindowSeconds)})
            .toLongLong()
        >= MaxScreenshotsPerWindow)
        fail(429, u"Too many work screenshots for this contract; try again in a few minutes"_s);
    const qint64 id
        = req.db.insert(u"INSERT INTO work_screenshots (contract_id, freelancer_id, "
                        "thumbnail_data, size_bytes, created_at) VALUES (?,?,?,?,?)"_s,
                        {contractId, req.userId, req.body.value(u"thumbnailData"_s).toString(),
                         qint64(bytes.size()), now});
    return created({{u"screenshot"_s,
                     QJsonObject {{u"id"_s, id},
                                  {u"contract_id"_s, contractId},
                                  {u"size_bytes"_s, qint64(bytes.size())},
                                  {u"created_at"_s, now}}}});
}

} // namespace

void registerContractRoutes(Router &r)
{
    r.get(u"api/contracts"_s, Access::User, listContracts);
    r.post(u"api/work-screenshots"_s, Access::Freelancer, postScreenshot);
    r.post(u"api/milestones/<id>/funding-intents"_s, Access::Client, fundMilestone);
    r.post(u"api/milestones/<id>/deliverables"_s, Access::Freelancer, submitDeliverable);
    r.post(u"api/milestones/<id>/disputes"_s, Access::User, openDispute);
    r.post(u"api/deliverables/<id>/accept"_s, Access::Client, acceptDeliverable);
    r.post(u"api/deliverables/<id>/revision"_s, Access::Client, requestRevision);
}
