// Contests: a client posts a contest, escrowing the prize and the plan fee from the wallet;
// freelancers enter while it is open; the host awards one entry (prize to the entrant, fee to the
// house) or cancels (both refunded).

#include "http.h"
#include "money.h"
#include "notify.h"
#include "server.h"
#include "storage.h"
#include "users.h"

namespace {

const QString ContestColumns = QStringLiteral(
    "SELECT c.id, c.client_id, u.full_name AS host_name, c.title, c.brief, c.prize_paise, "
    "c.fee_paise, c.status, c.deadline, c.created_at, "
    "(SELECT COUNT(*) FROM contest_entries WHERE contest_id = c.id) AS entries_count "
    "FROM contests c JOIN users u ON u.id = c.client_id ");

QJsonObject contestById(Storage &db, qint64 id)
{
    return db.one(ContestColumns + QStringLiteral("WHERE c.id = ?"), {id});
}

QJsonObject hostedContest(Request &req, qint64 id)
{
    const QJsonObject c = contestById(req.db, id);
    if (c.isEmpty() || c.value(QStringLiteral("client_id")).toInteger() != req.userId)
        fail(404, QStringLiteral("Contest not found"));
    if (c.value(QStringLiteral("status")).toString() != QLatin1String("open"))
        fail(409, QStringLiteral("This contest is no longer open"));
    return c;
}

QString rupeesText(qint64 paise)
{
    return QStringLiteral("₹%1").arg(paise / Money::PaisePerRupee);
}

Reply listContests(Request &req)
{
    const bool mine = req.query.queryItemValue(QStringLiteral("mine")) == QLatin1String("1");
    const QString order = QStringLiteral(" ORDER BY (c.status = 'open') DESC, c.id DESC");
    const QJsonArray rows = mine
        ? req.db.all(ContestColumns + QStringLiteral("WHERE c.client_id = ?") + order, {req.userId})
        : req.db.all(ContestColumns + order);
    return ok({{QStringLiteral("contests"), rows}});
}

Reply contestDetail(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = contestById(req.db, id);
    if (contest.isEmpty())
        fail(404, QStringLiteral("Contest not found"));
    const bool isHost = contest.value(QStringLiteral("client_id")).toInteger() == req.userId;
    QJsonArray entries;
    for (const QJsonValue &v :
         req.db.all(QStringLiteral("SELECT e.id, e.freelancer_id, u.full_name AS display_name, "
                                   "e.title, e.description, e.attachment_url, e.is_winner, "
                                   "e.created_at FROM contest_entries e "
                                   "JOIN users u ON u.id = e.freelancer_id "
                                   "WHERE e.contest_id = ? ORDER BY e.id"),
                    {id})) {
        QJsonObject e = v.toObject();
        e.insert(QStringLiteral("is_winner"),
                 e.value(QStringLiteral("is_winner")).toInteger() != 0);
        const bool own = e.value(QStringLiteral("freelancer_id")).toInteger() == req.userId;
        e.insert(QStringLiteral("is_mine"), own);
        // Entrants stay anonymous to everyone but the host (and themselves).
        if (!isHost && !own) {
            e.remove(QStringLiteral("display_name"));
            e.remove(QStringLiteral("freelancer_id"));
        }
        entries.append(e);
    }
    QJsonObject shown = contest;
    if (!isHost)
        shown.remove(QStringLiteral("fee_paise"));
    return ok({{QStringLiteral("contest"), shown},
               {QStringLiteral("entries"), entries},
               {QStringLiteral("isHost"), isHost}});
}

Reply postContest(Request &req)
{
    const QString title = req.text(QStringLiteral("title"), 5, 200);
    const QString brief = req.text(QStringLiteral("brief"), 30, 10000);
    const qint64 prize = req.rupees(QStringLiteral("prize"));
    if (prize < Money::MinContestPrizePaise)
        fail(400, QStringLiteral("The prize must be at least ₹500"));
    const qint64 days = req.optionalInteger(QStringLiteral("deadlineDays"), 1, 90).value_or(14);
    const qint64 fee = Money::contestFee(prize);
    if (!Money::covers(req.db, req.userId, prize + fee))
        fail(409,
             QStringLiteral("Your wallet does not cover the prize and the plan fee (%1 in "
                            "total)")
                 .arg(rupeesText(prize + fee)));

    const qint64 id = req.db.insert(
        QStringLiteral("INSERT INTO contests (client_id, title, brief, prize_paise, fee_paise, "
                       "status, deadline, created_at) VALUES (?, ?, ?, ?, ?, 'open', ?, ?)"),
        {req.userId, title, brief, prize, fee, Storage::isoInDays(int(days)), Storage::now()});
    Money::hold(req.db, req.userId, prize, Money::Escrow::ContestPrize, id,
                QStringLiteral("Contest prize escrowed — %1").arg(title));
    Money::hold(req.db, req.userId, fee, Money::Escrow::ContestFee, id,
                QStringLiteral("Contest plan fee — %1").arg(title));
    Money::issueInvoice(req.db, req.userId, QStringLiteral("Contest plan fee — %1").arg(title),
                        fee);
    return created({{QStringLiteral("contest"), contestById(req.db, id)}});
}

Reply enterContest(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = contestById(req.db, id);
    if (contest.isEmpty())
        fail(404, QStringLiteral("Contest not found"));
    if (contest.value(QStringLiteral("status")).toString() != QLatin1String("open"))
        fail(409, QStringLiteral("This contest is no longer open"));
    if (contest.value(QStringLiteral("deadline")).toString() < Storage::now())
        fail(409, QStringLiteral("This contest has closed"));
    const QString title = req.text(QStringLiteral("title"), 3, 200);
    const QString description = req.text(QStringLiteral("description"), 20, 10000);
    const QString url = req.optionalText(QStringLiteral("attachmentUrl"), 2000);
    if (!url.isEmpty() && !url.startsWith(QLatin1String("https://"))
        && !url.startsWith(QLatin1String("http://")))
        fail(400, QStringLiteral("The work URL must start with https:// or http://"));
    if (req.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM contest_entries WHERE contest_id = ? "
                                   "AND freelancer_id = ?"),
                    {id, req.userId})
            .toLongLong()
        > 0)
        fail(409, QStringLiteral("You have already entered this contest"));

    const qint64 entryId = req.db.insert(
        QStringLiteral("INSERT INTO contest_entries (contest_id, freelancer_id, title, "
                       "description, attachment_url, created_at) VALUES (?, ?, ?, ?, ?, ?)"),
        {id, req.userId, title, description, url, Storage::now()});
    notifyUser(req.db, contest.value(QStringLiteral("client_id")).toInteger(),
               QStringLiteral("entry_received"), QStringLiteral("New contest entry"),
               QStringLiteral("“%1” received a new entry: %2")
                   .arg(contest.value(QStringLiteral("title")).toString(), title));
    QJsonObject entry = req.db.one(QStringLiteral("SELECT id, contest_id, title, description, "
                                                  "attachment_url, is_winner, created_at "
                                                  "FROM contest_entries WHERE id = ?"),
                                   {entryId});
    entry.insert(QStringLiteral("is_winner"), false);
    return created({{QStringLiteral("entry"), entry}});
}

Reply awardContest(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = hostedContest(req, id);
    const qint64 entryId = req.idMember(QStringLiteral("entryId"));
    const QJsonObject entry = req.db.one(QStringLiteral("SELECT id, freelancer_id, title FROM "
                                                        "contest_entries WHERE id = ? AND "
                                                        "contest_id = ?"),
                                         {entryId, id});
    if (entry.isEmpty())
        fail(404, QStringLiteral("Entry not found in this contest"));
    const qint64 winner = entry.value(QStringLiteral("freelancer_id")).toInteger();
    const QString title = contest.value(QStringLiteral("title")).toString();

    Money::release(req.db, Money::Escrow::ContestPrize, id, winner,
                   QStringLiteral("Contest prize — %1").arg(title));
    Money::release(req.db, Money::Escrow::ContestFee, id, Money::houseAccountId(req.db),
                   QStringLiteral("Contest plan fee — %1").arg(title));
    req.db.change(QStringLiteral("UPDATE contest_entries SET is_winner = 1 WHERE id = ?"),
                  {entryId});
    req.db.change(QStringLiteral("UPDATE contests SET status = 'awarded' WHERE id = ?"), {id});
    notifyUser(req.db, winner, QStringLiteral("prize_awarded"), QStringLiteral("You won a contest"),
               QStringLiteral("Your entry “%1” won “%2”: %3 was added to your wallet.")
                   .arg(entry.value(QStringLiteral("title")).toString(), title,
                        rupeesText(contest.value(QStringLiteral("prize_paise")).toInteger())));
    return ok({{QStringLiteral("contest"), contestById(req.db, id)}});
}

Reply cancelContest(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject contest = hostedContest(req, id);
    const QString title = contest.value(QStringLiteral("title")).toString();
    Money::refund(req.db, Money::Escrow::ContestPrize, id,
                  QStringLiteral("Contest cancelled, prize refunded — %1").arg(title));
    Money::refund(req.db, Money::Escrow::ContestFee, id,
                  QStringLiteral("Contest cancelled, plan fee refunded — %1").arg(title));
    req.db.change(QStringLiteral("UPDATE contests SET status = 'cancelled' WHERE id = ?"), {id});
    for (const QJsonValue &v : req.db.all(
             QStringLiteral("SELECT freelancer_id FROM contest_entries WHERE contest_id = ?"),
             {id}))
        notifyUser(req.db, v.toObject().value(QStringLiteral("freelancer_id")).toInteger(),
                   QStringLiteral("contest_cancelled"), QStringLiteral("Contest cancelled"),
                   QStringLiteral("“%1” was cancelled by its host.").arg(title));
    return ok({{QStringLiteral("contest"), contestById(req.db, id)}});
}

} // namespace

void registerContestRoutes(Router &r)
{
    r.get(QStringLiteral("api/contests"), Access::User, listContests);
    r.get(QStringLiteral("api/contests/<id>"), Access::User, contestDetail);
    r.post(QStringLiteral("api/contests"), Access::Client, postContest);
    r.post(QStringLiteral("api/contests/<id>/entries"), Access::Freelancer, enterContest);
    r.post(QStringLiteral("api/contests/<id>/award"), Access::Client, awardContest);
    r.post(QStringLiteral("api/contests/<id>/cancel"), Access::Client, cancelContest);
}
