// Teams: a client's named groups. Inviting an e-mail of an existing account adds that person as
// a member; another address stays an open invitation. Only the owner invites or deletes.

#include "http.h"
#include "notify.h"
#include "server.h"
#include "storage.h"
#include "users.h"

#include <QRegularExpression>

namespace {

const QString TeamColumns = QStringLiteral(
    "SELECT t.id, t.owner_id, t.name, t.description, t.created_at, "
    "(SELECT COUNT(*) FROM team_members m WHERE m.team_id = t.id AND m.status IN "
    "('owner','member')) AS member_count, "
    "(SELECT COUNT(*) FROM team_members m WHERE m.team_id = t.id AND m.status = 'invited') "
    "AS invited_count FROM teams t ");

QJsonObject teamById(Storage &db, qint64 id, qint64 viewerId)
{
    QJsonObject t = db.one(TeamColumns + QStringLiteral("WHERE t.id = ?"), {id});
    if (!t.isEmpty())
        t.insert(QStringLiteral("is_owner"),
                 t.value(QStringLiteral("owner_id")).toInteger() == viewerId);
    return t;
}

QJsonObject ownTeam(Request &req, qint64 id)
{
    const QJsonObject t = teamById(req.db, id, req.userId);
    if (t.isEmpty() || t.value(QStringLiteral("owner_id")).toInteger() != req.userId)
        fail(404, QStringLiteral("Team not found"));
    return t;
}

Reply myTeams(Request &req)
{
    QJsonArray teams;
    for (const QJsonValue &v :
         req.db.all(TeamColumns
                        + QStringLiteral("WHERE t.owner_id = ? OR t.id IN (SELECT team_id FROM "
                                         "team_members WHERE user_id = ? AND status = "
                                         "'member') ORDER BY t.id DESC"),
                    {req.userId, req.userId})) {
        QJsonObject t = v.toObject();
        t.insert(QStringLiteral("is_owner"),
                 t.value(QStringLiteral("owner_id")).toInteger() == req.userId);
        teams.append(t);
    }
    return ok({{QStringLiteral("teams"), teams}});
}

Reply createTeam(Request &req)
{
    const QString name = req.text(QStringLiteral("name"), 2, 100);
    const QString description = req.optionalText(QStringLiteral("description"), 500);
    if (req.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM teams WHERE owner_id = ? AND name = ?"),
                    {req.userId, name})
            .toLongLong()
        > 0)
        fail(409, QStringLiteral("You already have a team with this name"));
    const QString now = Storage::now();
    const qint64 id
        = req.db.insert(QStringLiteral("INSERT INTO teams (owner_id, name, description, "
                                       "created_at) VALUES (?, ?, ?, ?)"),
                        {req.userId, name, description, now});
    req.db.insert(QStringLiteral("INSERT INTO team_members (team_id, user_id, email, status, "
                                 "created_at) VALUES (?, ?, ?, 'owner', ?)"),
                  {id, req.userId, req.user.value(QStringLiteral("email")).toString(), now});
    return created({{QStringLiteral("team"), teamById(req.db, id, req.userId)}});
}

Reply invite(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject team = ownTeam(req, id);
    const QString email = req.text(QStringLiteral("email"), 1, 254).toLower();
    static const QRegularExpression shape(QStringLiteral("^[^@\\s]+@[^@\\s]+$"));
    if (!shape.match(email).hasMatch())
        fail(400, QStringLiteral("Enter a valid email address"));
    if (req.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM team_members WHERE team_id = ? AND "
                                   "email = ?"),
                    {id, email})
            .toLongLong()
        > 0)
        fail(409, QStringLiteral("This person is already in the team or invited"));

    const qint64 userId = Users::idForEmail(req.db, email);
    const QString status = userId ? QStringLiteral("member") : QStringLiteral("invited");
    req.db.insert(QStringLiteral("INSERT INTO team_members (team_id, user_id, email, status, "
                                 "created_at) VALUES (?, ?, ?, ?, ?)"),
                  {id, userId ? QVariant(userId) : QVariant(), email, status, Storage::now()});
    if (userId)
        notifyUser(req.db, userId, QStringLiteral("team_invitation"),
                   QStringLiteral("Added to a team"),
                   QStringLiteral("%1 added you to the team “%2”.")
                       .arg(Users::displayName(req.db, req.userId),
                            team.value(QStringLiteral("name")).toString()));
    return created(
        {{QStringLiteral("invitation"),
          QJsonObject {{QStringLiteral("email"), email}, {QStringLiteral("status"), status}}},
         {QStringLiteral("team"), teamById(req.db, id, req.userId)}});
}

Reply deleteTeam(Request &req)
{
    const qint64 id = req.id(0);
    ownTeam(req, id);
    req.db.change(QStringLiteral("DELETE FROM team_members WHERE team_id = ?"), {id});
    req.db.change(QStringLiteral("DELETE FROM teams WHERE id = ?"), {id});
    return ok();
}

} // namespace

void registerTeamRoutes(Router &r)
{
    r.get(QStringLiteral("api/teams/mine"), Access::User, myTeams);
    r.post(QStringLiteral("api/teams"), Access::Client, createTeam);
    r.post(QStringLiteral("api/teams/<id>/invite"), Access::Client, invite);
    r.del(QStringLiteral("api/teams/<id>"), Access::Client, deleteTeam);
}
