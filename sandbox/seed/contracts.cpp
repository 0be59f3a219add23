#include "areas.h"
#include "money.h"
#include "notify.h"
#include "storage.h"

using namespace Qt::StringLiterals;

// Demo contracts between the demo client and the demo freelancer: a fixed-price contract with a
// milestone in every state (paid, delivered, funded after a revision, disputed, awaiting
// funding), an active hourly contract with a paid and a funded week and two work screenshots, a
// completed hourly contract, and a milestone larger than the client's wallet, whose funding is
// completed in the browser.

namespace {

// A small JPEG (48×27, the app's colours) standing in for a screen thumbnail.
const char ThumbnailBase64[]
    = "/9j/4AAQSkZJRgABAQEAYABgAAD/2wBDAA0JCgsKCA0LCgsODg0PEyAVExISEyccHhcgLikxMC4pLSwzOko+MzZG"
      "NywtQFdBRkxOUlNSMj5aYVpQYEpRUk//2wBDAQ4ODhMREyYVFSZPNS01T09PT09PT09PT09PT09PT09PT09PT09P"
      "T09PT09PT09PT09PT09PT09PT09PT09PT0//wAARCAAbADADASIAAhEBAxEB/8QAHwAAAQUBAQEBAQEAAAAAAAAA"
      "AAECAwQFBgcICQoL/8QAtRAAAgEDAwIEAwUFBAQAAAF9AQIDAAQRBRIhMUEGE1FhByJxFDKBkaEII0KxwRVS0fAk"
      "M2JyggkKFhcYGRolJicoKSo0NTY3ODk6Q0RFRkdISUpTVFVWV1hZWmNkZWZnaGlqc3R1dnd4eXqDhIWGh4iJipKT"
      "lJWWl5iZmqKjpKWmp6ipqrKztLW2t7i5usLDxMXGx8jJytLT1NXW19jZ2uHi4+Tl5ufo6erx8vP09fb3+Pn6/8QA"
      "HwEAAwEBAQEBAQEBAQAAAAAAAAECAwQFBgcICQoL/8QAtREAAgECBAQDBAcFBAQAAQJ3AAECAxEEBSExBhJBUQdh"
      "cRMiMoEIFEKRobHBCSMzUvAVYnLRChYkNOEl8RcYGRomJygpKjU2Nzg5OkNERUZHSElKU1RVVldYWVpjZGVmZ2hp"
      "anN0dXZ3eHl6goOEhYaHiImKkpOUlZaXmJmaoqOkpaanqKmqsrO0tba3uLm6wsPExcbHyMnK0tPU1dbX2Nna4uPk"
      "5ebn6Onq8vP09fb3+Pn6/9oADAMBAAIRAxEAPwDgqAMkD1oqSCJp7iKFCA0jhQT0yTiu6Wxkg8r/AGv0o8r/AGv0"
      "ra/4RnUf+e9t/wB9H/4mj/hGdR/5723/AH0f/iaXsZ9hc67mL5X+1+lNdNoznNbn/CM6j/z3tv8Avo//ABNVNS0e"
      "70+3Wa4kiZWcKAhOc4J9B6UpUpJXaBTTe5mVY09lTUrV3YKqzISScADIqvRVSdlcZ6F/aNh/z+23/f1f8aP7RsP+"
      "f22/7+r/AI155RWv1uXYz9iu56H/AGjYf8/tt/39X/GsbxRd20+mxpBcRSMJgSEcE4wfSuVoqZ4lyi42GqSTuf/Z";

struct MilestoneSeed
{
    const char *title;
    qint64 rupees;
};

qint64 contract(Storage &db, const SeedIds &ids, const QString &title, const QString &description,
                const QString &type, const QList<MilestoneSeed> &milestones, int daysAgo)
{
    qint64 total = 0;
    for (const MilestoneSeed &m : milestones)
        total += m.rupees * Money::PaisePerRupee;
    const QString when = Storage::isoInDays(-daysAgo);
    const qint64 project = db.insert(
        u"INSERT INTO projects (client_id, title, description, required_skills, "
        "budget_paise, project_type, status, created_at, published_at) "
        "VALUES (?,?,?,?,?,?,'in_progress',?,?)"_s,
        {ids.client, title, description, u"[\"C++\",\"Qt\"]"_s, total, type, when, when});
    const qint64 proposal
        = db.insert(u"INSERT INTO proposals (project_id, freelancer_id, cover_letter, "
                    "amount_paise, duration_days, status, created_at) "
                    "VALUES (?,?,?,?,?,'accepted',?)"_s,
                    {project, ids.freelancer,
                     u"I have shipped three Qt desktop apps of this kind; happy to start "
                     "this week."_s,
                     total, 30, when});
    const qint64 id
        = db.insert(u"INSERT INTO contracts (project_id, proposal_id, client_id, "
                    "freelancer_id, title, contract_type, status, total_paise, created_at) "
                    "VALUES (?,?,?,?,?,?,'active',?,?)"_s,
                    {project, proposal, ids.client, ids.freelancer, title, type, total, when});
    for (int i = 0; i < milestones.size(); ++i)
        db.insert(u"INSERT INTO milestones (contract_id, position, title, "
                  "amount_paise, status, created_at) "
                  "VALUES (?,?,?,?,'awaiting_funding',?)"_s,
                  {id, i + 1, QString::fromUtf8(milestones.at(i).title),
                   milestones.at(i).rupees * Money::PaisePerRupee, when});
    return id;
}

qint64 milestone(Storage &db, qint64 contractId, int position)
{
    return db
        .scalar(u"SELECT id FROM milestones WHERE contract_id = ? AND "
                "position = ?"_s,
                {contractId, position})
        .toLongLong();
}

void fund(Storage &db, const SeedIds &ids, qint64 milestoneId)
{
    const QJsonObject m = db.one(u"SELECT title, amount_paise FROM milestones "
                                 "WHERE id = ?"_s,
                                 {milestoneId});
    db.change(u"UPDATE milestones SET status = 'funded', funded_at = ? WHERE id = ?"_s,
              {Storage::isoInDays(-10), milestoneId});
    Money::hold(db, ids.client, m.value(u"amount_paise"_s).toInteger(), Money::Escrow::Milestone,
                milestoneId, u"Milestone funded: %1"_s.arg(m.value(u"title"_s).toString()));
}

qint64 deliver(Storage &db, const SeedIds &ids, qint64 contractId, qint64 milestoneId,
               const QString &summary, const QString &status, const QString &feedback = QString())
{
    db.change(u"UPDATE milestones SET status = 'delivered' WHERE id = ?"_s, {milestoneId});
    return db.insert(u"INSERT INTO deliverables (milestone_id, contract_id, "
                     "freelancer_id, summary, artifact_url, status, feedback, "
                     "created_at, decided_at) VALUES (?,?,?,?,'',?,?,?,?)"_s,
                     {milestoneId, contractId, ids.freelancer, summary, status, feedback,
                      Storage::isoInDays(-5),
                      status == "submitted"_L1 ? QVariant() : QVariant(Storage::isoInDays(-4))});
}

void pay(Storage &db, const SeedIds &ids, qint64 milestoneId)
{
    const QString title
        = db.scalar(u"SELECT title FROM milestones WHERE id = ?"_s, {milestoneId}).toString();
    const qint64 amount = db.scalar(u"SELECT amount_paise FROM milestones "
                                    "WHERE id = ?"_s,
                                    {milestoneId})
                              .toLongLong();
    db.change(u"UPDATE milestones SET status = 'paid', paid_at = ? WHERE id = ?"_s,
              {Storage::isoInDays(-4), milestoneId});
    Money::release(db, Money::Escrow::Milestone, milestoneId, ids.freelancer,
                   u"Milestone paid: %1"_s.arg(title));
    Money::issueInvoice(db, ids.client, u"Milestone: %1"_s.arg(title), amount);
}

} // namespace

void seedContracts(Storage &db, const SeedIds &ids)
{
    // --- fixed price: one milestone in every state ----------------------------------------
    const qint64 fixed
        = contract(db, ids, u"Inventory desktop app for a retail chain"_s,
                   u"A Qt desktop app for stock levels, suppliers and purchase orders, "
                   "synchronised with our web backend."_s,
                   u"fixed"_s,
                   {{"Requirements and wireframes", 8000},
                    {"Core data model and sync", 15000},
                    {"Reporting screens", 12000},
                    {"Offline mode", 9000},
                    {"Packaging and hand-over", 6000}},
                   30);
    const qint64 paid = milestone(db, fixed, 1);
    fund(db, ids, paid);
    deliver(db, ids, fixed, paid,
            u"Requirements document and clickable wireframes for "
            "all twelve screens."_s,
            u"accepted"_s);
    pay(db, ids, paid);

    const qint64 delivered = milestone(db, fixed, 2);
    fund(db, ids, delivered);
    deliver(db, ids, fixed, delivered,
            u"SQLite model with background sync to the REST backend; tests "
            "included."_s,
            u"submitted"_s);

    // Funded again after a revision request on its first delivery.
    const qint64 funded = milestone(db, fixed, 3);
    fund(db, ids, funded);
    deliver(db, ids, fixed, funded, u"Stock and supplier reports with CSV export."_s,
            u"revision_requested"_s, u"Please add the purchase-order report and PDF export."_s);
    db.change(u"UPDATE milestones SET status = 'funded' WHERE id = ?"_s, {funded});

    const qint64 disputed = milestone(db, fixed, 4);
    fund(db, ids, disputed);
    db.change(u"UPDATE milestones SET status = 'disputed' WHERE id = ?"_s, {disputed});
    db.insert(u"INSERT INTO disputes (milestone_id, contract_id, opened_by, reason, "
              "evidence, status, created_at) VALUES (?,?,?,?,?,'open',?)"_s,
              {disputed, fixed, ids.freelancer,
               u"The offline mode scope grew to include conflict resolution, which "
               "was not in the agreed milestone."_s,
               u"Milestone description of 2 March versus the request of 9 March."_s,
               Storage::isoInDays(-3)});
    // Milestone 5 stays awaiting funding.

    notifyUser(db, ids.client, u"delivery_submitted"_s,
               u"Delivery submitted: Core data model and sync"_s,
               u"Accept it to release the payment, or ask for a revision."_s);
    notifyUser(db, ids.freelancer, u"milestone_funded"_s, u"Milestone funded: Reporting screens"_s,
               u"₹12000 is in escrow; you can start work."_s);

    // --- hourly: ZadoZirir records work on it --------------------------------------------
    const qint64 hourly
        = contract(db, ids, u"Ongoing C++ maintenance (hourly)"_s,
                   u"Bug fixing and small features on our C++ codebase, about ten hours "
                   "a week, billed weekly."_s,
                   u"hourly"_s, {{"Week 1 (10 hours)", 10000}, {"Week 2 (10 hours)", 10000}}, 12);
    const qint64 week1 = milestone(db, hourly, 1);
    fund(db, ids, week1);
    deliver(db, ids, hourly, week1,
            u"Fixed the crash on import, the slow search and two UI glitches."_s, u"accepted"_s);
    pay(db, ids, week1);
    fund(db, ids, milestone(db, hourly, 2));

    const QString thumbnail = u"data:image/jpeg;base64,"_s + QLatin1String(ThumbnailBase64);
    const qint64 size = QByteArray::fromBase64(QByteArray(ThumbnailBase64)).size();
    for (int daysAgo : {2, 1})
        db.insert(u"INSERT INTO work_screenshots (contract_id, freelancer_id, "
                  "thumbnail_data, size_bytes, created_at) VALUES (?,?,?,?,?)"_s,
                  {hourly, ids.freelancer, thumbnail, size, Storage::isoInDays(-daysAgo)});

    // --- completed: every milestone paid, so ZadoZirir is no longer offered ----------------
    const qint64 done = contract(
        db, ids, u"Website speed tune-up (hourly)"_s,
        u"Profile and speed up our shop's product pages; a few hours a week until the pages load "
        "in under two seconds."_s,
        u"hourly"_s, {{"Profiling and fixes (6 hours)", 6000}}, 40);
    const qint64 tuneUp = milestone(db, done, 1);
    fund(db, ids, tuneUp);
    deliver(db, ids, done, tuneUp,
            u"Product pages now load in 1.4 s: lazy images, fewer fonts, cached queries."_s,
            u"accepted"_s);
    pay(db, ids, tuneUp);
    db.change(u"UPDATE contracts SET status = 'completed' WHERE id = ?"_s, {done});

    // --- more than the client's wallet holds: funding it hands over to the browser ----------
    contract(db, ids, u"Point-of-sale app for 40 stores"_s,
             u"A touch-screen point-of-sale app for our stores, with offline sales, receipts and a "
             "sync to head office."_s,
             u"fixed"_s, {{"Full build and rollout", 300000}}, 1);
}
