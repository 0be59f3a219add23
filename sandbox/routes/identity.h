#pragma once

#include "http.h"

#include <QDate>

// Identity verification (KYC): a signed-in person submits a legal name, a date of birth and an
// identity number on the page "/identity"; the account's kyc_status is "pending" until the
// operator follows the link the sandbox prints, then "verified". Withdrawals wait for it.
namespace Identity {

constexpr int MinimumAge = 18;

// Why this date of birth is refused on `today`, "" when it is not: a date in the past, of a
// person at least MinimumAge years old and at most 130.
QString birthDateProblem(const QDate &birth, const QDate &today);
// The number as typed without blanks and dashes, upper-cased.
QString normalizedNumber(const QString &typed);
// "aadhaar" (12 digits, the first 2 to 9, a valid Verhoeff check digit), "pan" (five letters,
// the fourth a holder type, four digits, a letter) or "" for a number of neither shape.
QString numberKind(const QString &normalized);

// The form's legalName, dateOfBirth and identityNumber: stored for review ("pending"; a pending
// submission is replaced and its approval link voided) and the operator's link printed.
// 400 naming the field for bad input, 409 once the identity is verified.
void submit(Request &req);
// What the person submitted (legal_name, date_of_birth, number_kind, number_last4, submitted_at,
// verified_at) and the account's status; {} when nothing was submitted.
QJsonObject summary(Storage &db, qint64 userId);

} // namespace Identity
