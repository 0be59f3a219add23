// Teams: a client's named groups. Inviting an e-mail of an existing account adds that person as
// a member; another address stays an open invitation. Only the owner invites or deletes.

#include "http.h"
#include "notify.h"
#include "server.h"
#include "storage.h"
#include "users.h"

using namespace Qt::StringLiterals;

namespace {

const QString TeamColumns
    = u"SELECT t.id, t.owner_id, t.name, t.description, t.created_at, "
      "(SELECT COUNT(*) FROM team_members m WHERE m.team_id = t.id AND m.status IN "
      "('owner','member')) AS member_count, "
      "(SELECT COUNT(*) FROM team_members m WHERE m.team_id = t.id AND m.status = 'invited') "
      "AS invited_count FROM teams t "_s;

QJsonObject teamById(Storage &db, qint64 id, qint64 viewerId)
{
    QJsonObject t = db.one(TeamColumns + u"WHERE t.id = ?"_s, {id});
    if (!t.isEmpty())
        t.insert(u"is_owner"_s, t.value(u"owner_id"_s).toInteger() == viewerId);
    return t;
}

QJsonObject ownTeam(Request &req, qint64 id)
{
    const QJsonObject t = teamById(req.db, id, req.userId);
    if (t.isEmpty() || t.value(u"owner_id"_s).toInteger() != req.userId)
        fail(404, u"Team not found"_s);
    return t;
}

Reply myTeams(Request &req)
{
    QJsonArray teams;
    for (const QJsonValue &v :
         req.db.all(TeamColumns
                        + u"WHERE t.owner_id = ? OR t.id IN (SELECT team_id FROM "
                          "team_members WHERE user_id = ? AND status = "
                          "'member') ORDER BY t.id DESC"_s,
                    {req.userId, req.userId})) {
        QJsonObject t = v.toObject();
        t.insert(u"is_owner"_s, t.value(u"owner_id"_s).toInteger() == req.userId);
        teams.append(t);
    }
    return ok({{u"teams"_s, teams}});
}

Reply createTeam(Request &req)
{
    const QString name = req.text(u"name"_s, 2, 100);
    const QString description = req.optionalText(u"description"_s, 500);
    if (req.db.exists(u"SELECT 1 FROM teams WHERE owner_id = ? AND name = ?"_s, {req.userId, name}))
        fail(409, u"You already have a team with this name"_s);
    const QString now = Storage::now();
    const qint64 id = req.db.insert(u"INSERT INTO teams (owner_id, name, description, "
                                    "created_at) VALUES (?, ?, ?, ?)"_s,
                                    {req.userId, name, description, now});
    req.db.insert(u"INSERT INTO team_members (team_id, user_id, email, status, "
                  "created_at) VALUES (?, ?, ?, 'owner', ?)"_s,
                  {id, req.userId, req.user.value(u"email"_s).toString(), now});
    return created({{u"team"_s, teamById(req.db, id, req.userId)}});
}

Reply invite(Request &req)
{
    const qint64 id = req.id(0);
    const QJsonObject team = ownTeam(req, id);
    const QString email = req.email(u"email"_s);
    if (req.db.exists(u"SELECT 1 FROM team_members WHERE team_id = ? AND "
                      "email = ?"_s,
                      {id, email}))
        fail(409, u"This person is already in the team or invited"_s);

    const qint64 userId = Users::idForEmail(req.db, email);
    const QString status = userId ? u"member"_s : u"invited"_s;
    req.db.insert(u"INSERT INTO team_members (team_id, user_id, email, status, "
                  "created_at) VALUES (?, ?, ?, ?, ?)"_s,
                  {id, userId ? QVariant(userId) : QVariant(), email, status, Storage::now()});
    if (userId)
        notifyUser(req.db, userId, u"team_invitation"_s, u"Added to a team"_s,
                   u"%1 added you to the team “%2”."_s.arg(Users::displayName(req.db, req.userId),
                                                           team.value(u"name"_s).toString()));
    return created({{u"invitation"_s, QJsonObject {{u"email"_s, email}, {u"status"_s, status}}},
                    {u"team"_s, teamById(req.db, id, req.userId)}});
}

Reply deleteTeam(Request &req)
{
    const qint64 id = req.id(0);
    ownTeam(req, id);
    req.db.change(u"DELETE FROM team_members WHERE team_id = ?"_s, {id});
    req.db.change(u"DELETE FROM teams WHERE id = ?"_s, {id});
    return ok();
}

} // namespace

void registerTeamRoutes(Router &r)
{
    r.get(u"api/teams/mine"_s, Access::User, myTeams);
    r.post(u"api/teams"_s, Access::Client, createTeam);
    r.post(u"api/teams/<id>/invite"_s, Access::Client, invite);
    r.del(u"api/teams/<id>"_s, Access::Client, deleteTeam);
}
