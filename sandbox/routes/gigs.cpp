#include "http.h"
#include "money.h"
#include "notify.h"
#include "records.h"
#include "storage.h"
#include "users.h"

#include <QSet>

using namespace Qt::StringLiterals;

// Gigs: a freelancer's fixed-price offer in one to three packages ("basic", "standard",
// "premium"). Freelancers publish and delete their own; clients order a package, which escrows
// its price from the client's wallet and opens a gig order (routes/gig_orders.cpp).

namespace {

const QStringList Tiers = {u"basic"_s, u"standard"_s, u"premium"_s};

constexpr int MaxDeliveryDays = 365;

struct Package
{
    QString tier;
    QString label;
    QString description;
    qint64 pricePaise = 0;
    qint64 deliveryDays = 0;
};

QList<Package> readPackages(const Request &req, std::optional<qint64> defaultDays)
{
    const QJsonArray list = req.list(u"packages"_s, 3);
    if (list.isEmpty())
        fail(400, u"A gig needs at least one package"_s);
    QList<Package> packages;
    QSet<QString> seen;
    for (int i = 0; i < list.size(); ++i) {
        const QString where = u"Package %1"_s.arg(i + 1);
        if (!list.at(i).isObject())
            fail(400, where + u" must have a tier and a price"_s);
        const QJsonObject o = list.at(i).toObject();
        Package p;
        p.tier = textValue(o.value(u"tier"_s), where, 1, 20).toLower();
        if (!Tiers.contains(p.tier))
            fail(400, where + u" must be basic, standard or premium"_s);
        // As the view labels a package's price: "Basic ₹".
        const QString priceLabel = p.tier.left(1).toUpper() + p.tier.mid(1) + u" ₹"_s;
        if (seen.contains(p.tier))
            fail(400, u"Each package tier may appear only once"_s);
        seen.insert(p.tier);

        const QJsonValue label = o.value(u"label"_s);
        p.label = label.isUndefined() || label.isNull()
            ? p.tier.left(1).toUpper() + p.tier.mid(1)
            : textValue(label, where + u" label"_s, 1, 40);
        const QJsonValue description = o.value(u"description"_s);
        p.description = description.isUndefined() || description.isNull()
            ? QString()
            : textValue(description, where + u" description"_s, 0, 500);

        QString why;
        const auto price = Money::parsePaise(o.value(u"price_paise"_s), &why);
        if (!price)
            fail(400, priceLabel + u' ' + why);
        p.pricePaise = *price;

        const QJsonValue days = o.value(u"delivery_days"_s);
        if (days.isUndefined() || days.isNull()) {
            if (!defaultDays)
                fail(400, where + u": Days is required"_s);
            p.deliveryDays = *defaultDays;
        } else {
            p.deliveryDays = wholeNumber(days, where + u" days"_s, 1, MaxDeliveryDays);
        }
        packages.append(p);
    }
    return packages;
}

Reply listGigs(Request &req)
{
    return ok({{u"gigs"_s, Records::gigs(req.db, u"g.status = 'active'"_s, {})}});
}

Reply myGigs(Request &req)
{
    return ok({{u"gigs"_s,
                Records::gigs(req.db, u"g.freelancer_id = ? AND g.status <> 'deleted'"_s,
                              {req.userId})}});
}

Reply publishGig(Request &req)
{
    const QString title = req.text(u"title"_s, 10, 120);
    const QString description = req.text(u"description"_s, 50, 5000);
    const QStringList skills = req.skills(u"skills"_s);
    const std::optional<qint64> deliveryDays
        = req.optionalInteger(u"deliveryDays"_s, 1, MaxDeliveryDays);
    const QList<Package> packages = readPackages(req, deliveryDays);
    QString status = req.optionalText(u"status"_s, 20);
    if (status.isEmpty())
        status = u"active"_s;
    if (status != "active"_L1 && status != "paused"_L1)
        fail(400, req.field(u"status"_s) + u" must be active or paused"_s);

    qint64 days = deliveryDays.value_or(0);
    if (days == 0) {
        for (const Package &p : packages)
            days = days == 0 ? p.deliveryDays : qMin(days, p.deliveryDays);
    }
    const qint64 gigId
        = Records::insertGig(req.db, req.userId, title, description, skills, days, status);
    for (int i = 0; i < packages.size(); ++i) {
        const Package &p = packages.at(i);
        Records::insertPackage(req.db, gigId, i, p.tier, p.label, p.description, p.pricePaise,
                               p.deliveryDays);
    }
    return created({{u"gig"_s, Records::gig(req.db, gigId)}});
}

Reply deleteGig(Request &req)
{
    const qint64 gigId = req.id();
    // A deleted gig leaves the store but stays on file: its orders keep running to their end.
    const int changed = req.db.change(u"UPDATE gigs SET status = 'deleted', "
                                      "updated_at = ? WHERE id = ? AND "
                                      "freelancer_id = ? AND status <> 'deleted'"_s,
                                      {Storage::now(), gigId, req.userId});
    if (changed == 0)
        fail(404, u"Gig not found"_s);
    return ok({{u"ok"_s, true}, {u"id"_s, gigId}});
}

Reply orderGig(Request &req)
{
    const qint64 gigId = req.id();
    const QJsonObject gig = req.db.one(u"SELECT id, freelancer_id, title FROM gigs "
                                       "WHERE id = ? AND status = 'active'"_s,
                                       {gigId});
    if (gig.isEmpty())
        fail(404, u"Gig not found"_s);
    const QString tier = req.text(u"packageTier"_s, 1, 20).toLower();
    const QString instructions = req.optionalText(u"instructions"_s, 5000);
    const QJsonObject package
        = req.db.one(u"SELECT tier, price_paise, delivery_days FROM gig_packages "
                     "WHERE gig_id = ? AND tier = ?"_s,
                     {gigId, tier});
    if (package.isEmpty())
        fail(400, u"This gig has no \"%1\" package"_s.arg(tier.left(20)));

    const qint64 freelancerId = gig.value(u"freelancer_id"_s).toInteger();
    const QString title = gig.value(u"title"_s).toString();
    const qint64 price = package.value(u"price_paise"_s).toInteger();
    const QString now = Storage::now();
    const qint64 orderId
        = req.db.insert(u"INSERT INTO gig_orders (gig_id, client_id, freelancer_id, gig_title, "
                        "package_tier, price_paise, delivery_days, instructions, status, "
                        "created_at, updated_at) VALUES (?,?,?,?,?,?,?,?,'pending',?,?)"_s,
                        {gigId, req.userId, freelancerId, title, tier, price,
                         package.value(u"delivery_days"_s).toInteger(), instructions, now, now});
    Money::hold(req.db, req.userId, price, Money::Escrow::GigOrder, orderId,
                u"Gig order #%1: %2 (%3)"_s.arg(orderId).arg(title, tier));
    notifyUser(req.db, freelancerId, u"order_placed"_s, u"New order: %1"_s.arg(title),
               u"%1 ordered the %2 package."_s.arg(Users::displayName(req.db, req.userId), tier));
    return created({{u"order"_s, Records::order(req.db, orderId)}});
}

} // namespace

void registerGigRoutes(Router &r)
{
    r.get(u"api/gigs"_s, Access::User, listGigs);
    r.get(u"api/gigs/mine"_s, Access::Freelancer, myGigs);
    r.post(u"api/gigs"_s, Access::Freelancer, publishGig);
    r.del(u"api/gigs/<id>"_s, Access::Freelancer, deleteGig);
    r.post(u"api/gigs/<id>/order"_s, Access::Client, orderGig);
}
