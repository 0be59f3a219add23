// The pages the app hands over to for a payment: "/contracts" (milestones awaiting funding),
// "/skills" (exam fees) and "/wallet" (adding money). Payments go through payments.h, the same
// functions the API's routes call.

#include "forms.h"
#include "money.h"
#include "page.h"
#include "payments.h"
#include "records.h"
#include "storage.h"

using namespace Qt::StringLiterals;

namespace {

using namespace Web;
using Records::integer;
using Records::text;

const QString BackToTheApp = u"Return to the Velto app and press "_s;

// The sign-in page, which brings the visitor back here.
Reply signInFirst(const QString &path)
{
    return seeOther(u"/sign-in?next="_s + path);
}

// A form that counts, from somebody signed in.
void requireSignedInForm(const Request &req)
{
    requireFormToken(req);
    if (!req.userId)
        fail(401, u"Sign in first"_s);
}

Form payForm(const QString &action, const char *field, qint64 id, qint64 paise)
{
    return {action,
            u"Pay "_s + Money::rupeesText(paise),
            {{QLatin1String(field), QString::number(id)}},
            {}};
}

Reply milestones(Request &req)
{
    if (!req.userId)
        return signInFirst(u"/contracts"_s);
    Page page(req, u"Milestones awaiting funding"_s);
    if (!req.isClient())
        return page
            .message(u"A contract's client funds its milestones; you are signed in as a "
                     "freelancer."_s,
                     Tone::Info)
            .reply();
    const QJsonArray rows
        = req.db.all(u"SELECT m.id, m.title, m.amount_paise, c.title AS contract_title "
                     "FROM milestones m JOIN contracts c ON c.id = m.contract_id "
                     "WHERE c.client_id = ? AND c.status = 'active' "
                     "AND m.status = 'awaiting_funding' ORDER BY c.id DESC, m.position"_s,
                     {req.userId});
    if (rows.isEmpty())
        page.message(u"No milestone is waiting for funding."_s, Tone::Info);
    for (const QJsonValue &row : rows) {
        const QJsonObject m = row.toObject();
        const qint64 amount = integer(m, "amount_paise");
        page.card(text(m, "contract_title"),
                  text(m, "title") + u" · "_s + Money::rupeesText(amount),
                  payForm(u"/contracts"_s, "milestone", integer(m, "id"), amount));
    }
    return page.reply();
}

Reply payMilestone(Request &req)
{
    requireSignedInForm(req);
    const qint64 id = req.idMember(u"milestone"_s);
    Payments::fundMilestone(req.db, req.userId, id, Payments::Source::Card);
    const QJsonObject m
        = req.db.one(u"SELECT title, amount_paise FROM milestones WHERE id = ?"_s, {id});
    return Page(req, u"Milestone funded"_s)
        .message(u"%1 for “%2” is held in escrow until you accept the delivery. "_s.arg(
                     Money::rupeesText(integer(m, "amount_paise")), text(m, "title"))
                     + BackToTheApp + u"Refresh on the Contracts tab."_s,
                 Tone::Done)
        .link(u"/contracts"_s, u"Milestones awaiting funding"_s)
        .reply();
}

Reply examFees(Request &req)
{
    if (!req.userId)
        return signInFirst(u"/skills"_s);
    Page page(req, u"Exam fees"_s);
    if (!req.isFreelancer())
        return page
            .message(u"Freelancers pay exam fees; you are signed in as a client."_s, Tone::Info)
            .reply();
    const QJsonArray fees = Payments::pendingExamFees(req.db, req.userId);
    if (fees.isEmpty())
        page.message(u"No exam fee is waiting for payment. A fee is listed here once you press "
                     "“Take Level” on a level with a fee in the Velto app."_s,
                     Tone::Info);
    for (const QJsonValue &row : fees) {
        const QJsonObject fee = row.toObject();
        const qint64 amount = integer(fee, "amount_paise");
        page.card(u"%1 — Level %2"_s.arg(text(fee, "skill")).arg(integer(fee, "level")),
                  u"Exam fee · "_s + Money::rupeesText(amount),
                  payForm(u"/skills"_s, "fee", integer(fee, "id"), amount));
    }
    return page.reply();
}

Reply payExamFee(Request &req)
{
    requireSignedInForm(req);
    const QJsonObject fee = Payments::payExamFee(req.db, req.userId, req.idMember(u"fee"_s));
    const QString level = QString::number(integer(fee, "level"));
    return Page(req, u"Exam fee paid"_s)
        .message(u"The %1 Level %2 exam is paid for. "_s.arg(text(fee, "skill"), level)
                     + BackToTheApp
                     + u"“Take Level %1” on the Skills tab to start it."_s.arg(level),
                 Tone::Done)
        .link(u"/skills"_s, u"Exam fees"_s)
        .reply();
}

Reply walletPage(Request &req, const QString &problem, int status)
{
    Page page(req, u"Wallet"_s);
    page.paragraph(u"Balance: "_s + Money::rupeesText(Money::balance(req.db, req.userId)));
    if (!problem.isEmpty())
        page.message(problem, Tone::Problem);
    return page
        .paragraph(u"Add money by card, from ₹1 to ₹%1 at a time. This is the sandbox: no card "
                   "is charged."_s.arg(Money::MaxRupees))
        .form(
            {u"/wallet"_s,
             u"Add money"_s,
             {},
             {{u"amount"_s, u"Amount in rupees"_s, u"text"_s, u"off"_s, QString(), true, 0, true}}})
        .reply(status);
}

Reply wallet(Request &req)
{
    return req.userId ? walletPage(req, {}, 200) : signInFirst(u"/wallet"_s);
}

Reply addMoney(Request &req)
{
    requireSignedInForm(req);
    qint64 paise = 0;
    try {
        paise = req.rupees(u"amount"_s);
    } catch (const HttpError &e) {
        return walletPage(req, e.message, e.status);
    }
    const QString invoice = Payments::topUp(req.db, req.userId, paise);
    return Page(req, u"Money added"_s)
        .message(
            u"%1 is in your wallet (invoice %2); the Wallet tab of the Velto app shows it."_s.arg(
                Money::rupeesText(paise), invoice),
            Tone::Done)
        .link(u"/wallet"_s, u"Wallet"_s)
        .reply();
}

} // namespace

void registerPaymentPages(Router &r)
{
    r.get(u"contracts"_s, Access::Public, milestones);
    r.post(u"contracts"_s, Access::Public, payMilestone);
    r.get(u"skills"_s, Access::Public, examFees);
    r.post(u"skills"_s, Access::Public, payExamFee);
    r.get(u"wallet"_s, Access::Public, wallet);
    r.post(u"wallet"_s, Access::Public, addMoney);
}
