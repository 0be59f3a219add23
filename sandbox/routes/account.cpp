// Account matters of the More tab: the referral programme, the bank account on file (approved by
// the operator's link before withdrawals go to it), and withdrawals (settlements) from the wallet
// to the bank.

#include "http.h"
#include "links.h"
#include "money.h"
#include "notify.h"
#include "server.h"
#include "storage.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

constexpr int CommissionPercent = 10;

QJsonValue bankSummary(Storage &db, qint64 userId)
{
    const QJsonObject b = db.one(u"SELECT account_holder, account_number, ifsc, "
                                 "status, updated_at FROM bank_accounts "
                                 "WHERE user_id = ?"_s,
                                 {userId});
    if (b.isEmpty())
        return QJsonValue::Undefined;
    // The full number never leaves the service.
    return QJsonObject {{u"account_holder"_s, b.value(u"account_holder"_s)},
                        {u"account_last4"_s, b.value(u"account_number"_s).toString().right(4)},
                        {u"ifsc"_s, b.value(u"ifsc"_s)},
                        {u"status"_s, b.value(u"status"_s)},
                        {u"updated_at"_s, b.value(u"updated_at"_s)}};
}

Reply affiliate(Request &req)
{
    const QString code
        = req.db.scalar(u"SELECT referral_code FROM users WHERE id = ?"_s, {req.userId}).toString();
    const qint64 earned = req.db
                              .scalar(u"SELECT COALESCE(SUM(amount_paise), 0) FROM "
                                      "wallet_transactions WHERE user_id = ? AND "
                                      "kind = 'referral_commission'"_s,
                                      {req.userId})
                              .toLongLong();
    return ok({{u"shareUrl"_s, req.server.origin() + u"/signup?ref="_s + code},
               {u"code"_s, code},
               {u"referrals"_s,
                req.db.all(u"SELECT full_name, created_at AS joined_at FROM users "
                           "WHERE referred_by = ? ORDER BY id"_s,
                           {req.userId})},
               {u"commissionPercent"_s, CommissionPercent},
               {u"earnings_paise"_s, earned}});
}

Reply settlements(Request &req)
{
    QJsonObject body {{u"settlements"_s,
                       req.db.all(u"SELECT id, amount_paise, status, requested_at "
                                  "FROM settlements WHERE user_id = ? "
                                  "ORDER BY id DESC"_s,
                                  {req.userId})}};
    const QJsonValue bank = bankSummary(req.db, req.userId);
    if (!bank.isUndefined())
        body.insert(u"bankAccount"_s, bank);
    return ok(body);
}

Reply requestSettlement(Request &req)
{
    const qint64 amount = req.rupees(u"amount"_s);
    if (amount < Money::MinWithdrawalPaise)
        fail(400, u"The minimum withdrawal is ₹1,000"_s);
    if (req.user.value(u"kyc_status"_s).toString() != "verified"_L1)
        fail(403, u"Complete KYC verification before withdrawing"_s);
    const QJsonValue bank = bankSummary(req.db, req.userId);
    if (bank.isUndefined())
        fail(409, u"Add a bank account before withdrawing"_s);
    if (bank.toObject().value(u"status"_s).toString() != "approved"_L1)
        fail(409, u"Your bank account is awaiting approval"_s);
    if (!Money::covers(req.db, req.userId, amount))
        fail(409, u"Insufficient wallet balance"_s);

    const qint64 id = req.db.insert(u"INSERT INTO settlements (user_id, amount_paise, "
                                    "status, requested_at) "
                                    "VALUES (?, ?, 'requested', ?)"_s,
                                    {req.userId, amount, Storage::now()});
    Money::withdraw(
        req.db, req.userId, amount,
        u"Withdrawal to bank ••••%1"_s.arg(bank.toObject().value(u"account_last4"_s).toString()),
        u"settlement"_s, id);
    return created({{u"settlement"_s,
                     req.db.one(u"SELECT id, amount_paise, status, requested_at FROM "
                                "settlements WHERE id = ?"_s,
                                {id})}});
}

Reply saveBankAccount(Request &req)
{
    const QString holder = req.text(u"accountHolder"_s, 1, 100);
    const QString number = req.text(u"accountNumber"_s, 1, 40);
    static const QRegularExpression digits(u"\\A[0-9]{6,18}\\z"_s);
    if (!digits.match(number).hasMatch())
        fail(400, u"The account number must be 6 to 18 digits"_s);
    const QString ifsc = req.text(u"ifsc"_s, 1, 40).toUpper();
    static const QRegularExpression ifscShape(u"\\A[A-Z]{4}0[A-Z0-9]{6}\\z"_s);
    if (!ifscShape.match(ifsc).hasMatch())
        fail(400, u"Enter a valid 11-character IFSC (e.g. HDFC0001234)"_s);
    // A new account waits for approval (withdrawals with it), so that a session taken over
    // cannot send the wallet elsewhere at once; the link that approves it goes to the operator.
    req.db.exec(u"INSERT INTO bank_accounts (user_id, account_holder, account_number, "
                "ifsc, status, updated_at) VALUES (?, ?, ?, ?, 'pending', ?) "
                "ON CONFLICT(user_id) DO UPDATE SET account_holder = "
                "excluded.account_holder, account_number = excluded.account_number, "
                "ifsc = excluded.ifsc, status = excluded.status, updated_at = "
                "excluded.updated_at"_s,
                {req.userId, holder, number, ifsc, Storage::now()});
    Links::voidAll(req, req.userId, u"bank"_s);
    const QString link
        = Links::issueLink(req, req.userId, u"bank"_s, 48, u"api/bank-account/approve"_s);
    req.server.print(
        u"bank-approval-link %1 %2"_s.arg(req.user.value(u"email"_s).toString(), link));
    return ok({{u"bankAccount"_s, bankSummary(req.db, req.userId)}});
}

Reply approveBankAccount(Request &req)
{
    // A GET that changes state: it is the link the operator follows.
    const QString token = req.query.queryItemValue(u"token"_s);
    const qint64 userId = Links::redeemable(req, token, u"bank"_s);
    if (!userId)
        fail(400, u"This approval link is invalid or has expired"_s);
    Storage::Transaction t(req.db);
    Links::markUsed(req, token);
    req.db.change(u"UPDATE bank_accounts SET status = 'approved' WHERE user_id = ?"_s, {userId});
    t.commit();
    return ok({{u"bankAccount"_s, bankSummary(req.db, userId)}});
}

} // namespace

void registerAccountRoutes(Router &r)
{
    r.get(u"api/affiliate"_s, Access::User, affiliate);
    r.get(u"api/settlements"_s, Access::User, settlements);
    r.post(u"api/settlements"_s, Access::Freelancer, requestSettlement);
    r.put(u"api/bank-account"_s, Access::User, saveBankAccount);
    r.get(u"api/bank-account/approve"_s, Access::Public, approveBankAccount);
}
