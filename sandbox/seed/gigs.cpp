#include "areas.h"
#include "gigrecords.h"
#include "money.h"
#include "notify.h"
#include "storage.h"

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
    const qint64 id = GigRecords::insertGig(db, freelancerId, title, description, skills, days,
                                            QStringLiteral("active"));
    for (int i = 0; i < packages.size(); ++i) {
        const PackageSeed &p = packages.at(i);
        const QString tier = QString::fromLatin1(p.tier);
        GigRecords::insertPackage(db, id, i, tier, tier.left(1).toUpper() + tier.mid(1),
                                  QString::fromUtf8(p.description), p.rupees * Money::PaisePerRupee,
                                  p.days);
    }
    return id;
}

// Places an order as the routes do (escrow from the client's wallet) and returns its id.
qint64 order(Storage &db, qint64 gigId, qint64 clientId, const QString &tier,
             const QString &instructions, int daysAgo)
{
    const QJsonObject g = GigRecords::gig(db, gigId);
    QJsonObject package;
    for (const QJsonValue &p : g.value(QStringLiteral("packages")).toArray()) {
        if (p.toObject().value(QStringLiteral("tier")).toString() == tier)
            package = p.toObject();
    }
    const QString when = Storage::isoInDays(-daysAgo);
    const qint64 price = package.value(QStringLiteral("price_paise")).toInteger();
    const QString title = g.value(QStringLiteral("title")).toString();
    const qint64 id = db.insert(
        QStringLiteral("INSERT INTO gig_orders (gig_id, client_id, freelancer_id, gig_title, "
                       "package_tier, price_paise, delivery_days, instructions, status, "
                       "created_at, updated_at) VALUES (?,?,?,?,?,?,?,?,'pending',?,?)"),
        {gigId, clientId, g.value(QStringLiteral("freelancer_id")).toInteger(), title, tier, price,
         package.value(QStringLiteral("delivery_days")).toInteger(), instructions, when, when});
    Money::hold(db, clientId, price, Money::Escrow::GigOrder, id,
                QStringLiteral("Gig order #%1: %2 (%3)").arg(id).arg(title, tier));
    return id;
}

void setStatus(Storage &db, qint64 orderId, const QString &status)
{
    db.change(QStringLiteral("UPDATE gig_orders SET status = ?, accepted_at = COALESCE("
                             "accepted_at, created_at) WHERE id = ?"),
              {status, orderId});
}

void deliver(Storage &db, qint64 orderId, qint64 sellerId, const QString &note)
{
    db.change(QStringLiteral("UPDATE gig_orders SET status = 'delivered', delivery_note = ?, "
                             "delivered_at = ?, accepted_at = COALESCE(accepted_at, created_at) "
                             "WHERE id = ?"),
              {note, Storage::isoInDays(-1), orderId});
    GigRecords::addMessage(db, orderId, sellerId, QStringLiteral("Delivered: ") + note);
}

void complete(Storage &db, qint64 orderId, qint64 clientId, qint64 sellerId)
{
    const QJsonObject o = GigRecords::order(db, orderId);
    const QString title = o.value(QStringLiteral("gig_title")).toString();
    db.change(QStringLiteral("UPDATE gig_orders SET status = 'completed', completed_at = ? "
                             "WHERE id = ?"),
              {Storage::isoInDays(-2), orderId});
    Money::release(db, Money::Escrow::GigOrder, orderId, sellerId,
                   QStringLiteral("Gig order #%1: %2").arg(orderId).arg(title));
    Money::issueInvoice(db, clientId, QStringLiteral("Gig order #%1: %2").arg(orderId).arg(title),
                        o.value(QStringLiteral("price_paise")).toInteger());
}

} // namespace

void seedGigs(Storage &db, const SeedIds &ids)
{
    // --- gigs ---------------------------------------------------------------------------------
    const qint64 qtApp
        = gig(db, ids.freelancer, QStringLiteral("Qt/QML desktop app prototype"),
              QStringLiteral("I build a clickable Qt 6 / QML prototype of your desktop app: "
                             "navigation, the main screens with real layouts, and a build for "
                             "Windows. Source code and build notes included."),
              {QStringLiteral("C++"), QStringLiteral("Qt"), QStringLiteral("QML")},
              {{"basic", 4999, 5, "Two screens, static data"},
               {"standard", 12999, 7, "Up to five screens, mock REST data"},
               {"premium", 24999, 12, "Up to ten screens, installer, one round of polish"}});
    const qint64 landing
        = gig(db, ids.freelancer, QStringLiteral("Responsive landing page with accessible markup"),
              QStringLiteral("A fast, accessible landing page from your copy and brand colours: "
                             "semantic HTML, responsive CSS, a contact form and a Lighthouse "
                             "score above 90."),
              {QStringLiteral("HTML"), QStringLiteral("CSS"), QStringLiteral("Accessibility")},
              {{"basic", 2499, 3, "One page, up to four sections"},
               {"standard", 5999, 5, "One page, up to eight sections, form wiring"}});
    const qint64 review
        = gig(db, ids.freelancer, QStringLiteral("C++ code review with a written report"),
              QStringLiteral("A careful review of one C++ module (up to 2,000 lines): correctness, "
                             "ownership and lifetime, thread safety and API design, delivered as a "
                             "written report with concrete fixes."),
              {QStringLiteral("C++"), QStringLiteral("Code review")},
              {{"basic", 3499, 4, "One module, written report"}});
    const qint64 api
        = gig(db, ids.freelancer2, QStringLiteral("REST API in Python with FastAPI and tests"),
              QStringLiteral("A documented REST API in FastAPI with PostgreSQL, authentication, "
                             "OpenAPI docs and a pytest suite, ready to deploy with Docker."),
              {QStringLiteral("Python"), QStringLiteral("FastAPI"), QStringLiteral("PostgreSQL")},
              {{"basic", 7999, 6, "Up to five endpoints"},
               {"standard", 15999, 10, "Up to fifteen endpoints, auth"},
               {"premium", 29999, 15, "Up to thirty endpoints, auth, CI pipeline"}});
    const qint64 logo = gig(
        db, ids.freelancer3, QStringLiteral("Logo and compact brand kit for a startup"),
        QStringLiteral("Three logo concepts, two rounds of changes and a compact brand kit: "
                       "colours, type pairing and the logo in every format you need."),
        {QStringLiteral("Logo design"), QStringLiteral("Branding")},
        {{"basic", 3999, 4, "Logo, two concepts"}, {"premium", 9999, 8, "Logo and brand kit"}});

    // --- orders of the demo client (buyer) ----------------------------------------------------
    const qint64 pending = order(db, landing, ids.client, QStringLiteral("basic"),
                                 QStringLiteral("Product launch page for our inventory tool; "
                                                "copy attached in the first message."),
                                 1);
    GigRecords::addMessage(db, pending, ids.client,
                           QStringLiteral("Hi Ravi, the copy and logo are in our shared drive."));
    notifyUser(db, ids.freelancer, QStringLiteral("order_placed"),
               QStringLiteral("New order: Responsive landing page with accessible markup"),
               QStringLiteral("Asha Mehta ordered the basic package."));

    const qint64 active
        = order(db, api, ids.client, QStringLiteral("standard"),
                QStringLiteral("Endpoints for stock items, suppliers and orders."), 6);
    setStatus(db, active, QStringLiteral("active"));
    GigRecords::addMessage(db, active, ids.freelancer2,
                           QStringLiteral("Started — I'll share the OpenAPI draft tomorrow."));

    const qint64 delivered = order(db, qtApp, ids.client, QStringLiteral("standard"),
                                   QStringLiteral("Dashboard, stock list, item editor, reports "
                                                  "and settings."),
                                   9);
    deliver(db, delivered, ids.freelancer,
            QStringLiteral("Prototype with five screens and the Windows build; see the README "
                           "for the mock data."));
    notifyUser(db, ids.client, QStringLiteral("order_delivered"),
               QStringLiteral("Order delivered: Qt/QML desktop app prototype"),
               QStringLiteral("Review the delivery, then accept and pay or ask for a revision."));

    const qint64 reviewed = order(db, logo, ids.client, QStringLiteral("basic"),
                                  QStringLiteral("Logo for \"StockPilot\", navy and blue."), 20);
    deliver(db, reviewed, ids.freelancer3, QStringLiteral("Two concepts, SVG and PNG files."));
    complete(db, reviewed, ids.client, ids.freelancer3);
    db.change(
        QStringLiteral("UPDATE gig_orders SET review_score = 5, review = ?, reviewed_at = ? "
                       "WHERE id = ?"),
        {QStringLiteral("Great concepts and quick turnaround."), Storage::isoInDays(-2), reviewed});

    const qint64 toReview
        = order(db, review, ids.client, QStringLiteral("basic"),
                QStringLiteral("Please review src/sync/ (about 1,500 lines)."), 14);
    deliver(db, toReview, ids.freelancer,
            QStringLiteral("Report attached: 14 findings, 3 of them lifetime bugs."));
    complete(db, toReview, ids.client, ids.freelancer);

    // --- orders of the second client on the demo freelancer's gigs (seller side) ------------
    const qint64 revision = order(db, qtApp, ids.client2, QStringLiteral("basic"),
                                  QStringLiteral("Two screens for a photo catalogue."), 8);
    deliver(db, revision, ids.freelancer, QStringLiteral("Both screens done, build attached."));
    db.change(QStringLiteral("UPDATE gig_orders SET status = 'revision', revision_note = ? "
                             "WHERE id = ?"),
              {QStringLiteral("Please use our brand font and larger thumbnails."), revision});
    GigRecords::addMessage(db, revision, ids.client2,
                           QStringLiteral("Revision requested: Please use our brand font and "
                                          "larger thumbnails."));

    const qint64 cancelled = order(db, landing, ids.client2, QStringLiteral("standard"),
                                   QStringLiteral("Studio page."), 12);
    db.change(QStringLiteral("UPDATE gig_orders SET status = 'cancelled', cancel_reason = ?, "
                             "cancelled_by = ? WHERE id = ?"),
              {QStringLiteral("Plans changed, we are using a template."), ids.client2, cancelled});
    Money::refund(db, Money::Escrow::GigOrder, cancelled,
                  QStringLiteral("Refund of gig order #%1: Responsive landing page with "
                                 "accessible markup")
                      .arg(cancelled));
    GigRecords::addMessage(db, cancelled, ids.client2,
                           QStringLiteral("Order cancelled: Plans changed, we are using a "
                                          "template."));

    order(db, review, ids.client2, QStringLiteral("basic"),
          QStringLiteral("Review our image decoder module."), 0);
}
