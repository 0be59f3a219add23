#include "gigrecords.h"
#include "http.h"
#include "money.h"
#include "notify.h"
#include "storage.h"
#include "users.h"

// Gig orders: pending → active (seller accepts) → delivered (seller delivers) → completed (client
// accepts and pays, which releases the escrow to the seller). A delivered order may go back to
// "revision" and is then delivered again. Either party may cancel a pending or active order,
// which refunds the escrow to the client. The client reviews a completed order once. Both parties
// exchange messages. Only the two parties see an order; anyone else gets 404.

namespace {

enum class Side { Client, Seller, Either };

// The order with the given id when the signed-in user may act on it from that side. Someone
// else's order is 404; a party acting from the wrong side is 403.
QJsonObject partyOrder(Request &req, Side side)
{
    const qint64 orderId = req.id();
    const QJsonObject o = req.db.one(QStringLiteral("SELECT id, client_id, freelancer_id, status, "
                                                    "gig_title, price_paise, review_score "
                                                    "FROM gig_orders WHERE id = ?"),
                                     {orderId});
    if (o.isEmpty())
        fail(404, QStringLiteral("Order not found"));
    const bool isClient = o.value(QStringLiteral("client_id")).toInteger() == req.userId;
    const bool isSeller = o.value(QStringLiteral("freelancer_id")).toInteger() == req.userId;
    if (!isClient && !isSeller)
        fail(404, QStringLiteral("Order not found"));
    if (side == Side::Client && !isClient)
        fail(403, QStringLiteral("Only the ordering client can do this"));
    if (side == Side::Seller && !isSeller)
        fail(403, QStringLiteral("Only the seller can do this"));
    return o;
}

QString statusOf(const QJsonObject &o)
{
    return o.value(QStringLiteral("status")).toString();
}

qint64 idOf(const QJsonObject &o, const char *member = "id")
{
    return o.value(QLatin1String(member)).toInteger();
}

void requireStatus(const QJsonObject &o, const QStringList &allowed, const QString &refusal)
{
    if (!allowed.contains(statusOf(o)))
        fail(409, refusal);
}

void setStatus(Request &req, qint64 orderId, const QString &status,
               const QString &extraColumn = QString(), const QVariant &extraValue = QVariant())
{
    const QString now = Storage::now();
    if (extraColumn.isEmpty()) {
        req.db.change(QStringLiteral("UPDATE gig_orders SET status = ?, updated_at = ? "
                                     "WHERE id = ?"),
                      {status, now, orderId});
    } else {
        // extraColumn is one of this file's own column names, never user input.
        req.db.change(QStringLiteral("UPDATE gig_orders SET status = ?, updated_at = ?, %1 = ? "
                                     "WHERE id = ?")
                          .arg(extraColumn),
                      {status, now, extraValue, orderId});
    }
}

Reply orderReply(Request &req, qint64 orderId)
{
    return ok({{QStringLiteral("order"), GigRecords::order(req.db, orderId)}});
}

QString title(const QJsonObject &o)
{
    return o.value(QStringLiteral("gig_title")).toString();
}

Reply listOrders(Request &req)
{
    const QJsonArray ids
        = req.db.all(QStringLiteral("SELECT id FROM gig_orders WHERE client_id = ? "
                                    "OR freelancer_id = ? ORDER BY id DESC"),
                     {req.userId, req.userId});
    QJsonArray orders;
    for (const QJsonValue &row : ids)
        orders.append(GigRecords::order(req.db, idOf(row.toObject())));
    return ok({{QStringLiteral("orders"), orders}});
}

Reply orderDetail(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Either);
    return ok({{QStringLiteral("order"), GigRecords::order(req.db, idOf(o))},
               {QStringLiteral("messages"), GigRecords::messages(req.db, idOf(o))}});
}

Reply acceptOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Seller);
    requireStatus(o, {QStringLiteral("pending")},
                  QStringLiteral("Only a pending order can be accepted"));
    setStatus(req, idOf(o), QStringLiteral("active"), QStringLiteral("accepted_at"),
              Storage::now());
    notifyUser(req.db, idOf(o, "client_id"), QStringLiteral("order_accepted"),
               QStringLiteral("Order accepted: %1").arg(title(o)),
               QStringLiteral("%1 started work on your order.")
                   .arg(Users::displayName(req.db, req.userId)));
    return orderReply(req, idOf(o));
}

Reply deliverOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Seller);
    const QString note = req.text(QStringLiteral("note"), 5, 5000);
    requireStatus(o, {QStringLiteral("active"), QStringLiteral("revision")},
                  QStringLiteral("Only an active order or one under revision can be delivered"));
    const QString now = Storage::now();
    req.db.change(QStringLiteral("UPDATE gig_orders SET status = 'delivered', delivery_note = ?, "
                                 "delivered_at = ?, updated_at = ? WHERE id = ?"),
                  {note, now, now, idOf(o)});
    GigRecords::addMessage(req.db, idOf(o), req.userId, QStringLiteral("Delivered: ") + note);
    notifyUser(req.db, idOf(o, "client_id"), QStringLiteral("order_delivered"),
               QStringLiteral("Order delivered: %1").arg(title(o)),
               QStringLiteral("Review the delivery, then accept and pay or ask for a revision."));
    return orderReply(req, idOf(o));
}

Reply requestRevision(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Client);
    const QString note = req.text(QStringLiteral("note"), 5, 5000);
    requireStatus(o, {QStringLiteral("delivered")},
                  QStringLiteral("A revision can be asked only of a delivered order"));
    setStatus(req, idOf(o), QStringLiteral("revision"), QStringLiteral("revision_note"), note);
    GigRecords::addMessage(req.db, idOf(o), req.userId,
                           QStringLiteral("Revision requested: ") + note);
    notifyUser(req.db, idOf(o, "freelancer_id"), QStringLiteral("revision_requested"),
               QStringLiteral("Revision requested: %1").arg(title(o)), note);
    return orderReply(req, idOf(o));
}

Reply completeOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Client);
    requireStatus(o, {QStringLiteral("delivered")},
                  QStringLiteral("Only a delivered order can be accepted and paid"));
    const qint64 orderId = idOf(o);
    const qint64 sellerId = idOf(o, "freelancer_id");
    setStatus(req, orderId, QStringLiteral("completed"), QStringLiteral("completed_at"),
              Storage::now());
    Money::release(req.db, Money::Escrow::GigOrder, orderId, sellerId,
                   QStringLiteral("Gig order #%1: %2").arg(orderId).arg(title(o)));
    Money::issueInvoice(req.db, req.userId,
                        QStringLiteral("Gig order #%1: %2").arg(orderId).arg(title(o)),
                        o.value(QStringLiteral("price_paise")).toInteger());
    notifyUser(req.db, sellerId, QStringLiteral("payment_released"),
               QStringLiteral("Payment released: %1").arg(title(o)),
               QStringLiteral("The client accepted your delivery; the payment is in your wallet."));
    return orderReply(req, orderId);
}

Reply cancelOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Either);
    const QString reason = req.text(QStringLiteral("reason"), 5, 2000);
    requireStatus(o, {QStringLiteral("pending"), QStringLiteral("active")},
                  QStringLiteral("Only a pending or active order can be cancelled"));
    const qint64 orderId = idOf(o);
    req.db.change(QStringLiteral("UPDATE gig_orders SET status = 'cancelled', cancel_reason = ?, "
                                 "cancelled_by = ?, updated_at = ? WHERE id = ?"),
                  {reason, req.userId, Storage::now(), orderId});
    Money::refund(req.db, Money::Escrow::GigOrder, orderId,
                  QStringLiteral("Refund of gig order #%1: %2").arg(orderId).arg(title(o)));
    GigRecords::addMessage(req.db, orderId, req.userId,
                           QStringLiteral("Order cancelled: ") + reason);
    const bool byClient = idOf(o, "client_id") == req.userId;
    notifyUser(req.db, byClient ? idOf(o, "freelancer_id") : idOf(o, "client_id"),
               QStringLiteral("order_cancelled"),
               QStringLiteral("Order cancelled: %1").arg(title(o)), reason);
    return orderReply(req, orderId);
}

Reply reviewOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Client);
    const qint64 score = req.integer(QStringLiteral("score"), 1, 5);
    const QString review = req.optionalText(QStringLiteral("review"), 2000);
    requireStatus(o, {QStringLiteral("completed")},
                  QStringLiteral("Only a completed order can be reviewed"));
    // The guard in the statement keeps a second review out even if two arrive together.
    const int changed = req.db.change(QStringLiteral("UPDATE gig_orders SET review_score = ?, "
                                                     "review = ?, reviewed_at = ?, updated_at = ? "
                                                     "WHERE id = ? AND review_score IS NULL"),
                                      {score, review, Storage::now(), Storage::now(), idOf(o)});
    if (changed == 0)
        fail(409, QStringLiteral("This order has already been reviewed"));
    notifyUser(req.db, idOf(o, "freelancer_id"), QStringLiteral("review_received"),
               QStringLiteral("New review: %1 ★ on %2").arg(score).arg(title(o)), review);
    return orderReply(req, idOf(o));
}

Reply postMessage(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Either);
    const QString body = req.text(QStringLiteral("body"), 1, 2000);
    const qint64 messageId = GigRecords::addMessage(req.db, idOf(o), req.userId, body);
    const bool byClient = idOf(o, "client_id") == req.userId;
    notifyUser(req.db, byClient ? idOf(o, "freelancer_id") : idOf(o, "client_id"),
               QStringLiteral("order_message"), QStringLiteral("New message on %1").arg(title(o)),
               body.left(200));
    return created({{QStringLiteral("message"),
                     req.db.one(QStringLiteral("SELECT id, sender_id, body, created_at FROM "
                                               "gig_order_messages WHERE id = ?"),
                                {messageId})}});
}

} // namespace

void registerGigOrderRoutes(Router &r)
{
    r.get(QStringLiteral("api/gig-orders"), Access::User, listOrders);
    r.get(QStringLiteral("api/gig-orders/<id>"), Access::User, orderDetail);
    r.post(QStringLiteral("api/gig-orders/<id>/accept"), Access::Freelancer, acceptOrder);
    r.post(QStringLiteral("api/gig-orders/<id>/deliver"), Access::Freelancer, deliverOrder);
    r.post(QStringLiteral("api/gig-orders/<id>/revision"), Access::Client, requestRevision);
    r.post(QStringLiteral("api/gig-orders/<id>/complete"), Access::Client, completeOrder);
    r.post(QStringLiteral("api/gig-orders/<id>/review"), Access::Client, reviewOrder);
    r.post(QStringLiteral("api/gig-orders/<id>/cancel"), Access::User, cancelOrder);
    r.post(QStringLiteral("api/gig-orders/<id>/messages"), Access::User, postMessage);
}
