// The account pages: the start page, sign-in and sign-out, and the pages the mailed links open
// (e-mail verification and password reset). Each calls the account routes' own function
// (routes/auth.h) and shows its outcome.

#include "forms.h"
#include "page.h"
#include "routes/auth.h"
#include "sessions.h"

using namespace Qt::StringLiterals;

namespace {

using namespace Web;

Reply home(Request &req)
{
    Page page(req, u"Velto"_s);
    if (!req.userId)
        return page
            .paragraph(u"Sign in to fund milestones, pay exam fees, add money to your wallet and "
                       "verify your identity."_s)
            .link(u"/sign-in"_s, u"Sign in"_s)
            .reply();
    if (req.isClient())
        page.link(u"/contracts"_s, u"Milestones awaiting funding"_s);
    if (req.isFreelancer())
        page.link(u"/skills"_s, u"Exam fees"_s);
    return page.link(u"/wallet"_s, u"Wallet"_s)
        .link(u"/identity"_s, u"Identity verification"_s)
        .reply();
}

Reply signInForm(Request &req, const QString &next, const QString &problem, int status)
{
    Page page(req, u"Sign in"_s);
    if (!problem.isEmpty())
        page.message(problem, Tone::Problem);
    // The code field is there for every account: the service asks for it only after the
    // password, and a second page would mean typing the password twice anyway.
    return page
        .form({u"/sign-in"_s,
               u"Sign in"_s,
               {{u"next"_s, next}},
               {{u"email"_s, u"Email"_s, u"email"_s, u"username"_s,
                 req.body.value(u"email"_s).toString()},
                {u"password"_s, u"Password"_s, u"password"_s, u"current-password"_s},
                {u"totpCode"_s, u"Two-factor code (accounts with two-factor sign-in)"_s, u"text"_s,
                 u"one-time-code"_s, QString(), false, 0, true}}})
        .reply(status);
}

Reply showSignIn(Request &req)
{
    const QString next = destination(req.query.queryItemValue(u"next"_s));
    return req.userId ? seeOther(next) : signInForm(req, next, {}, 200);
}

Reply signIn(Request &req)
{
    requireFormToken(req);
    const QString next = destination(req.body.value(u"next"_s).toString());
    Reply answer;
    try {
        answer = Auth::login(req);
    } catch (const HttpError &e) {
        return signInForm(req, next, e.message, e.status);
    }
    Reply page = answer.status == 200
        ? seeOther(next)
        : signInForm(req, next, answer.body.value(u"error"_s).toString(), answer.status);
    page.headers += answer.headers; // the session cookie, or Retry-After
    return page;
}

Reply signOut(Request &req)
{
    requireFormToken(req);
    Reply page = seeOther(u"/sign-in"_s);
    page.headers += Auth::logout(req).headers;
    return page;
}

Reply verifyEmail(Request &req)
{
    const QString email = Auth::verifyEmail(req);
    return Page(req, u"E-mail verified"_s)
        .message(u"%1 is verified: you can sign in to the Velto app now."_s.arg(email), Tone::Done)
        .reply();
}

Reply resetForm(Request &req, const QString &token, const QString &problem, int status)
{
    Page page(req, u"Choose a new password"_s);
    if (!problem.isEmpty())
        page.message(problem, Tone::Problem);
    // The link's token travels on in the form's body, never in an address.
    return page
        .form({u"/reset-password"_s,
               u"Set the new password"_s,
               {{u"token"_s, token}},
               {{u"password"_s, u"New password (at least 8 characters)"_s, u"password"_s,
                 u"new-password"_s, QString(), true, 8},
                {u"repeat"_s, u"The new password again"_s, u"password"_s, u"new-password"_s,
                 QString(), true, 8}}})
        .reply(status);
}

void requireLiveResetLink(Request &req, const QString &token)
{
    if (!Auth::resetLinkLive(req, token))
        fail(400, u"This reset link is invalid or has expired"_s);
}

Reply showReset(Request &req)
{
    const QString token = req.query.queryItemValue(u"token"_s);
    requireLiveResetLink(req, token);
    return resetForm(req, token, {}, 200);
}

Reply reset(Request &req)
{
    requireFormToken(req);
    const QString token = req.body.value(u"token"_s).toString();
    requireLiveResetLink(req, token);
    if (req.body.value(u"password"_s) != req.body.value(u"repeat"_s))
        return resetForm(req, token, u"The two passwords differ"_s, 400);
    try {
        Auth::resetPassword(req);
    } catch (const HttpError &e) {
        return resetForm(req, token, e.message, e.status);
    }
    // The reset ended every session of the account: this browser's too when it was signed in.
    req.userId = Sessions::userFor(req.db, req.sessionToken);
    return Page(req, u"Password changed"_s)
        .message(u"Every session of the account has ended: sign in again with the new password."_s,
                 Tone::Done)
        .link(u"/sign-in"_s, u"Sign in"_s)
        .reply();
}

} // namespace

void registerAccountPages(Router &r)
{
    r.get(u""_s, Access::Public, home);
    r.get(u"style.css"_s, Access::Public, [](Request &) { return stylesheet(); });
    r.get(u"sign-in"_s, Access::Public, showSignIn);
    r.post(u"sign-in"_s, Access::Public, signIn);
    r.post(u"sign-out"_s, Access::Public, signOut);
    r.get(u"verify-email"_s, Access::Public, verifyEmail);
    r.get(u"reset-password"_s, Access::Public, showReset);
    r.post(u"reset-password"_s, Access::Public, reset);
}
