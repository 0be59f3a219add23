#include "gigrecords.h"
#include "http.h"
#include "money.h"
#include "notify.h"
#include "storage.h"
#include "users.h"

#include <QSet>
#include <cmath>

// Gigs: a freelancer's fixed-price offer in one to three packages ("basic", "standard",
// "premium"). Freelancers publish and delete their own; clients order a package, which escrows
// its price from the client's wallet and opens a gig order (routes_gig_orders.cpp).

namespace {

const QStringList Tiers
    = {QStringLiteral("basic"), QStringLiteral("standard"), QStringLiteral("premium")};

constexpr int MaxDeliveryDays = 365;

// A JSON value that must be a string: trimmed, its length within [minLen, maxLen].
QString textValue(const QJsonValue &v, const QString &what, int minLen, int maxLen)
{
    if (!v.isString())
        fail(400, what + QStringLiteral(" must be a string"));
    const QString s = v.toString().trimmed();
    if (s.size() < minLen)
        fail(400,
             minLen <= 1
                 ? what + QStringLiteral(" is required")
                 : QStringLiteral("%1 must be at least %2 characters").arg(what).arg(minLen));
    if (s.size() > maxLen)
        fail(400, QStringLiteral("%1 must be at most %2 characters").arg(what).arg(maxLen));
    return s;
}

qint64 wholeNumber(const QJsonValue &v, const QString &what, qint64 min, qint64 max)
{
    const double d = v.toDouble();
    if (!v.isDouble() || !std::isfinite(d) || std::floor(d) != d || std::fabs(d) > 9.0e15)
        fail(400, what + QStringLiteral(" must be a whole number"));
    const qint64 n = static_cast<qint64>(d);
    if (n < min || n > max)
        fail(400, QStringLiteral("%1 must be between %2 and %3").arg(what).arg(min).arg(max));
    return n;
}

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
    const QJsonArray list = req.list(QStringLiteral("packages"), 3);
    if (list.isEmpty())
        fail(400, QStringLiteral("A gig needs at least one package"));
    QList<Package> packages;
    QSet<QString> seen;
    for (int i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("packages[%1]").arg(i);
        if (!list.at(i).isObject())
            fail(400, where + QStringLiteral(" must be an object"));
        const QJsonObject o = list.at(i).toObject();
        Package p;
        p.tier = textValue(o.value(QStringLiteral("tier")), where + QStringLiteral(".tier"), 1, 20)
                     .toLower();
        if (!Tiers.contains(p.tier))
            fail(400, where + QStringLiteral(".tier must be basic, standard or premium"));
        if (seen.contains(p.tier))
            fail(400, QStringLiteral("Each package tier may appear only once"));
        seen.insert(p.tier);

        const QJsonValue label = o.value(QStringLiteral("label"));
        p.label = label.isUndefined() || label.isNull()
            ? p.tier.left(1).toUpper() + p.tier.mid(1)
            : textValue(label, where + QStringLiteral(".label"), 1, 40);
        const QJsonValue description = o.value(QStringLiteral("description"));
        p.description = description.isUndefined() || description.isNull()
            ? QString()
            : textValue(description, where + QStringLiteral(".description"), 0, 500);

        QString why;
        const auto price = Money::parsePaise(o.value(QStringLiteral("price_paise")), &why);
        if (!price)
            fail(400, where + QStringLiteral(".price_paise ") + why);
        p.pricePaise = *price;

        const QJsonValue days = o.value(QStringLiteral("delivery_days"));
        if (days.isUndefined() || days.isNull()) {
            if (!defaultDays)
                fail(400, where + QStringLiteral(".delivery_days is required"));
            p.deliveryDays = *defaultDays;
        } else {
            p.deliveryDays
                = wholeNumber(days, where + QStringLiteral(".delivery_days"), 1, MaxDeliveryDays);
        }
        packages.append(p);
    }
    return packages;
}

QStringList readSkills(const Request &req)
{
    if (!req.has(QStringLiteral("skills")))
        return {};
    const QJsonArray list = req.list(QStringLiteral("skills"), 15);
    QStringList skills;
    for (int i = 0; i < list.size(); ++i) {
        const QString s = textValue(list.at(i), QStringLiteral("skills[%1]").arg(i), 1, 40);
        if (!skills.contains(s, Qt::CaseInsensitive))
            skills.append(s);
    }
    return skills;
}

Reply listGigs(Request &req)
{
    const QJsonArray ids = req.db.all(
        QStringLiteral("SELECT id FROM gigs WHERE status = 'active' ORDER BY id DESC"));
    QJsonArray gigs;
    for (const QJsonValue &row : ids)
        gigs.append(
            GigRecords::gig(req.db, row.toObject().value(QStringLiteral("id")).toInteger()));
    return ok({{QStringLiteral("gigs"), gigs}});
}

Reply myGigs(Request &req)
{
    const QJsonArray ids = req.db.all(QStringLiteral("SELECT id FROM gigs WHERE freelancer_id = ? "
                                                     "AND status <> 'deleted' ORDER BY id DESC"),
                                      {req.userId});
    QJsonArray gigs;
    for (const QJsonValue &row : ids)
        gigs.append(
            GigRecords::gig(req.db, row.toObject().value(QStringLiteral("id")).toInteger()));
    return ok({{QStringLiteral("gigs"), gigs}});
}

Reply publishGig(Request &req)
{
    const QString title = req.text(QStringLiteral("title"), 10, 120);
    const QString description = req.text(QStringLiteral("description"), 50, 5000);
    const QStringList skills = readSkills(req);
    const std::optional<qint64> deliveryDays
        = req.optionalInteger(QStringLiteral("deliveryDays"), 1, MaxDeliveryDays);
    const QList<Package> packages = readPackages(req, deliveryDays);
    QString status = req.optionalText(QStringLiteral("status"), 20);
    if (status.isEmpty())
        status = QStringLiteral("active");
    if (status != QLatin1String("active") && status != QLatin1String("paused"))
        fail(400, QStringLiteral("status must be active or paused"));

    qint64 days = deliveryDays.value_or(0);
    if (days == 0) {
        for (const Package &p : packages)
            days = days == 0 ? p.deliveryDays : qMin(days, p.deliveryDays);
    }
    const qint64 gigId
        = GigRecords::insertGig(req.db, req.userId, title, description, skills, days, status);
    for (int i = 0; i < packages.size(); ++i) {
        const Package &p = packages.at(i);
        GigRecords::insertPackage(req.db, gigId, i, p.tier, p.label, p.description, p.pricePaise,
                                  p.deliveryDays);
    }
    return created({{QStringLiteral("gig"), GigRecords::gig(req.db, gigId)}});
}

Reply deleteGig(Request &req)
{
    const qint64 gigId = req.id();
    // A deleted gig leaves the store but stays on file: its orders keep running to their end.
    const int changed = req.db.change(QStringLiteral("UPDATE gigs SET status = 'deleted', "
                                                     "updated_at = ? WHERE id = ? AND "
                                                     "freelancer_id = ? AND status <> 'deleted'"),
                                      {Storage::now(), gigId, req.userId});
    if (changed == 0)
        fail(404, QStringLiteral("Gig not found"));
    return ok({{QStringLiteral("ok"), true}, {QStringLiteral("id"), gigId}});
}

Reply orderGig(Request &req)
{
    const qint64 gigId = req.id();
    const QJsonObject gig = req.db.one(QStringLiteral("SELECT id, freelancer_id, title FROM gigs "
                                                      "WHERE id = ? AND status = 'active'"),
                                       {gigId});
    if (gig.isEmpty())
        fail(404, QStringLiteral("Gig not found"));
    const QString tier = req.text(QStringLiteral("packageTier"), 1, 20).toLower();
    const QString instructions = req.optionalText(QStringLiteral("instructions"), 5000);
    const QJsonObject package
        = req.db.one(QStringLiteral("SELECT tier, price_paise, delivery_days FROM gig_packages "
                                    "WHERE gig_id = ? AND tier = ?"),
                     {gigId, tier});
    if (package.isEmpty())
        fail(400, QStringLiteral("This gig has no \"%1\" package").arg(tier.left(20)));

    const qint64 freelancerId = gig.value(QStringLiteral("freelancer_id")).toInteger();
    const QString title = gig.value(QStringLiteral("title")).toString();
    const qint64 price = package.value(QStringLiteral("price_paise")).toInteger();
    const QString now = Storage::now();
    const qint64 orderId = req.db.insert(
        QStringLiteral("INSERT INTO gig_orders (gig_id, client_id, freelancer_id, gig_title, "
                       "package_tier, price_paise, delivery_days, instructions, status, "
                       "created_at, updated_at) VALUES (?,?,?,?,?,?,?,?,'pending',?,?)"),
        {gigId, req.userId, freelancerId, title, tier, price,
         package.value(QStringLiteral("delivery_days")).toInteger(), instructions, now, now});
    Money::hold(req.db, req.userId, price, Money::Escrow::GigOrder, orderId,
                QStringLiteral("Gig order #%1: %2 (%3)").arg(orderId).arg(title, tier));
    notifyUser(req.db, freelancerId, QStringLiteral("order_placed"),
               QStringLiteral("New order: %1").arg(title),
               QStringLiteral("%1 ordered the %2 package.")
                   .arg(Users::displayName(req.db, req.userId), tier));
    return created({{QStringLiteral("order"), GigRecords::order(req.db, orderId)}});
}

} // namespace

void registerGigRoutes(Router &r)
{
    r.get(QStringLiteral("api/gigs"), Access::User, listGigs);
    r.get(QStringLiteral("api/gigs/mine"), Access::Freelancer, myGigs);
    r.post(QStringLiteral("api/gigs"), Access::Freelancer, publishGig);
    r.del(QStringLiteral("api/gigs/<id>"), Access::Freelancer, deleteGig);
    r.post(QStringLiteral("api/gigs/<id>/order"), Access::Client, orderGig);
}
