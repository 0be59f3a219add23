#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

class Storage;

// Every rule about money lives here. Amounts are integer paise (qint64), never floating point.
// A wallet is its ledger: the balance is the sum of the user's wallet_transactions rows, and
// every movement below writes those rows. Escrow is money taken from a wallet and held against
// one record (kind + ref id) until it is released to a payee or refunded to the payer.
//
// Call these inside a transaction: every write request already runs in one (the dispatcher's),
// and a refusal (HttpError) rolls the whole request back.
namespace Money {

using namespace Qt::StringLiterals;

constexpr qint64 PaisePerRupee = 100;
// Largest amount accepted from a user in one field: ₹1,00,00,000.
constexpr qint64 MaxRupees = 10000000;

// Strict whole-rupee parsing of a JSON string such as "1500" → 150000 paise. Digits only (no sign,
// blanks, decimals or exponent), positive, at most MaxRupees. Anything else gives nullopt and a
// reason in *why.
std::optional<qint64> parseRupees(const QJsonValue &value, QString *why = nullptr);
// The amount in whole rupees as people read it in a message: "₹1500" (paise are dropped).
QString rupeesText(qint64 paise);
// An integer paise amount given as a JSON number (e.g. a gig package's price_paise): whole,
// positive, at most MaxRupees * 100.
std::optional<qint64> parsePaise(const QJsonValue &value, QString *why = nullptr);

// Escrow kinds used by the areas.
namespace Escrow {
inline const QString GigOrder = u"gig_order"_s;
inline const QString ContestPrize = u"contest_prize"_s;
inline const QString ContestFee = u"contest_fee"_s;
inline const QString Milestone = u"milestone"_s;
inline const QString ExamFee = u"exam_fee"_s;
} // namespace Escrow

qint64 balance(Storage &db, qint64 userId);
bool covers(Storage &db, qint64 userId, qint64 paise);

// Adds money from outside the marketplace (seed top-ups, a completed card payment).
void deposit(Storage &db, qint64 userId, qint64 paise, const QString &description,
             const QString &kind = u"deposit"_s);
// Takes money out of the marketplace (a withdrawal to the bank). Refuses (409) an overdraft.
void withdraw(Storage &db, qint64 userId, qint64 paise, const QString &description,
              const QString &refKind = QString(), qint64 refId = 0);

// Moves paise from the payer's wallet into escrow for (kind, refId). Refuses with 409
// "Insufficient wallet balance" when the wallet does not cover it.
void hold(Storage &db, qint64 payerId, qint64 paise, const QString &kind, qint64 refId,
          const QString &description);
// Pays the held escrow of (kind, refId) to payeeId. 409 when nothing is held.
void release(Storage &db, const QString &kind, qint64 refId, qint64 payeeId,
             const QString &description);
// Returns the held escrow of (kind, refId) to its payer. 409 when nothing is held.
void refund(Storage &db, const QString &kind, qint64 refId, const QString &description);
// True when (kind, refId) has money held right now.
bool isHeld(Storage &db, const QString &kind, qint64 refId);

// The platform's own account, which receives fees.
qint64 houseAccountId(Storage &db);

// Contest plan fee for a prize: 5 % of the prize, rounded up to whole rupees.
qint64 contestFee(qint64 prizePaise);
// Minimum contest prize and withdrawal, in paise.
constexpr qint64 MinContestPrizePaise = 500 * PaisePerRupee;
constexpr qint64 MinWithdrawalPaise = 1000 * PaisePerRupee;

// Records an invoice for the user; returns its number ("INV-2024-000042").
QString issueInvoice(Storage &db, qint64 userId, const QString &description, qint64 totalPaise);

// Totals for the conservation check: all wallets together, and everything held in escrow.
qint64 totalInWallets(Storage &db);
qint64 totalHeld(Storage &db);

} // namespace Money
