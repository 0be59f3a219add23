#include "payments.h"

#include "httperror.h"
#include "money.h"
#include "notify.h"
#include "records.h"
#include "storage.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace Payments {

namespace {

using Records::integer;
using Records::text;

// What the payment gateway would have taken from the card, in the wallet the payment leaves.
void cardPayment(Storage &db, qint64 payerId, qint64 paise, const QString &what)
{
    Money::deposit(db, payerId, paise, u"Card payment for "_s + what, u"card_payment"_s);
}

} // namespace

QJsonObject webOrder(qint64 paise, const QString &orderId)
{
    return QJsonObject {{u"order_id"_s,
                         orderId.isEmpty() ? u"order_sbx_%1"_s.arg(
                             QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0'))
                                           : orderId},
                        {u"amount_paise"_s, paise},
                        {u"currency"_s, u"INR"_s}};
}

bool fundMilestone(Storage &db, qint64 clientId, qint64 milestoneId, Source source)
{
    const QJsonObject m
        = db.one(u"SELECT m.title, m.amount_paise, m.status, c.status AS contract_status, "
                 "c.title AS contract_title, c.freelancer_id FROM milestones m "
                 "JOIN contracts c ON c.id = m.contract_id WHERE m.id = ? AND c.client_id = ?"_s,
                 {milestoneId, clientId});
    if (m.isEmpty())
        throw HttpError {404, u"Milestone not found"_s};
    Records::requireState(m, "contract_status", {u"active"_s}, u"The contract is not active"_s);
    Records::requireState(m, "status", {u"awaiting_funding"_s},
                          u"This milestone is already funded"_s);
    const qint64 amount = integer(m, "amount_paise");
    const QString title = text(m, "title");
    if (source == Source::Card)
        cardPayment(db, clientId, amount, u"milestone: "_s + title);
    else if (!Money::covers(db, clientId, amount))
        return false;

    db.change(u"UPDATE milestones SET status = 'funded', funded_at = ? WHERE id = ?"_s,
              {Storage::now(), milestoneId});
    Money::hold(db, clientId, amount, Money::Escrow::Milestone, milestoneId,
                u"Milestone funded: %1"_s.arg(title));
    notifyUser(db, integer(m, "freelancer_id"), u"milestone_funded"_s,
               u"Milestone funded: %1"_s.arg(title),
               u"%1 is in escrow for %2; you can start work."_s.arg(Money::rupeesText(amount),
                                                                    text(m, "contract_title")));
    return true;
}

QJsonObject examFeeOrder(Storage &db, qint64 userId, const QString &skill, int level, qint64 paise)
{
    const QJsonObject owed = db.one(u"SELECT order_id, amount_paise FROM exam_fees WHERE "
                                    "user_id = ? AND skill = ? AND level = ? AND "
                                    "status = 'pending'"_s,
                                    {userId, skill, level});
    if (!owed.isEmpty())
        return webOrder(integer(owed, "amount_paise"), text(owed, "order_id"));
    const QJsonObject order = webOrder(paise);
    db.insert(u"INSERT INTO exam_fees (user_id, skill, level, amount_paise, order_id, status, "
              "created_at) VALUES (?, ?, ?, ?, ?, 'pending', ?)"_s,
              {userId, skill, level, paise, order.value(u"order_id"_s).toString(), Storage::now()});
    return order;
}

bool spendExamFee(Storage &db, qint64 userId, const QString &skill, int level)
{
    return db.change(u"UPDATE exam_fees SET status = 'spent', spent_at = ? WHERE id = "
                     "(SELECT id FROM exam_fees WHERE user_id = ? AND skill = ? AND level = ? "
                     "AND status = 'paid' ORDER BY id LIMIT 1)"_s,
                     {Storage::now(), userId, skill, level})
        == 1;
}

QJsonObject payExamFee(Storage &db, qint64 userId, qint64 feeId)
{
    QJsonObject fee = db.one(u"SELECT id, skill, level, amount_paise, status FROM exam_fees "
                             "WHERE id = ? AND user_id = ?"_s,
                             {feeId, userId});
    if (fee.isEmpty())
        throw HttpError {404, u"Exam fee not found"_s};
    Records::requireState(fee, "status", {u"pending"_s}, u"This exam fee is paid already"_s);
    const qint64 amount = integer(fee, "amount_paise");
    const QString what
        = u"%1 Level %2 exam fee"_s.arg(text(fee, "skill")).arg(integer(fee, "level"));
    cardPayment(db, userId, amount, what);
    // Fees reach the house account through escrow, as every fee does.
    Money::hold(db, userId, amount, Money::Escrow::ExamFee, feeId, what);
    Money::release(db, Money::Escrow::ExamFee, feeId, Money::houseAccountId(db), what);
    Money::issueInvoice(db, userId, what, amount);
    db.change(u"UPDATE exam_fees SET status = 'paid', paid_at = ? WHERE id = ?"_s,
              {Storage::now(), feeId});
    fee.insert(u"status"_s, u"paid"_s);
    return fee;
}

QJsonArray pendingExamFees(Storage &db, qint64 userId)
{
    return db.all(u"SELECT id, skill, level, amount_paise FROM exam_fees WHERE user_id = ? "
                  "AND status = 'pending' ORDER BY id"_s,
                  {userId});
}

QString topUp(Storage &db, qint64 userId, qint64 paise)
{
    cardPayment(db, userId, paise, u"a wallet top-up"_s);
    return Money::issueInvoice(db, userId, u"Wallet top-up"_s, paise);
}

} // namespace Payments
