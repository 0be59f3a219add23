#pragma once

#include "http.h"

// One-time sign-in links: the app asks for one ("api/auth/web-link") before it hands a person over
// to a page, so that the browser arrives signed in without the password typed again.
//
// A link is issued to a session and stays bound to it: signing out in the app, or a password reset,
// voids it. Its token (256 random bits, only its hash stored) opens it once within ValidSeconds.
// Opening it signs nobody in: the token is exchanged for a new secret in a cookie of the opening
// browser, which is sent on to a page without the token in its address; only that page's form,
// pressed within ConfirmSeconds, signs the browser in and goes on to the page asked for.
namespace SignInLinks {

constexpr int ValidSeconds = 60;
constexpr int ConfirmSeconds = 300;
inline constexpr char CookieName[] = "velto_link";
// The page that asks, and the only path the cookie is sent to.
inline constexpr char ConfirmPath[] = "/continue-sign-in";

struct Link
{
    qint64 id = 0; // 0: no live link
    qint64 userId = 0;
    QString next;
};

// A new link for the request's session to one of Web::isDestination's pages.
QString issue(Request &req, const QString &next);
// The live link at that stage ("issued": by the link's token; "opened": by the browser's cookie)
// whose issuing session still lasts.
Link find(Storage &db, const QString &secret, const QString &stage);
// "issued" → "opened": the secret of the opening browser's cookie, "" when the link was taken
// meanwhile.
QString open(Storage &db, const Link &link);
// → "used": true for the one request that uses it.
bool use(Storage &db, const Link &link, const QString &stage);
// The Set-Cookie value carrying the opening browser's secret; an empty one clears it.
QByteArray cookie(const QString &secret);

} // namespace SignInLinks
