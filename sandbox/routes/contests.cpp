// Contests: a client posts a contest, escrowing the prize and the plan fee from the wallet;
// freelancers enter while it is open; the host awards one entry (prize to the entrant, fee to the
// house) or cancels (both refunded).

#include "http.h"
#include "money.h"
#include "notify.h"
#include "records.h"
#include "server.h"
#include "storage.h"
#include "users.h"

using namespace Qt::StringLiterals;

namespace {

const QString ContestColumns = u"SELECT c.id, c.client_id, "_s + Users::displayNameSql("u")
    + u" AS host_name, c.title, c.brief, c.prize_paise, c.fee_paise, c.status, c.deadline, "
      u"c.created_at, "
      "(SELECT COUNT(*) FROM contest_entries WHERE contest_id = c.id) AS entries_count "
      "FROM contests c JOIN users u ON u.id = c.client_id "_s;

QJsonObject contestById(Storage &db, qint64 id)
{
    return db.one(ContestColumns + u"WHERE c.id = ?"_s, {id});
}

QJsonObject hostedContest(Request &req, qint64 id)
{
    const QJsonObject c = contestById(req.db, id);
    if (c.isEmpty() || Records::integer(c, "client_id") != req.userId)
        fail(404, u"Contest not found"_s);
    Records::requireState(c, "status", {u"open"_s}, u"This contest is no longer open"_s);
    return c;
}

// The plan fee is between the host and Velto.
QJsonObject shownTo(const Request &req, QJsonObject contest)
{
    if (Records::integer(contest, "client_id") != req.userId)
        contest.remove(u"fee_paise"_s);
    return contest;
}

Reply listContests(Request &req)
{
    const bool mine = req.query.queryItemValue(u"mine"_s) == "1"_L1;
    const QString order = u" ORDER BY (c.status = 'open') DESC, c.id DESC"_s;
    QJsonArray rows;
    for (const QJsonValue &v : mine
             ? req.db.all(ContestColumns + u"WHERE c.client_id = ?"_s + order, {req.userId})
             : req.db.all(ContestColumns + order))
        rows.append(shownTo(req, v.toObject()));
    return ok({{u"contests"_s, rows}});
}

Reply contestDetail(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = contestById(req.db, id);
    if (contest.isEmpty())
        fail(404, u"Contest not found"_s);
    const bool isHost = contest.value(u"client_id"_s).toInteger() == req.userId;
    QJsonArray entries;
    for (const QJsonValue &v : req.db.all(
             u"SELECT e.id, e.freelancer_id, "_s + Users::displayNameSql("u")
                 + u" AS display_name, e.title, e.description, e.attachment_url, e.is_winner, "
                   "e.created_at FROM contest_entries e "
                   "JOIN users u ON u.id = e.freelancer_id "
                   "WHERE e.contest_id = ? ORDER BY e.id"_s,
             {id})) {
        QJsonObject e = v.toObject();
        e.insert(u"is_winner"_s, e.value(u"is_winner"_s).toInteger() != 0);
        const bool own = e.value(u"freelancer_id"_s).toInteger() == req.userId;
        e.insert(u"is_mine"_s, own);
        // Entrants stay anonymous to everyone but the host (and themselves).
        if (!isHost && !own) {
            e.remove(u"display_name"_s);
            e.remove(u"freelancer_id"_s);
        }
        entries.append(e);
    }
    return ok(
        {{u"contest"_s, shownTo(req, contest)}, {u"entries"_s, entries}, {u"isHost"_s, isHost}});
}

Reply postContest(Request &req)
{
    const QString title = req.text(u"title"_s, 5, 200);
    const QString brief = req.text(u"brief"_s, 30, 10000);
    const qint64 prize = req.rupees(u"prize"_s);
    if (prize < Money::MinContestPrizePaise)
        fail(400, u"The prize must be at least ₹500"_s);
    const qint64 days = req.optionalInteger(u"deadlineDays"_s, 1, 90).value_or(14);
    const qint64 fee = Money::contestFee(prize);
    if (!Money::covers(req.db, req.userId, prize + fee))
        fail(409,
             u"Your wallet does not cover the prize and the plan fee (%1 in "
             "total)"_s.arg(Money::rupeesText(prize + fee)));

    const qint64 id = req.db.insert(
        u"INSERT INTO contests (client_id, title, brief, prize_paise, fee_paise, "
        "status, deadline, created_at) VALUES (?, ?, ?, ?, ?, 'open', ?, ?)"_s,
        {req.userId, title, brief, prize, fee, Storage::isoInDays(int(days)), Storage::now()});
    Money::hold(req.db, req.userId, prize, Money::Escrow::ContestPrize, id,
                u"Contest prize escrowed — %1"_s.arg(title));
    Money::hold(req.db, req.userId, fee, Money::Escrow::ContestFee, id,
                u"Contest plan fee — %1"_s.arg(title));
    Money::issueInvoice(req.db, req.userId, u"Contest plan fee — %1"_s.arg(title), fee);
    return created({{u"contest"_s, contestById(req.db, id)}});
}

Reply enterContest(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = contestById(req.db, id);
    if (contest.isEmpty())
        fail(404, u"Contest not found"_s);
    Records::requireState(contest, "status", {u"open"_s}, u"This contest is no longer open"_s);
    if (contest.value(u"deadline"_s).toString() < Storage::now())
        fail(409, u"This contest has closed"_s);
    const QString title = req.text(u"title"_s, 3, 200);
    const QString description = req.text(u"description"_s, 20, 10000);
    const QString url = req.optionalText(u"attachmentUrl"_s, 2000);
    if (!url.isEmpty() && !url.startsWith("https://"_L1) && !url.startsWith("http://"_L1))
        fail(400, u"The work URL must start with https:// or http://"_s);
    if (req.db.exists(u"SELECT 1 FROM contest_entries WHERE contest_id = ? "
                      "AND freelancer_id = ?"_s,
                      {id, req.userId}))
        fail(409, u"You have already entered this contest"_s);

    const qint64 entryId
        = req.db.insert(u"INSERT INTO contest_entries (contest_id, freelancer_id, title, "
                        "description, attachment_url, created_at) VALUES (?, ?, ?, ?, ?, ?)"_s,
                        {id, req.userId, title, description, url, Storage::now()});
    notifyUser(req.db, contest.value(u"client_id"_s).toInteger(), u"entry_received"_s,
               u"New contest entry"_s,
               u"“%1” received a new entry: %2"_s.arg(contest.value(u"title"_s).toString(), title));
    QJsonObject entry = req.db.one(u"SELECT id, contest_id, title, description, "
                                   "attachment_url, is_winner, created_at "
                                   "FROM contest_entries WHERE id = ?"_s,
                                   {entryId});
    entry.insert(u"is_winner"_s, false);
    return created({{u"entry"_s, entry}});
}

Reply awardContest(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = hostedContest(req, id);
    const qint64 entryId = req.idMember(u"entryId"_s);
    const QJsonObject entry = req.db.one(u"SELECT id, freelancer_id, title FROM "
                                         "contest_entries WHERE id = ? AND "
                                         "contest_id = ?"_s,
                                         {entryId, id});
    if (entry.isEmpty())
        fail(404, u"Entry not found in this contest"_s);
    const qint64 winner = entry.value(u"freelancer_id"_s).toInteger();
    const QString title = contest.value(u"title"_s).toString();

    Money::release(req.db, Money::Escrow::ContestPrize, id, winner,
                   u"Contest prize — %1"_s.arg(title));
    Money::release(req.db, Money::Escrow::ContestFee, id, Money::houseAccountId(req.db),
                   u"Contest plan fee — %1"_s.arg(title));
    req.db.change(u"UPDATE contest_entries SET is_winner = 1 WHERE id = ?"_s, {entryId});
    req.db.change(u"UPDATE contests SET status = 'awarded' WHERE id = ?"_s, {id});
    notifyUser(req.db, winner, u"prize_awarded"_s, u"You won a contest"_s,
               u"Your entry “%1” won “%2”: %3 was added to your wallet."_s.arg(
                   entry.value(u"title"_s).toString(), title,
                   Money::rupeesText(contest.value(u"prize_paise"_s).toInteger())));
    return ok({{u"contest"_s, contestById(req.db, id)}});
}

Reply cancelContest(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = hostedContest(req, id);
    const QString title = contest.value(u"title"_s).toString();
    Money::refund(req.db, Money::Escrow::ContestPrize, id,
                  u"Contest cancelled, prize refunded — %1"_s.arg(title));
    Money::refund(req.db, Money::Escrow::ContestFee, id,
                  u"Contest cancelled, plan fee refunded — %1"_s.arg(title));
    req.db.change(u"UPDATE contests SET status = 'cancelled' WHERE id = ?"_s, {id});
    for (const QJsonValue &v :
         req.db.all(u"SELECT freelancer_id FROM contest_entries WHERE contest_id = ?"_s, {id}))
        notifyUser(req.db, v.toObject().value(u"freelancer_id"_s).toInteger(),
                   u"contest_cancelled"_s, u"Contest cancelled"_s,
                   u"“%1” was cancelled by its host."_s.arg(title));
    return ok({{u"contest"_s, contestById(req.db, id)}});
}

} // namespace

void registerContestRoutes(Router &r)
{
    r.get(u"api/contests"_s, Access::User, listContests);
    r.get(u"api/contests/<id>"_s, Access::User, contestDetail);
    r.post(u"api/contests"_s, Access::Client, postContest);
    r.post(u"api/contests/<id>/entries"_s, Access::Freelancer, enterContest);
    r.post(u"api/contests/<id>/award"_s, Access::Client, awardContest);
    r.post(u"api/contests/<id>/cancel"_s, Access::Client, cancelContest);
}
