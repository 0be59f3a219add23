#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class Storage;

// The payments a person may complete on the web pages when the app hands over to the browser:
// funding a milestone and an exam fee. The API routes and the pages call the same functions, so
// the ledger rules are the same whichever way the money comes (money.h has the rules themselves).
//
// A payment on the pages is made by card: the sandbox's stand-in for a payment gateway puts the
// amount into the payer's wallet as a card payment, and the payment then leaves the wallet
// exactly as one made from the wallet would. Call these inside the request's transaction.
namespace Payments {

enum class Source { Wallet, Card };

// The `razorpay` member of an answer whose payment is completed on the web pages.
QJsonObject webOrder(qint64 paise, const QString &orderId = QString());

// Funds the client's milestone into escrow. 404 when it is not one of the client's, 409 when its
// contract is not active or it is not awaiting funding. From the wallet: false, with nothing
// changed, when the wallet does not cover it.
bool fundMilestone(Storage &db, qint64 clientId, qint64 milestoneId, Source source);

// A level's fee, paid for one attempt. The order of the fee the freelancer owes for the level:
// the pending one, recorded the first time it is asked for, so that the "/skills" page lists it.
QJsonObject examFeeOrder(Storage &db, qint64 userId, const QString &skill, int level, qint64 paise);
// Spends a paid, unspent fee of the level on a new attempt; false when there is none.
bool spendExamFee(Storage &db, qint64 userId, const QString &skill, int level);
// Pays a pending fee by card to the house account and issues the invoice: 404 when it is not
// the user's, 409 when it is paid already. The fee row (id, skill, level, amount_paise, status).
QJsonObject payExamFee(Storage &db, qint64 userId, qint64 feeId);
// The user's fees waiting for payment, oldest first.
QJsonArray pendingExamFees(Storage &db, qint64 userId);

// Adds money to the user's wallet by card and issues the invoice for it: its number.
QString topUp(Storage &db, qint64 userId, qint64 paise);

} // namespace Payments
