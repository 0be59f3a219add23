#include "records.h"

#include "httperror.h"
#include "storage.h"
#include "users.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace Records {

void requireState(const QJsonObject &row, const char *member, const QStringList &allowed,
                  const QString &refusal)
{
    if (!allowed.contains(text(row, member)))
        throw HttpError {409, refusal};
}

QJsonArray gigs(Storage &db, const QString &where, const QVariantList &params)
{
    // Two queries for the whole list: the gigs, then the packages of all of them.
    QHash<qint64, QJsonArray> packages;
    for (const QJsonValue &p :
         db.all(u"SELECT gig_id, tier, label, description, price_paise, delivery_days "
                "FROM gig_packages WHERE gig_id IN (SELECT g.id FROM gigs g WHERE "_s
                    + where + u") ORDER BY gig_id, position, id"_s,
                params)) {
        QJsonObject package = p.toObject();
        const qint64 gigId = integer(package, "gig_id");
        package.remove(u"gig_id"_s);
        packages[gigId].append(package);
    }
    QJsonArray out;
    for (const QJsonValue &row :
         db.all(u"SELECT g.id, g.freelancer_id, "_s + Users::displayNameSql("u")
                    + u" AS freelancer_name, g.title, g.description, g.skills, "
                      "g.delivery_days, g.status, g.created_at, "
                      "(SELECT COUNT(*) FROM gig_orders o WHERE o.gig_id = g.id "
                      " AND o.status <> 'cancelled') AS orders_count "
                      "FROM gigs g JOIN users u ON u.id = g.freelancer_id WHERE "_s
                    + where + u" ORDER BY g.id DESC"_s,
                params)) {
        QJsonObject g = row.toObject();
        g.insert(u"skills"_s, QJsonDocument::fromJson(text(g, "skills").toUtf8()).array());
        g.insert(u"packages"_s, packages.value(integer(g, "id")));
        out.append(g);
    }
    return out;
}

QJsonObject gig(Storage &db, qint64 gigId)
{
    return gigs(db, u"g.id = ?"_s, {gigId}).at(0).toObject();
}

qint64 insertGig(Storage &db, qint64 freelancerId, const QString &title, const QString &description,
                 const QStringList &skills, qint64 deliveryDays, const QString &status)
{
    const QString now = Storage::now();
    const QByteArray skillsJson
        = QJsonDocument(QJsonArray::fromStringList(skills)).toJson(QJsonDocument::Compact);
    return db.insert(u"INSERT INTO gigs (freelancer_id, title, description, skills, "
                     "delivery_days, status, created_at, updated_at) "
                     "VALUES (?,?,?,?,?,?,?,?)"_s,
                     {freelancerId, title, description, QString::fromUtf8(skillsJson), deliveryDays,
                      status, now, now});
}

void insertPackage(Storage &db, qint64 gigId, int position, const QString &tier,
                   const QString &label, const QString &description, qint64 pricePaise,
                   qint64 deliveryDays)
{
    db.insert(u"INSERT INTO gig_packages (gig_id, position, tier, label, "
              "description, price_paise, delivery_days) VALUES (?,?,?,?,?,?,?)"_s,
              {gigId, position, tier, label, description, pricePaise, deliveryDays});
}

QJsonArray orders(Storage &db, const QString &where, const QVariantList &params)
{
    return db.all(u"SELECT o.id, o.gig_id, o.gig_title, o.package_tier, "
                  "o.price_paise, o.delivery_days, o.status, o.client_id, "_s
                      + Users::displayNameSql("c") + u" AS client_name, o.freelancer_id, "_s
                      + Users::displayNameSql("f")
                      + u" AS freelancer_name, o.instructions, o.delivery_note, "
                        "o.revision_note, o.cancel_reason, o.review_score, o.review, "
                        "o.created_at, o.updated_at, o.delivered_at, o.completed_at "
                        "FROM gig_orders o JOIN users c ON c.id = o.client_id "
                        "JOIN users f ON f.id = o.freelancer_id WHERE "_s
                      + where + u" ORDER BY o.id DESC"_s,
                  params);
}

QJsonObject order(Storage &db, qint64 orderId)
{
    return orders(db, u"o.id = ?"_s, {orderId}).at(0).toObject();
}

QJsonArray messages(Storage &db, qint64 orderId)
{
    return db.all(u"SELECT m.id, m.sender_id, "_s + Users::displayNameSql("u")
                      + u" AS sender_name, m.body, m.created_at "
                        "FROM gig_order_messages m JOIN users u "
                        "ON u.id = m.sender_id WHERE m.order_id = ? "
                        "ORDER BY m.id"_s,
                  {orderId});
}

qint64 addMessage(Storage &db, qint64 orderId, qint64 senderId, const QString &body)
{
    return db.insert(u"INSERT INTO gig_order_messages (order_id, sender_id, body, "
                     "created_at) VALUES (?,?,?,?)"_s,
                     {orderId, senderId, body, Storage::now()});
}

} // namespace Records
