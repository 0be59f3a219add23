// Account matters of the More tab: the referral programme, the bank account on file, and
// withdrawals (settlements) from the wallet to the bank.

#include "http.h"
#include "money.h"
#include "notify.h"
#include "server.h"
#include "storage.h"

#include <QRegularExpression>

namespace {

constexpr int CommissionPercent = 10;

QJsonValue bankSummary(Storage &db, qint64 userId)
{
    const QJsonObject b = db.one(QStringLiteral("SELECT account_holder, account_number, ifsc, "
                                                "status, updated_at FROM bank_accounts "
                                                "WHERE user_id = ?"),
                                 {userId});
    if (b.isEmpty())
        return QJsonValue::Undefined;
    // The full number never leaves the service.
    return QJsonObject {
        {QStringLiteral("account_holder"), b.value(QStringLiteral("account_holder"))},
        {QStringLiteral("account_last4"),
         b.value(QStringLiteral("account_number")).toString().right(4)},
        {QStringLiteral("ifsc"), b.value(QStringLiteral("ifsc"))},
        {QStringLiteral("status"), b.value(QStringLiteral("status"))},
        {QStringLiteral("updated_at"), b.value(QStringLiteral("updated_at"))}};
}

Reply affiliate(Request &req)
{
    const QString code
        = req.db
              .scalar(QStringLiteral("SELECT referral_code FROM users WHERE id = ?"), {req.userId})
              .toString();
    const qint64 earned = req.db
                              .scalar(QStringLiteral("SELECT COALESCE(SUM(amount_paise), 0) FROM "
                                                     "wallet_transactions WHERE user_id = ? AND "
                                                     "kind = 'referral_commission'"),
                                      {req.userId})
                              .toLongLong();
    return ok(
        {{QStringLiteral("shareUrl"), req.server.origin() + QStringLiteral("/signup?ref=") + code},
         {QStringLiteral("code"), code},
         {QStringLiteral("referrals"),
          req.db.all(QStringLiteral("SELECT full_name, created_at AS joined_at FROM users "
                                    "WHERE referred_by = ? ORDER BY id"),
                     {req.userId})},
         {QStringLiteral("commissionPercent"), CommissionPercent},
         {QStringLiteral("earnings_paise"), earned}});
}

Reply settlements(Request &req)
{
    QJsonObject body {{QStringLiteral("settlements"),
                       req.db.all(QStringLiteral("SELECT id, amount_paise, status, requested_at "
                                                 "FROM settlements WHERE user_id = ? "
                                                 "ORDER BY id DESC"),
                                  {req.userId})}};
    const QJsonValue bank = bankSummary(req.db, req.userId);
    if (!bank.isUndefined())
        body.insert(QStringLiteral("bankAccount"), bank);
    return ok(body);
}

Reply requestSettlement(Request &req)
{
    const qint64 amount = req.rupees(QStringLiteral("amount"));
    if (amount < Money::MinWithdrawalPaise)
        fail(400, QStringLiteral("The minimum withdrawal is ₹1,000"));
    if (req.user.value(QStringLiteral("kyc_status")).toString() != QLatin1String("verified"))
        fail(403, QStringLiteral("Complete KYC verification before withdrawing"));
    const QJsonValue bank = bankSummary(req.db, req.userId);
    if (bank.isUndefined())
        fail(409, QStringLiteral("Add a bank account before withdrawing"));
    if (bank.toObject().value(QStringLiteral("status")).toString() != QLatin1String("approved"))
        fail(409, QStringLiteral("Your bank account is not approved yet"));
    if (!Money::covers(req.db, req.userId, amount))
        fail(409, QStringLiteral("Insufficient wallet balance"));

    const qint64 id
        = req.db.insert(QStringLiteral("INSERT INTO settlements (user_id, amount_paise, "
                                       "status, requested_at) "
                                       "VALUES (?, ?, 'requested', ?)"),
                        {req.userId, amount, Storage::now()});
    Money::withdraw(req.db, req.userId, amount,
                    QStringLiteral("Withdrawal to bank ••••%1")
                        .arg(bank.toObject().value(QStringLiteral("account_last4")).toString()),
                    QStringLiteral("settlement"), id);
    return created({{QStringLiteral("settlement"),
                     req.db.one(QStringLiteral("SELECT id, amount_paise, status, requested_at FROM "
                                               "settlements WHERE id = ?"),
                                {id})}});
}

Reply saveBankAccount(Request &req)
{
    const QString holder = req.text(QStringLiteral("accountHolder"), 1, 100);
    const QString number = req.text(QStringLiteral("accountNumber"), 1, 40);
    static const QRegularExpression digits(QStringLiteral("^[0-9]{6,18}$"));
    if (!digits.match(number).hasMatch())
        fail(400, QStringLiteral("The account number must be 6 to 18 digits"));
    const QString ifsc = req.text(QStringLiteral("ifsc"), 1, 40).toUpper();
    static const QRegularExpression ifscShape(QStringLiteral("^[A-Z]{4}0[A-Z0-9]{6}$"));
    if (!ifscShape.match(ifsc).hasMatch())
        fail(400, QStringLiteral("Enter a valid 11-character IFSC (e.g. HDFC0001234)"));
    req.db.exec(
        QStringLiteral("INSERT INTO bank_accounts (user_id, account_holder, account_number, "
                       "ifsc, status, updated_at) VALUES (?, ?, ?, ?, 'approved', ?) "
                       "ON CONFLICT(user_id) DO UPDATE SET account_holder = "
                       "excluded.account_holder, account_number = excluded.account_number, "
                       "ifsc = excluded.ifsc, status = excluded.status, updated_at = "
                       "excluded.updated_at"),
        {req.userId, holder, number, ifsc, Storage::now()});
    return ok({{QStringLiteral("bankAccount"), bankSummary(req.db, req.userId)}});
}

} // namespace

void registerAccountRoutes(Router &r)
{
    r.get(QStringLiteral("api/affiliate"), Access::User, affiliate);
    r.get(QStringLiteral("api/settlements"), Access::User, settlements);
    r.post(QStringLiteral("api/settlements"), Access::Freelancer, requestSettlement);
    r.put(QStringLiteral("api/bank-account"), Access::User, saveBankAccount);
}
