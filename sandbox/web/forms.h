#pragma once

#include "http.h"

// What the web pages' forms send, and the anti-forgery token that makes a form count.
namespace Web {

// The fields of an application/x-www-form-urlencoded body as string members, so that Request's
// readers check a form as they check JSON. Of a name given twice the first counts.
QJsonObject formFields(const QByteArray &body);

// The value of a cookie in a Cookie request header, "" when it is not there.
QString cookieValue(const QByteArray &cookieHeader, const QByteArray &name);

// The anti-forgery token for the forms of a page: derived from the session when somebody is signed
// in, else from a random secret in a cookie of its own (the sign-in and reset forms). When the
// browser has no such secret yet, *setCookie is the Set-Cookie value that gives it one.
QString formToken(const Request &req, QByteArray *setCookie);
// Refuses (403) a form whose "csrf" field is not this browser's token: a page of another site
// cannot read the token, so it cannot post a form in a signed-in person's name.
void requireFormToken(const Request &req);

} // namespace Web
