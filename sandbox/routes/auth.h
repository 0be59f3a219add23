#pragma once

#include "http.h"

// What the web pages (web/) share with the account routes: they run these very functions, so a
// page signs in under the same throttle and sessions as "api/auth/login", and a reset made on the
// page ends the same sessions and links.
namespace Auth {

// "api/auth/login": the body's email, password and optional totpCode. 200 with the user record
// and the session cookie; 429 with Retry-After while the account is throttled; other refusals
// (400, 401, 403) are thrown.
Reply login(Request &req);
// "api/auth/logout": ends the request's session and clears its cookie.
Reply logout(Request &req);
// Redeems the verification link's token (the query's "token"): the verified e-mail address, or
// 400 when the link is invalid, used or expired.
QString verifyEmail(Request &req);
// Whether a reset link's token can still set a password.
bool resetLinkLive(Request &req, const QString &token);
// "api/auth/reset-password": the body's token and password (the rules of registration). Ends all
// the account's sessions and its other reset links.
Reply resetPassword(Request &req);

} // namespace Auth
