// The pages a one-time sign-in link opens (routes/signinlinks.h): "/sign-in-link?token=…" takes
// the token out of the address at once, and "/continue-sign-in" names the account and signs in
// only when its button is pressed, so that a link made by somebody else cannot silently put a
// person's browser into that somebody's account.

#include "forms.h"
#include "page.h"
#include "routes/signinlinks.h"
#include "sessions.h"
#include "users.h"

using namespace Qt::StringLiterals;

namespace {

using namespace Web;
using SignInLinks::Link;

Reply linkGone(Request &req)
{
    return Page(req, u"Sign in"_s)
        .message(u"This sign-in link has expired or was used already; sign in to go on."_s,
                 Tone::Problem)
        .link(u"/sign-in"_s, u"Sign in"_s)
        .reply(400);
}

QString who(Storage &db, qint64 userId)
{
    return u"%1 (%2)"_s.arg(Users::displayName(db, userId),
                            Users::record(db, userId).value(u"email"_s).toString());
}

QString confirmCookie(const Request &req)
{
    return cookieValue(req.cookieHeader, QByteArray(SignInLinks::CookieName));
}

// On to the page asked for, signed in as the link's user: the browser's session of somebody else
// ends first, as at a sign-in.
Reply goOn(Request &req, const Link &link)
{
    Reply r = seeOther(destination(link.next));
    r.headers.append({"Set-Cookie", SignInLinks::cookie({})});
    if (req.userId == link.userId)
        return r;
    if (!req.sessionToken.isEmpty())
        Sessions::destroy(req.db, req.sessionToken);
    r.headers.append(
        {"Set-Cookie", Sessions::setCookieValue(Sessions::create(req.db, link.userId))});
    return r;
}

Reply openLink(Request &req)
{
    const Link link = SignInLinks::find(req.db, req.query.queryItemValue(u"token"_s), u"issued"_s);
    if (!link.id)
        return linkGone(req);
    // Signed in as that person already: nobody changes, nothing to ask.
    const bool alreadyThem = req.userId == link.userId;
    if (alreadyThem)
        return SignInLinks::use(req.db, link, u"issued"_s) ? goOn(req, link) : linkGone(req);
    const QString secret = SignInLinks::open(req.db, link);
    if (secret.isEmpty())
        return linkGone(req);
    Reply r = seeOther(QLatin1String(SignInLinks::ConfirmPath));
    r.headers.append({"Set-Cookie", SignInLinks::cookie(secret)});
    return r;
}

Reply confirmPage(Request &req)
{
    const Link link = SignInLinks::find(req.db, confirmCookie(req), u"opened"_s);
    if (!link.id)
        return linkGone(req);
    if (req.userId == link.userId)
        return SignInLinks::use(req.db, link, u"opened"_s) ? goOn(req, link) : linkGone(req);
    Page page(req, u"Sign in from the Velto app"_s);
    if (req.userId)
        page.message(u"This browser is signed in as %1. Continuing signs it out and switches to "
                     "%2."_s.arg(who(req.db, req.userId), who(req.db, link.userId)),
                     Tone::Info);
    else
        page.paragraph(
            u"The Velto app asks to sign this browser in as %1."_s.arg(who(req.db, link.userId)));
    return page
        .form({QLatin1String(SignInLinks::ConfirmPath),
               u"Continue as "_s + Users::displayName(req.db, link.userId),
               {},
               {}})
        .link(u"/"_s,
              req.userId ? u"Stay signed in as "_s + Users::displayName(req.db, req.userId)
                         : u"Cancel"_s)
        .reply();
}

Reply confirm(Request &req)
{
    requireFormToken(req);
    const Link link = SignInLinks::find(req.db, confirmCookie(req), u"opened"_s);
    if (!link.id || !SignInLinks::use(req.db, link, u"opened"_s))
        return linkGone(req);
    return goOn(req, link);
}

} // namespace

void registerSignInLinkPages(Router &r)
{
    r.get(u"sign-in-link"_s, Access::Public, openLink);
    r.get(u"continue-sign-in"_s, Access::Public, confirmPage);
    r.post(u"continue-sign-in"_s, Access::Public, confirm);
}
