// The wallet (balance and ledger) and the user's invoices. Read-only: money moves through the
// areas that use it (money.h).

#include "http.h"
#include "money.h"
#include "storage.h"

namespace {

Reply wallet(Request &req)
{
    const qint64 held = req.db
                            .scalar(QStringLiteral("SELECT COALESCE(SUM(amount_paise), 0) FROM "
                                                   "escrows WHERE payer_id = ? AND status = "
                                                   "'held'"),
                                    {req.userId})
                            .toLongLong();
    return ok({{QStringLiteral("wallet"),
                QJsonObject {{QStringLiteral("balance_paise"), Money::balance(req.db, req.userId)},
                             {QStringLiteral("escrow_paise"), held},
                             {QStringLiteral("currency"), QStringLiteral("INR")}}},
               {QStringLiteral("transactions"),
                req.db.all(QStringLiteral("SELECT id, kind, description, amount_paise, ref_kind, "
                                          "ref_id, created_at FROM wallet_transactions "
                                          "WHERE user_id = ? ORDER BY id DESC LIMIT 500"),
                           {req.userId})}});
}

Reply invoices(Request &req)
{
    return ok({{QStringLiteral("invoices"),
                req.db.all(QStringLiteral("SELECT id, invoice_number, description, total_paise, "
                                          "created_at FROM invoices WHERE user_id = ? "
                                          "ORDER BY id DESC"),
                           {req.userId})}});
}

} // namespace

void registerWalletRoutes(Router &r)
{
    r.get(QStringLiteral("api/wallet"), Access::User, wallet);
    r.get(QStringLiteral("api/invoices"), Access::User, invoices);
}
