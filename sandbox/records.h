#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

class Storage;

// Stored rows as the routes and the seed read them: the members of a row, the state checks every
// area makes before changing one, and the records more than one file builds.
namespace Records {

// A member of a row of Storage::one/all: 0 or "" when it is absent or null.
inline qint64 integer(const QJsonObject &row, const char *member)
{
    return row.value(QLatin1String(member)).toInteger();
}
inline QString text(const QJsonObject &row, const char *member)
{
    return row.value(QLatin1String(member)).toString();
}

// Refuses with 409 and the refusal unless the row's member (its status, usually) is one of the
// allowed values.
void requireState(const QJsonObject &row, const char *member, const QStringList &allowed,
                  const QString &refusal);

// Gigs and gig orders, shared by the gig and gig-order routes and by the demo seed.

// Gig record: id, freelancer_id, freelancer_name, title, description, skills, delivery_days,
// status, packages (tier, label, description, price_paise, delivery_days, in published order),
// orders_count (orders not cancelled), created_at. Empty object when there is no such gig.
QJsonObject gig(Storage &db, qint64 gigId);
// The gig records matching an SQL condition on "g" (of this code's own, never input), newest
// first.
QJsonArray gigs(Storage &db, const QString &where, const QVariantList &params);
qint64 insertGig(Storage &db, qint64 freelancerId, const QString &title, const QString &description,
                 const QStringList &skills, qint64 deliveryDays, const QString &status);
void insertPackage(Storage &db, qint64 gigId, int position, const QString &tier,
                   const QString &label, const QString &description, qint64 pricePaise,
                   qint64 deliveryDays);

// Gig order record: id, gig_id, gig_title, package_tier, price_paise, delivery_days, status,
// client_id, client_name, freelancer_id, freelancer_name, instructions, delivery_note,
// review_score, review, created_at, updated_at. Empty object when there is no such order.
QJsonObject order(Storage &db, qint64 orderId);
// The order records matching an SQL condition on "o" (of this code's own), newest first.
QJsonArray orders(Storage &db, const QString &where, const QVariantList &params);
// Messages of an order, oldest first: id, sender_id, sender_name, body, created_at.
QJsonArray messages(Storage &db, qint64 orderId);
qint64 addMessage(Storage &db, qint64 orderId, qint64 senderId, const QString &body);

} // namespace Records
