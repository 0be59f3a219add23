#include "money.h"

#include "httperror.h"
#include "storage.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

using namespace Qt::StringLiterals;

namespace Money {

namespace {

void ledger(Storage &db, qint64 userId, qint64 signedPaise, const QString &kind,
            const QString &description, const QString &refKind, qint64 refId)
{
    db.insert(u"INSERT INTO wallet_transactions (user_id, amount_paise, kind, "
              "description, ref_kind, ref_id, created_at) VALUES (?,?,?,?,?,?,?)"_s,
              {userId, signedPaise, kind, description,
               refKind.isEmpty() ? QVariant() : QVariant(refKind),
               refId > 0 ? QVariant(refId) : QVariant(), Storage::now()});
}

void requirePositive(qint64 paise)
{
    if (paise <= 0)
        throw StorageError {u"money movement of a non-positive amount"_s};
}

} // namespace

std::optional<qint64> parseRupees(const QJsonValue &value, QString *why)
{
    auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return std::optional<qint64>();
    };
    if (!value.isString())
        return refuse(u"enter the amount in whole rupees, as text such as \"1500\""_s);
    const QString s = value.toString();
    static const QRegularExpression digits(u"\\A[0-9]+\\z"_s); // $ would allow "1000\n"
    if (!digits.match(s).hasMatch())
        return refuse(u"enter whole rupees using digits only"_s);
    QString stripped = s;
    while (stripped.size() > 1 && stripped.startsWith(u'0'))
        stripped.remove(0, 1);
    if (stripped.size() > 8)
        return refuse(u"the amount may be at most ₹%1"_s.arg(MaxRupees));
    const qint64 rupees = stripped.toLongLong();
    if (rupees <= 0)
        return refuse(u"the amount must be at least ₹1"_s);
    if (rupees > MaxRupees)
        return refuse(u"the amount may be at most ₹%1"_s.arg(MaxRupees));
    return rupees * PaisePerRupee;
}

std::optional<qint64> parsePaise(const QJsonValue &value, QString *why)
{
    auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return std::optional<qint64>();
    };
    if (!value.isDouble())
        return refuse(u"must be a whole number of paise"_s);
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d)
        return refuse(u"must be a whole number of paise"_s);
    if (d <= 0)
        return refuse(u"must be positive"_s);
    if (d > double(MaxRupees * PaisePerRupee))
        return refuse(u"may be at most ₹%1"_s.arg(MaxRupees));
    return static_cast<qint64>(d);
}

QString rupeesText(qint64 paise)
{
    return u"₹%1"_s.arg(paise / PaisePerRupee);
}

qint64 balance(Storage &db, qint64 userId)
{
    return db
        .scalar(u"SELECT COALESCE(SUM(amount_paise), 0) FROM "
                "wallet_transactions WHERE user_id = ?"_s,
                {userId})
        .toLongLong();
}

bool covers(Storage &db, qint64 userId, qint64 paise)
{
    return balance(db, userId) >= paise;
}

void deposit(Storage &db, qint64 userId, qint64 paise, const QString &description,
             const QString &kind)
{
    requirePositive(paise);
    ledger(db, userId, paise, kind, description, QString(), 0);
}

void withdraw(Storage &db, qint64 userId, qint64 paise, const QString &description,
              const QString &refKind, qint64 refId)
{
    requirePositive(paise);
    if (!covers(db, userId, paise))
        throw HttpError {409, u"Insufficient wallet balance"_s};
    ledger(db, userId, -paise, u"withdrawal"_s, description, refKind, refId);
}

void hold(Storage &db, qint64 payerId, qint64 paise, const QString &kind, qint64 refId,
          const QString &description)
{
    requirePositive(paise);
    if (!covers(db, payerId, paise))
        throw HttpError {409, u"Insufficient wallet balance"_s};
    if (db.exists(u"SELECT 1 FROM escrows WHERE kind = ? AND ref_id = ?"_s, {kind, refId}))
        throw HttpError {409, u"Already funded"_s};
    db.insert(u"INSERT INTO escrows (kind, ref_id, payer_id, amount_paise, status, "
              "created_at) VALUES (?,?,?,?, 'held', ?)"_s,
              {kind, refId, payerId, paise, Storage::now()});
    ledger(db, payerId, -paise, u"escrow_hold"_s, description, kind, refId);
}

namespace {

QJsonObject heldEscrow(Storage &db, const QString &kind, qint64 refId)
{
    const QJsonObject e = db.one(u"SELECT id, payer_id, amount_paise FROM escrows "
                                 "WHERE kind = ? AND ref_id = ? AND status = 'held'"_s,
                                 {kind, refId});
    if (e.isEmpty())
        throw HttpError {409, u"No money is held for this"_s};
    return e;
}

} // namespace

void release(Storage &db, const QString &kind, qint64 refId, qint64 payeeId,
             const QString &description)
{
    const QJsonObject e = heldEscrow(db, kind, refId);
    const qint64 amount = e.value(u"amount_paise"_s).toInteger();
    db.change(u"UPDATE escrows SET status = 'released', payee_id = ?, settled_at = ? "
              "WHERE id = ?"_s,
              {payeeId, Storage::now(), e.value(u"id"_s).toInteger()});
    ledger(db, payeeId, amount, u"escrow_release"_s, description, kind, refId);
}

void refund(Storage &db, const QString &kind, qint64 refId, const QString &description)
{
    const QJsonObject e = heldEscrow(db, kind, refId);
    const qint64 amount = e.value(u"amount_paise"_s).toInteger();
    const qint64 payer = e.value(u"payer_id"_s).toInteger();
    db.change(u"UPDATE escrows SET status = 'refunded', settled_at = ? WHERE id = ?"_s,
              {Storage::now(), e.value(u"id"_s).toInteger()});
    ledger(db, payer, amount, u"escrow_refund"_s, description, kind, refId);
}

bool isHeld(Storage &db, const QString &kind, qint64 refId)
{
    return db.exists(u"SELECT 1 FROM escrows WHERE kind = ? AND ref_id = ? "
                     "AND status = 'held'"_s,
                     {kind, refId});
}

qint64 houseAccountId(Storage &db)
{
    return db.scalar(u"SELECT id FROM users WHERE role = 'house'"_s).toLongLong();
}

qint64 contestFee(qint64 prizePaise)
{
    const qint64 fivePercent = prizePaise * 5 / 100 + (prizePaise * 5 % 100 ? 1 : 0);
    return (fivePercent + PaisePerRupee - 1) / PaisePerRupee * PaisePerRupee;
}

QString issueInvoice(Storage &db, qint64 userId, const QString &description, qint64 totalPaise)
{
    // One connection and one thread: the next id is ours until the insert below.
    const qint64 next = db.scalar(u"SELECT COALESCE(MAX(id), 0) + 1 FROM invoices"_s).toLongLong();
    const QString number
        = u"INV-%1-%2"_s.arg(QDate::currentDate().year()).arg(next, 6, 10, QChar(u'0'));
    db.insert(u"INSERT INTO invoices (id, user_id, invoice_number, description, "
              "total_paise, created_at) VALUES (?, ?, ?, ?, ?, ?)"_s,
              {next, userId, number, description, totalPaise, Storage::now()});
    return number;
}

qint64 totalInWallets(Storage &db)
{
    return db
        .scalar(u"SELECT COALESCE(SUM(amount_paise), 0) FROM "
                "wallet_transactions"_s)
        .toLongLong();
}

qint64 totalHeld(Storage &db)
{
    return db
        .scalar(u"SELECT COALESCE(SUM(amount_paise), 0) FROM escrows WHERE "
                "status = 'held'"_s)
        .toLongLong();
}

} // namespace Money
