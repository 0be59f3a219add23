#include "areas.h"
#include "money.h"
#include "notify.h"
#include "records.h"
#include "storage.h"

using namespace Qt::StringLiterals;

// Demo gigs with one to three packages, and gig orders in every state for the demo client
// (buyer) and the demo freelancer (seller), with their escrow, messages and a review.

namespace {

struct PackageSeed
{
    const char *tier;
    qint64 rupees;
    int days;
    const char *description;
};

qint64 gig(Storage &db, qint64 freelancerId, const QString &title, const QString &description,
           const QStringList &skills, const QList<PackageSeed> &packages)
{
    int days = 0;
    for (const PackageSeed &p : packages)
        days = days == 0 ? p.days : qMin(days, p.days);
    const qint64 id
        = Records::insertGig(db, freelancerId, title, description, skills, days, u"active"_s);
    for (int i = 0; i < packages.size(); ++i) {
        const PackageSeed &p = packages.at(i);
        const QString tier = QString::fromLatin1(p.tier);
        Records::insertPackage(db, id, i, tier, tier.left(1).toUpper() + tier.mid(1),
                               QString::fromUtf8(p.description), p.rupees * Money::PaisePerRupee,
                               p.days);
    }
    return id;
}

// Places an order as the routes do (escrow from the client's wallet) and returns its id.
qint64 order(Storage &db, qint64 gigId, qint64 clientId, const QString &tier,
             const QString &instructions, int daysAgo)
{
    const QJsonObject g = Records::gig(db, gigId);
    QJsonObject package;
    for (const QJsonValue &p : g.value(u"packages"_s).toArray()) {
        if (p.toObject().value(u"tier"_s).toString() == tier)
            package = p.toObject();
    }
    const QString when = Storage::isoInDays(-daysAgo);
    const qint64 price = package.value(u"price_paise"_s).toInteger();
    const QString title = g.value(u"title"_s).toString();
    const qint64 id
        = db.insert(u"INSERT INTO gig_orders (gig_id, client_id, freelancer_id, gig_title, "
                    "package_tier, price_paise, delivery_days, instructions, status, "
                    "created_at, updated_at) VALUES (?,?,?,?,?,?,?,?,'pending',?,?)"_s,
                    {gigId, clientId, g.value(u"freelancer_id"_s).toInteger(), title, tier, price,
                     package.value(u"delivery_days"_s).toInteger(), instructions, when, when});
    Money::hold(db, clientId, price, Money::Escrow::GigOrder, id,
                u"Gig order #%1: %2 (%3)"_s.arg(id).arg(title, tier));
    return id;
}

void setStatus(Storage &db, qint64 orderId, const QString &status)
{
    db.change(u"UPDATE gig_orders SET status = ?, accepted_at = COALESCE("
              "accepted_at, created_at) WHERE id = ?"_s,
              {status, orderId});
}

void deliver(Storage &db, qint64 orderId, qint64 sellerId, const QString &note)
{
    db.change(u"UPDATE gig_orders SET status = 'delivered', delivery_note = ?, "
              "delivered_at = ?, accepted_at = COALESCE(accepted_at, created_at) "
              "WHERE id = ?"_s,
              {note, Storage::isoInDays(-1), orderId});
    Records::addMessage(db, orderId, sellerId, u"Delivered: "_s + note);
}

void complete(Storage &db, qint64 orderId, qint64 clientId, qint64 sellerId)
{
    const QJsonObject o = Records::order(db, orderId);
    const QString title = o.value(u"gig_title"_s).toString();
    db.change(u"UPDATE gig_orders SET status = 'completed', completed_at = ? "
              "WHERE id = ?"_s,
              {Storage::isoInDays(-2), orderId});
    Money::release(db, Money::Escrow::GigOrder, orderId, sellerId,
                   u"Gig order #%1: %2"_s.arg(orderId).arg(title));
    Money::issueInvoice(db, clientId, u"Gig order #%1: %2"_s.arg(orderId).arg(title),
                        o.value(u"price_paise"_s).toInteger());
}

} // namespace

void seedGigs(Storage &db, const SeedIds &ids)
{
    // --- gigs ---------------------------------------------------------------------------------
    const qint64 qtApp
        = gig(db, ids.freelancer, u"Qt/QML desktop app prototype"_s,
              u"I build a clickable Qt 6 / QML prototype of your desktop app: "
              "navigation, the main screens with real layouts, and a build for "
              "Windows. Source code and build notes included."_s,
              {u"C++"_s, u"Qt"_s, u"QML"_s},
              {{"basic", 4999, 5, "Two screens, static data"},
               {"standard", 12999, 7, "Up to five screens, mock REST data"},
               {"premium", 24999, 12, "Up to ten screens, installer, one round of polish"}});
    const qint64 landing
        = gig(db, ids.freelancer, u"Responsive landing page with accessible markup"_s,
              u"A fast, accessible landing page from your copy and brand colours: "
              "semantic HTML, responsive CSS, a contact form and a Lighthouse "
              "score above 90."_s,
              {u"HTML"_s, u"CSS"_s, u"Accessibility"_s},
              {{"basic", 2499, 3, "One page, up to four sections"},
               {"standard", 5999, 5, "One page, up to eight sections, form wiring"}});
    const qint64 review
        = gig(db, ids.freelancer, u"C++ code review with a written report"_s,
              u"A careful review of one C++ module (up to 2,000 lines): correctness, "
              "ownership and lifetime, thread safety and API design, delivered as a "
              "written report with concrete fixes."_s,
              {u"C++"_s, u"Code review"_s}, {{"basic", 3499, 4, "One module, written report"}});
    const qint64 api = gig(db, ids.freelancer2, u"REST API in Python with FastAPI and tests"_s,
                           u"A documented REST API in FastAPI with PostgreSQL, authentication, "
                           "OpenAPI docs and a pytest suite, ready to deploy with Docker."_s,
                           {u"Python"_s, u"FastAPI"_s, u"PostgreSQL"_s},
                           {{"basic", 7999, 6, "Up to five endpoints"},
                            {"standard", 15999, 10, "Up to fifteen endpoints, auth"},
                            {"premium", 29999, 15, "Up to thirty endpoints, auth, CI pipeline"}});
    const qint64 logo = gig(
        db, ids.freelancer3, u"Logo and compact brand kit for a startup"_s,
        u"Three logo concepts, two rounds of changes and a compact brand kit: "
        "colours, type pairing and the logo in every format you need."_s,
        {u"Logo design"_s, u"Branding"_s},
        {{"basic", 3999, 4, "Logo, two concepts"}, {"premium", 9999, 8, "Logo and brand kit"}});

    // --- orders of the demo client (buyer) ----------------------------------------------------
    const qint64 pending = order(db, landing, ids.client, u"basic"_s,
                                 u"Product launch page for our inventory tool; "
                                 "copy attached in the first message."_s,
                                 1);
    Records::addMessage(db, pending, ids.client,
                        u"Hi Ravi, the copy and logo are in our shared drive."_s);
    notifyUser(db, ids.freelancer, u"order_placed"_s,
               u"New order: Responsive landing page with accessible markup"_s,
               u"Asha Mehta ordered the basic package."_s);

    const qint64 active = order(db, api, ids.client, u"standard"_s,
                                u"Endpoints for stock items, suppliers and orders."_s, 6);
    setStatus(db, active, u"active"_s);
    Records::addMessage(db, active, ids.freelancer2,
                        u"Started — I'll share the OpenAPI draft tomorrow."_s);

    const qint64 delivered = order(db, qtApp, ids.client, u"standard"_s,
                                   u"Dashboard, stock list, item editor, reports "
                                   "and settings."_s,
                                   9);
    deliver(db, delivered, ids.freelancer,
            u"Prototype with five screens and the Windows build; see the README "
            "for the mock data."_s);
    notifyUser(db, ids.client, u"order_delivered"_s,
               u"Order delivered: Qt/QML desktop app prototype"_s,
               u"Review the delivery, then accept and pay or ask for a revision."_s);

    const qint64 reviewed
        = order(db, logo, ids.client, u"basic"_s, u"Logo for \"StockPilot\", navy and blue."_s, 20);
    deliver(db, reviewed, ids.freelancer3, u"Two concepts, SVG and PNG files."_s);
    complete(db, reviewed, ids.client, ids.freelancer3);
    db.change(u"UPDATE gig_orders SET review_score = 5, review = ?, reviewed_at = ? "
              "WHERE id = ?"_s,
              {u"Great concepts and quick turnaround."_s, Storage::isoInDays(-2), reviewed});

    const qint64 toReview = order(db, review, ids.client, u"basic"_s,
                                  u"Please review src/sync/ (about 1,500 lines)."_s, 14);
    deliver(db, toReview, ids.freelancer,
            u"Report attached: 14 findings, 3 of them lifetime bugs."_s);
    complete(db, toReview, ids.client, ids.freelancer);

    // The demo client waits on a revision of someone else's work.
    const qint64 redo = order(db, logo, ids.client, u"premium"_s,
                              u"Brand kit for our newsletter, \"StockPilot Weekly\"."_s, 11);
    deliver(db, redo, ids.freelancer3, u"Brand kit v1: colours, type and logo files."_s);
    db.change(u"UPDATE gig_orders SET status = 'revision', revision_note = ? WHERE id = ?"_s,
              {u"The navy is too dark on screens; please try a lighter one."_s, redo});
    Records::addMessage(
        db, redo, ids.client,
        u"Revision requested: The navy is too dark on screens; please try a lighter one."_s);

    // --- orders of the second client on the demo freelancer's gigs (seller side) ------------
    const qint64 working = order(db, landing, ids.client2, u"standard"_s,
                                 u"Portfolio page for the studio, eight sections."_s, 4);
    setStatus(db, working, u"active"_s);
    Records::addMessage(db, working, ids.freelancer,
                        u"Thanks Kavya, the first draft comes on Friday."_s);
    const qint64 revision
        = order(db, qtApp, ids.client2, u"basic"_s, u"Two screens for a photo catalogue."_s, 8);
    deliver(db, revision, ids.freelancer, u"Both screens done, build attached."_s);
    db.change(u"UPDATE gig_orders SET status = 'revision', revision_note = ? "
              "WHERE id = ?"_s,
              {u"Please use our brand font and larger thumbnails."_s, revision});
    Records::addMessage(db, revision, ids.client2,
                        u"Revision requested: Please use our brand font and "
                        "larger thumbnails."_s);

    const qint64 cancelled = order(db, landing, ids.client2, u"standard"_s, u"Studio page."_s, 12);
    db.change(u"UPDATE gig_orders SET status = 'cancelled', cancel_reason = ?, "
              "cancelled_by = ? WHERE id = ?"_s,
              {u"Plans changed, we are using a template."_s, ids.client2, cancelled});
    Money::refund(db, Money::Escrow::GigOrder, cancelled,
                  u"Refund of gig order #%1: Responsive landing page with "
                  "accessible markup"_s.arg(cancelled));
    Records::addMessage(db, cancelled, ids.client2,
                        u"Order cancelled: Plans changed, we are using a "
                        "template."_s);

    order(db, review, ids.client2, u"basic"_s, u"Review our image decoder module."_s, 0);
}
