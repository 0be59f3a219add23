// The wallet (balance and ledger) and the user's invoices. Read-only: money moves through the
// areas that use it (money.h).

#include "http.h"
#include "money.h"
#include "storage.h"

using namespace Qt::StringLiterals;

namespace {

Reply wallet(Request &req)
{
    const qint64 held = req.db
                            .scalar(u"SELECT COALESCE(SUM(amount_paise), 0) FROM "
                                    "escrows WHERE payer_id = ? AND status = "
                                    "'held'"_s,
                                    {req.userId})
                            .toLongLong();
    return ok({{u"wallet"_s,
                QJsonObject {{u"balance_paise"_s, Money::balance(req.db, req.userId)},
                             {u"escrow_paise"_s, held},
                             {u"currency"_s, u"INR"_s}}},
               {u"transactions"_s,
                req.db.all(u"SELECT id, kind, description, amount_paise, ref_kind, "
                           "ref_id, created_at FROM wallet_transactions "
                           "WHERE user_id = ? ORDER BY id DESC LIMIT 500"_s,
                           {req.userId})}});
}

Reply invoices(Request &req)
{
    return ok({{u"invoices"_s,
                req.db.all(u"SELECT id, invoice_number, description, total_paise, "
                           "created_at FROM invoices WHERE user_id = ? "
                           "ORDER BY id DESC"_s,
                           {req.userId})}});
}

} // namespace

void registerWalletRoutes(Router &r)
{
    r.get(u"api/wallet"_s, Access::User, wallet);
    r.get(u"api/invoices"_s, Access::User, invoices);
}
