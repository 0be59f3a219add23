#pragma once

#include "http.h"

// Single-use links printed on standard output in place of e-mails: the e-mail verification, the
// password reset and the approvals of a bank account and of an identity. The database keeps only a
// token's hash.
namespace Links {

// Makes a token of the purpose, valid for validHours, and returns the link that redeems it.
QString issueLink(Request &req, qint64 userId, const QString &purpose, int validHours,
                  const QString &path);
// The user of a live, unused token of the purpose, or 0.
qint64 redeemable(Request &req, const QString &token, const QString &purpose);
void markUsed(Request &req, const QString &token);
// Every unused token of the user and purpose is used up.
void voidAll(Request &req, qint64 userId, const QString &purpose);

} // namespace Links
