#include "money.h"

#include "httperror.h"
#include "storage.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

namespace Money {

namespace {

void ledger(Storage &db, qint64 userId, qint64 signedPaise, const QString &kind,
            const QString &description, const QString &refKind, qint64 refId)
{
    db.insert(QStringLiteral("INSERT INTO wallet_transactions (user_id, amount_paise, kind, "
                             "description, ref_kind, ref_id, created_at) VALUES (?,?,?,?,?,?,?)"),
              {userId, signedPaise, kind, description,
               refKind.isEmpty() ? QVariant() : QVariant(refKind),
               refId > 0 ? QVariant(refId) : QVariant(), Storage::now()});
}

void requirePositive(qint64 paise)
{
    if (paise <= 0)
        throw StorageError {QStringLiteral("money movement of a non-positive amount")};
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
        return refuse(QStringLiteral("enter the amount in whole rupees, as text such as \"1500\""));
    const QString s = value.toString();
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(s).hasMatch())
        return refuse(QStringLiteral("enter whole rupees using digits only"));
    QString stripped = s;
    while (stripped.size() > 1 && stripped.startsWith(QLatin1Char('0')))
        stripped.remove(0, 1);
    if (stripped.size() > 8)
        return refuse(QStringLiteral("the amount may be at most ₹%1").arg(MaxRupees));
    const qint64 rupees = stripped.toLongLong();
    if (rupees <= 0)
        return refuse(QStringLiteral("the amount must be at least ₹1"));
    if (rupees > MaxRupees)
        return refuse(QStringLiteral("the amount may be at most ₹%1").arg(MaxRupees));
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
        return refuse(QStringLiteral("must be a whole number of paise"));
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d)
        return refuse(QStringLiteral("must be a whole number of paise"));
    if (d <= 0)
        return refuse(QStringLiteral("must be positive"));
    if (d > double(MaxRupees * PaisePerRupee))
        return refuse(QStringLiteral("may be at most ₹%1").arg(MaxRupees));
    return static_cast<qint64>(d);
}

qint64 balance(Storage &db, qint64 userId)
{
    return db
        .scalar(QStringLiteral("SELECT COALESCE(SUM(amount_paise), 0) FROM "
                               "wallet_transactions WHERE user_id = ?"),
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
        throw HttpError {409, QStringLiteral("Insufficient wallet balance")};
    ledger(db, userId, -paise, QStringLiteral("withdrawal"), description, refKind, refId);
}

void hold(Storage &db, qint64 payerId, qint64 paise, const QString &kind, qint64 refId,
          const QString &description)
{
    requirePositive(paise);
    if (!covers(db, payerId, paise))
        throw HttpError {409, QStringLiteral("Insufficient wallet balance")};
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM escrows WHERE kind = ? AND ref_id = ?"),
                  {kind, refId})
            .toLongLong()
        > 0)
        throw HttpError {409, QStringLiteral("Already funded")};
    db.insert(QStringLiteral("INSERT INTO escrows (kind, ref_id, payer_id, amount_paise, status, "
                             "created_at) VALUES (?,?,?,?, 'held', ?)"),
              {kind, refId, payerId, paise, Storage::now()});
    ledger(db, payerId, -paise, QStringLiteral("escrow_hold"), description, kind, refId);
}

namespace {

QJsonObject heldEscrow(Storage &db, const QString &kind, qint64 refId)
{
    const QJsonObject e
        = db.one(QStringLiteral("SELECT id, payer_id, amount_paise FROM escrows "
                                "WHERE kind = ? AND ref_id = ? AND status = 'held'"),
                 {kind, refId});
    if (e.isEmpty())
        throw HttpError {409, QStringLiteral("No money is held for this")};
    return e;
}

} // namespace

void release(Storage &db, const QString &kind, qint64 refId, qint64 payeeId,
             const QString &description)
{
    const QJsonObject e = heldEscrow(db, kind, refId);
    const qint64 amount = e.value(QStringLiteral("amount_paise")).toInteger();
    db.change(QStringLiteral("UPDATE escrows SET status = 'released', payee_id = ?, settled_at = ? "
                             "WHERE id = ?"),
              {payeeId, Storage::now(), e.value(QStringLiteral("id")).toInteger()});
    ledger(db, payeeId, amount, QStringLiteral("escrow_release"), description, kind, refId);
}

void refund(Storage &db, const QString &kind, qint64 refId, const QString &description)
{
    const QJsonObject e = heldEscrow(db, kind, refId);
    const qint64 amount = e.value(QStringLiteral("amount_paise")).toInteger();
    const qint64 payer = e.value(QStringLiteral("payer_id")).toInteger();
    db.change(QStringLiteral("UPDATE escrows SET status = 'refunded', settled_at = ? WHERE id = ?"),
              {Storage::now(), e.value(QStringLiteral("id")).toInteger()});
    ledger(db, payer, amount, QStringLiteral("escrow_refund"), description, kind, refId);
}

bool isHeld(Storage &db, const QString &kind, qint64 refId)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM escrows WHERE kind = ? AND ref_id = ? "
                                    "AND status = 'held'"),
                     {kind, refId})
               .toLongLong()
        > 0;
}

qint64 houseAccountId(Storage &db)
{
    return db.scalar(QStringLiteral("SELECT id FROM users WHERE role = 'house'")).toLongLong();
}

qint64 contestFee(qint64 prizePaise)
{
    const qint64 fivePercent = prizePaise * 5 / 100 + (prizePaise * 5 % 100 ? 1 : 0);
    return (fivePercent + PaisePerRupee - 1) / PaisePerRupee * PaisePerRupee;
}

QString issueInvoice(Storage &db, qint64 userId, const QString &description, qint64 totalPaise)
{
    // One connection and one thread: the next id is ours until the insert below.
    const qint64 next
        = db.scalar(QStringLiteral("SELECT COALESCE(MAX(id), 0) + 1 FROM invoices")).toLongLong();
    const QString number = QStringLiteral("INV-%1-%2")
                               .arg(QDate::currentDate().year())
                               .arg(next, 6, 10, QLatin1Char('0'));
    db.insert(QStringLiteral("INSERT INTO invoices (id, user_id, invoice_number, description, "
                             "total_paise, created_at) VALUES (?, ?, ?, ?, ?, ?)"),
              {next, userId, number, description, totalPaise, Storage::now()});
    return number;
}

qint64 totalInWallets(Storage &db)
{
    return db
        .scalar(QStringLiteral("SELECT COALESCE(SUM(amount_paise), 0) FROM "
                               "wallet_transactions"))
        .toLongLong();
}

qint64 totalHeld(Storage &db)
{
    return db
        .scalar(QStringLiteral("SELECT COALESCE(SUM(amount_paise), 0) FROM escrows WHERE "
                               "status = 'held'"))
        .toLongLong();
}

} // namespace Money
