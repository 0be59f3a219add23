// The page "/identity": where a person submits the details of identity verification and sees
// where it stands. The submission is routes/identity.h's; the operator's printed link approves it.

#include "forms.h"
#include "page.h"
#include "records.h"
#include "routes/identity.h"

using namespace Qt::StringLiterals;

namespace {

using namespace Web;
using Records::text;

Reply identityPage(Request &req, const QString &problem, int status)
{
    Page page(req, u"Identity verification"_s);
    const QJsonObject sent = Identity::summary(req.db, req.userId);
    const QString kyc = req.user.value(u"kyc_status"_s).toString();
    if (kyc == "verified"_L1)
        return page
            .message(u"Your identity is verified: withdrawals to an approved bank account are "
                     "open to you."_s,
                     Tone::Done)
            .reply(status);
    if (!problem.isEmpty())
        page.message(problem, Tone::Problem);
    if (kyc == "pending"_L1)
        page.message(sent.isEmpty()
                         ? u"Your identity verification is waiting for review."_s
                         : u"Your details (%1, number ending %2) are waiting for review. Until "
                           "they are approved you may correct them here."_s.arg(
                               text(sent, "legal_name"), text(sent, "number_last4")),
                     Tone::Info);
    else
        page.paragraph(u"Withdrawals open once your identity is verified. Enter your details as "
                       "they appear on your Aadhaar card or PAN card."_s);
    // A refused form keeps the name and date; the number is never written back into a page.
    const QString name = problem.isEmpty() ? QString() : req.body.value(u"legalName"_s).toString();
    const QString birth
        = problem.isEmpty() ? QString() : req.body.value(u"dateOfBirth"_s).toString();
    return page
        .form({u"/identity"_s,
               u"Submit for verification"_s,
               {},
               {{u"legalName"_s, u"Legal name"_s, u"text"_s, u"name"_s, name, true, 2},
                {u"dateOfBirth"_s, u"Date of birth"_s, u"date"_s, u"bday"_s, birth},
                {u"identityNumber"_s, u"Aadhaar number (12 digits) or PAN (10 characters)"_s,
                 u"text"_s, u"off"_s}}})
        .reply(status);
}

Reply showIdentity(Request &req)
{
    return req.userId ? identityPage(req, {}, 200) : seeOther(u"/sign-in?next=/identity"_s);
}

Reply submitIdentity(Request &req)
{
    requireFormToken(req);
    if (!req.userId)
        fail(401, u"Sign in first"_s);
    try {
        Identity::submit(req);
    } catch (const HttpError &e) {
        return identityPage(req, e.message, e.status);
    }
    return Page(req, u"Details received"_s)
        .message(u"Your identity verification is pending. Once it is approved, the More tab of "
                 "the Velto app shows “KYC: verified” and withdrawals open."_s,
                 Tone::Done)
        .link(u"/identity"_s, u"Identity verification"_s)
        .reply();
}

} // namespace

void registerIdentityPages(Router &r)
{
    r.get(u"identity"_s, Access::Public, showIdentity);
    r.post(u"identity"_s, Access::Public, submitIdentity);
}
