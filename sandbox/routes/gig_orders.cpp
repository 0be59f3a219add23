#include "http.h"
#include "money.h"
#include "notify.h"
#include "records.h"
#include "storage.h"
#include "users.h"

using namespace Qt::StringLiterals;

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
    const QJsonObject o = req.db.one(u"SELECT id, client_id, freelancer_id, status, "
                                     "gig_title, price_paise, review_score "
                                     "FROM gig_orders WHERE id = ?"_s,
                                     {orderId});
    if (o.isEmpty())
        fail(404, u"Order not found"_s);
    const bool isClient = Records::integer(o, "client_id") == req.userId;
    const bool isSeller = Records::integer(o, "freelancer_id") == req.userId;
    if (!isClient && !isSeller)
        fail(404, u"Order not found"_s);
    if (side == Side::Client && !isClient)
        fail(403, u"Only the ordering client can do this"_s);
    if (side == Side::Seller && !isSeller)
        fail(403, u"Only the seller can do this"_s);
    return o;
}

void setStatus(Request &req, qint64 orderId, const QString &status,
               const QString &extraColumn = QString(), const QVariant &extraValue = QVariant())
{
    const QString now = Storage::now();
    if (extraColumn.isEmpty()) {
        req.db.change(u"UPDATE gig_orders SET status = ?, updated_at = ? "
                      "WHERE id = ?"_s,
                      {status, now, orderId});
    } else {
        // extraColumn is one of this file's own column names, never user input.
        req.db.change(u"UPDATE gig_orders SET status = ?, updated_at = ?, %1 = ? "
                      "WHERE id = ?"_s.arg(extraColumn),
                      {status, now, extraValue, orderId});
    }
}

Reply orderReply(Request &req, qint64 orderId)
{
    return ok({{u"order"_s, Records::order(req.db, orderId)}});
}

QString title(const QJsonObject &o)
{
    return o.value(u"gig_title"_s).toString();
}

Reply listOrders(Request &req)
{
    return ok({{u"orders"_s,
                Records::orders(req.db, u"o.client_id = ? OR o.freelancer_id = ?"_s,
                                {req.userId, req.userId})}});
}

Reply orderDetail(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Either);
    return ok({{u"order"_s, Records::order(req.db, Records::integer(o, "id"))},
               {u"messages"_s, Records::messages(req.db, Records::integer(o, "id"))}});
}

Reply acceptOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Seller);
    Records::requireState(o, "status", {u"pending"_s}, u"Only a pending order can be accepted"_s);
    setStatus(req, Records::integer(o, "id"), u"active"_s, u"accepted_at"_s, Storage::now());
    notifyUser(req.db, Records::integer(o, "client_id"), u"order_accepted"_s,
               u"Order accepted: %1"_s.arg(title(o)),
               u"%1 started work on your order."_s.arg(Users::displayName(req.db, req.userId)));
    return orderReply(req, Records::integer(o, "id"));
}

Reply deliverOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Seller);
    const QString note = req.text(u"note"_s, 5, 5000);
    Records::requireState(o, "status", {u"active"_s, u"revision"_s},
                          u"Only an active order or one under revision can be delivered"_s);
    const QString now = Storage::now();
    req.db.change(u"UPDATE gig_orders SET status = 'delivered', delivery_note = ?, "
                  "delivered_at = ?, updated_at = ? WHERE id = ?"_s,
                  {note, now, now, Records::integer(o, "id")});
    Records::addMessage(req.db, Records::integer(o, "id"), req.userId, u"Delivered: "_s + note);
    notifyUser(req.db, Records::integer(o, "client_id"), u"order_delivered"_s,
               u"Order delivered: %1"_s.arg(title(o)),
               u"Review the delivery, then accept and pay or ask for a revision."_s);
    return orderReply(req, Records::integer(o, "id"));
}

Reply requestRevision(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Client);
    const QString note = req.text(u"note"_s, 5, 5000);
    Records::requireState(o, "status", {u"delivered"_s},
                          u"A revision can be asked only of a delivered order"_s);
    setStatus(req, Records::integer(o, "id"), u"revision"_s, u"revision_note"_s, note);
    Records::addMessage(req.db, Records::integer(o, "id"), req.userId,
                        u"Revision requested: "_s + note);
    notifyUser(req.db, Records::integer(o, "freelancer_id"), u"revision_requested"_s,
               u"Revision requested: %1"_s.arg(title(o)), note);
    return orderReply(req, Records::integer(o, "id"));
}

Reply completeOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Client);
    Records::requireState(o, "status", {u"delivered"_s},
                          u"Only a delivered order can be accepted and paid"_s);
    const qint64 orderId = Records::integer(o, "id");
    const qint64 sellerId = Records::integer(o, "freelancer_id");
    setStatus(req, orderId, u"completed"_s, u"completed_at"_s, Storage::now());
    Money::release(req.db, Money::Escrow::GigOrder, orderId, sellerId,
                   u"Gig order #%1: %2"_s.arg(orderId).arg(title(o)));
    Money::issueInvoice(req.db, req.userId, u"Gig order #%1: %2"_s.arg(orderId).arg(title(o)),
                        Records::integer(o, "price_paise"));
    notifyUser(req.db, sellerId, u"payment_released"_s, u"Payment released: %1"_s.arg(title(o)),
               u"The client accepted your delivery; the payment is in your wallet."_s);
    return orderReply(req, orderId);
}

Reply cancelOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Either);
    const QString reason = req.text(u"reason"_s, 5, 2000);
    Records::requireState(o, "status", {u"pending"_s, u"active"_s},
                          u"Only a pending or active order can be cancelled"_s);
    const qint64 orderId = Records::integer(o, "id");
    req.db.change(u"UPDATE gig_orders SET status = 'cancelled', cancel_reason = ?, "
                  "cancelled_by = ?, updated_at = ? WHERE id = ?"_s,
                  {reason, req.userId, Storage::now(), orderId});
    Money::refund(req.db, Money::Escrow::GigOrder, orderId,
                  u"Refund of gig order #%1: %2"_s.arg(orderId).arg(title(o)));
    Records::addMessage(req.db, orderId, req.userId, u"Order cancelled: "_s + reason);
    const bool byClient = Records::integer(o, "client_id") == req.userId;
    notifyUser(req.db,
               byClient ? Records::integer(o, "freelancer_id") : Records::integer(o, "client_id"),
               u"order_cancelled"_s, u"Order cancelled: %1"_s.arg(title(o)), reason);
    return orderReply(req, orderId);
}

Reply reviewOrder(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Client);
    const qint64 score = req.integer(u"score"_s, 1, 5);
    const QString review = req.optionalText(u"review"_s, 2000);
    Records::requireState(o, "status", {u"completed"_s},
                          u"Only a completed order can be reviewed"_s);
    // The guard in the statement keeps a second review out even if two arrive together.
    const int changed
        = req.db.change(u"UPDATE gig_orders SET review_score = ?, "
                        "review = ?, reviewed_at = ?, updated_at = ? "
                        "WHERE id = ? AND review_score IS NULL"_s,
                        {score, review, Storage::now(), Storage::now(), Records::integer(o, "id")});
    if (changed == 0)
        fail(409, u"This order has already been reviewed"_s);
    notifyUser(req.db, Records::integer(o, "freelancer_id"), u"review_received"_s,
               u"New review: %1 ★ on %2"_s.arg(score).arg(title(o)), review);
    return orderReply(req, Records::integer(o, "id"));
}

Reply postMessage(Request &req)
{
    const QJsonObject o = partyOrder(req, Side::Either);
    const QString body = req.text(u"body"_s, 1, 2000);
    const qint64 messageId
        = Records::addMessage(req.db, Records::integer(o, "id"), req.userId, body);
    const bool byClient = Records::integer(o, "client_id") == req.userId;
    notifyUser(req.db,
               byClient ? Records::integer(o, "freelancer_id") : Records::integer(o, "client_id"),
               u"order_message"_s, u"New message on %1"_s.arg(title(o)), body.left(200));
    return created({{u"message"_s,
                     req.db.one(u"SELECT id, sender_id, body, created_at FROM "
                                "gig_order_messages WHERE id = ?"_s,
                                {messageId})}});
}

} // namespace

void registerGigOrderRoutes(Router &r)
{
    r.get(u"api/gig-orders"_s, Access::User, listOrders);
    r.get(u"api/gig-orders/<id>"_s, Access::User, orderDetail);
    r.post(u"api/gig-orders/<id>/accept"_s, Access::Freelancer, acceptOrder);
    r.post(u"api/gig-orders/<id>/deliver"_s, Access::Freelancer, deliverOrder);
    r.post(u"api/gig-orders/<id>/revision"_s, Access::Client, requestRevision);
    r.post(u"api/gig-orders/<id>/complete"_s, Access::Client, completeOrder);
    r.post(u"api/gig-orders/<id>/review"_s, Access::Client, reviewOrder);
    r.post(u"api/gig-orders/<id>/cancel"_s, Access::User, cancelOrder);
    r.post(u"api/gig-orders/<id>/messages"_s, Access::User, postMessage);
}
